// Helpers of the GUI tests: a recording platform, waiting for the event loop, a main dialog whose modal dialogs close
// as they open, and the enabled states and trackbars of a dialog's controls.
#pragma once

#include "app/stereo_dlg.h"
#include "engine/io/image_file.h"
#include "resources/resource_ids.h"
#include "support/test_images.h"

#include <QAbstractButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <set>

using TTexts = std::vector<std::string>;

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* pOut)
{
    *pOut << '"' << text.toStdString() << '"';
}

// Records what the dialogs show instead of showing it, and answers the
// file-open dialog from a script (an empty script cancels). Installed for
// its lifetime.
class CRecordingPlatform : public CPlatform {
public:
    void ShowMessage(const std::string& text) override
    {
        m_messages.push_back(text);
        if (m_onMessage)
            m_onMessage(text);
    }
    std::optional<std::string> GetOpenImagePath(QWidget*) override
    {
        if (m_openPaths.empty())
            return std::nullopt;
        const std::optional<std::string> path = m_openPaths.front();
        m_openPaths.pop_front();
        return path;
    }
    bool OpenDocument(const QUrl& url) override
    {
        m_opened.push_back(url);
        return m_bOpenSucceeds;
    }

    TTexts m_messages;
    std::deque<std::optional<std::string>> m_openPaths;
    std::vector<QUrl> m_opened;
    bool m_bOpenSucceeds = true;
    // Runs when a message is shown, after it is recorded.
    std::function<void(const std::string&)> m_onMessage;
    CPlatformOverride m_override{*this};
};

// Processes events until `done` holds; false after `nTimeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int nTimeoutMs = 30000);

inline void Click(const CTemplateDialog& dialog, int nId)
{
    dialog.GetItem<QAbstractButton>(nId)->click();
}
// The text of a label, a button or an edit box.
inline QString Text(const CTemplateDialog& dialog, int nId)
{
    return dialog.GetDlgItem(nId)->property("text").toString();
}

// The main dialog, shown. Every modal dialog closes as soon as it is open;
// m_modals keeps the file name of each preview and the title of any other.
class MainDialogTest : public testing::Test {
protected:
    MainDialogTest();

    // Opens left.bmp and right.bmp, a textured scene seen 2 pixels apart.
    void OpenPair(int nWidth, int nHeight);
    QString Text(int nId) const { return ::Text(*m_pMain, nId); }
    QSlider& Slider(int nId) const { return *m_pMain->GetItem<QSlider>(nId); }
    const CDepthMapJob& Job() const { return m_pMain->m_job; }
    bool WaitForJob() const
    {
        return WaitUntil([this] { return !m_pMain->IsJobRunning(); });
    }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    TTexts m_modals;
    QTimer m_modalCloser;
    std::unique_ptr<CStereoDlg> m_pMain = std::make_unique<CStereoDlg>();
};

// Expects every control of `dialog` enabled but those `heldOff` while busy
// and those `disabled` always.
void ExpectEnabled(const CTemplateDialog& dialog, const std::set<int>& heldOff, const std::set<int>& disabled,
                   bool bBusy);
// Expects the trackbar's {minimum, maximum, page step, position}, a line
// step of 1 and its tick marks, and its box showing `nFactor` times the
// position, also after a move to either end.
void ExpectTrackbar(const CTemplateDialog& dialog, int nSlider, int nEdit, const std::array<int, 4>& setup,
                    int nFactor = 1, QSlider::TickPosition ticks = QSlider::NoTicks);
