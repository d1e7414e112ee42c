// CHtmlHandler: the desktop's program for HTML files, which opens a link when the default opener cannot.
#pragma once

#include "about/desktop_entry.h"
#include "platform/service.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the link fallback asks of the desktop goes through the current
// handler, so that tests can put a scripted one in its place and no test
// ever starts a browser.
class CHtmlHandler {
public:
    virtual ~CHtmlHandler() = default;

    // The desktop entry of the program registered for HTML files; nothing
    // when none is registered or its entry cannot be read.
    virtual std::optional<SDesktopEntry> FindHtmlHandler() = 0;
    // Starts `program` with `args` on its own, never through a shell.
    // Returns 0, or the errno of what failed, or kUnknownStartError when the
    // desktop does not say why.
    virtual int StartDetached(const QString& program, const QStringList& args) = 0;

    static CHtmlHandler& Current();
};

inline constexpr int kUnknownStartError = -1;

// The real desktop: the text/html default of xdg-mime, the desktop entry
// files in the data folders, and QProcess.
class CDesktopHtmlHandler : public CHtmlHandler {
public:
    std::optional<SDesktopEntry> FindHtmlHandler() override;
    int StartDetached(const QString& program, const QStringList& args) override;
};

// Puts another handler in place for its lifetime (tests).
using CHtmlHandlerOverride = CServiceOverride<CHtmlHandler>;

// The errno that starting the file `program` would meet before it runs:
// 0 when it is an executable file; ENOENT when it is found nowhere (a bare
// name is looked up in PATH); else what access() says, or EACCES for a
// folder.
int CheckExecutable(const QString& program);
