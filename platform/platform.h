// CPlatform: the few desktop services the dialogs use (message boxes, the file-open dialog, opening documents).
#pragma once

#include "platform/service.h"

#include <optional>
#include <string>

class QFileDialog;
class QUrl;
class QWidget;

// Everything the dialogs ask of the desktop goes through the current
// platform, so that tests can put a recording one in its place.
class CPlatform {
public:
    virtual ~CPlatform() = default;

    // A modal message with the warning icon and an OK button, captioned
    // with the application's name.
    virtual void ShowMessage(const std::string& text) = 0;
    // The "Open image" dialog: the chosen path, or nothing when cancelled.
    virtual std::optional<std::string> GetOpenImagePath(QWidget* pParent) = 0;
    // Opens a file or a web page with the desktop's default handler;
    // false when that cannot be done.
    virtual bool OpenDocument(const QUrl& url) = 0;

    static CPlatform& Current();
};

// The real desktop.
class CDesktopPlatform : public CPlatform {
public:
    void ShowMessage(const std::string& text) override;
    std::optional<std::string> GetOpenImagePath(QWidget* pParent) override;
    bool OpenDocument(const QUrl& url) override;
};

// Puts another platform in place for its lifetime (tests).
using CPlatformOverride = CServiceOverride<CPlatform>;

// The application's name: the executable's file name without its extension.
std::string AppName();

// Shows `text` through the current platform.
void ShowMessageBox(const std::string& text);

// Sets up a file dialog as the "Open image" dialog: title, the "Image files"
// filter and then the "Stereo files" one (matched regardless of letter
// case), any name in an existing folder.
void ConfigureOpenImageDialog(QFileDialog& dialog);

// The wait cursor for as long as it lives.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
