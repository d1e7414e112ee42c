// Helpers of the GUI tests: a recording platform, waiting for the event loop, closing modal dialogs.
#include "gui/gui_test_support.h"

#include "engine/file_names.h"
#include "engine/image_file.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>

#include <stdexcept>

CRecordingPlatform::CRecordingPlatform()
    : m_override(*this)
{ }

void CRecordingPlatform::ShowMessage(const std::string& text)
{
    m_messages.push_back(text);
    if (m_onMessage)
        m_onMessage(text);
}

std::optional<std::string> CRecordingPlatform::GetOpenImagePath(QWidget*)
{
    if (m_openPaths.empty())
        return std::nullopt;
    std::optional<std::string> path = m_openPaths.front();
    m_openPaths.pop_front();
    return path;
}

bool CRecordingPlatform::OpenDocument(const QUrl& url)
{
    m_opened.push_back(url);
    return m_bOpenSucceeds;
}

bool WaitUntil(const std::function<bool()>& done, int nTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

CModalCloser::CModalCloser(std::function<void(QWidget&)> onModal)
    : m_onModal(std::move(onModal))
{
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal == nullptr || !pModal->isVisible())
            return;
        m_onModal(*pModal);
        ++m_nClosed;
        pModal->close();
    });
    m_timer.start();
}

void WriteImage(const CImage& image, const std::string& path)
{
    const std::string extension = path.substr(path.rfind('.') + 1);
    const int nFormat = extension == "png" ? kFormatPng : extension == "tif" ? kFormatTiff : kFormatBmp;
    if (!SaveImageFile(image, path, nFormat))
        throw std::runtime_error("cannot write " + path);
}
