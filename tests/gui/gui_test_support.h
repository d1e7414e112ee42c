// Helpers of the GUI tests: a recording platform, waiting for the event loop, closing modal dialogs.
#pragma once

#include "engine/image.h"
#include "platform/platform.h"

#include <QTimer>
#include <QUrl>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// Records what the dialogs show instead of showing it, and answers the
// file-open dialog from a script (an empty script cancels). Installed for
// its lifetime.
class CRecordingPlatform : public CPlatform {
public:
    CRecordingPlatform();

    void ShowMessage(const std::string& text) override;
    std::optional<std::string> GetOpenImagePath(QWidget* pParent) override;
    bool OpenDocument(const QUrl& url) override;

    std::vector<std::string> m_messages;
    std::deque<std::optional<std::string>> m_openPaths;
    std::vector<QUrl> m_opened;
    bool m_bOpenSucceeds = true;
    // Runs when a message is shown, after it is recorded.
    std::function<void(const std::string&)> m_onMessage;

private:
    CPlatformOverride m_override;
};

// Processes events until `done` holds; false after `nTimeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int nTimeoutMs = 30000);

// Whenever a modal dialog is open, hands it to `onModal` and then closes it.
class CModalCloser {
public:
    explicit CModalCloser(std::function<void(QWidget&)> onModal);
    int Count() const { return m_nClosed; }

private:
    QTimer m_timer;
    std::function<void(QWidget&)> m_onModal;
    int m_nClosed = 0;
};

// Writes `image` as a 24-bit file in the format of its extension.
void WriteImage(const CImage& image, const std::string& path);
