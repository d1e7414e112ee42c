// CHtmlHandler: finding the desktop's program for HTML files and starting it without a shell.
#include "about/html_handler.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <unistd.h>

#include <cerrno>

namespace {

// A slow or hanging query must not freeze the About box for long.
constexpr int kQueryTimeoutMs = 5000;

// The id of the desktop entry that xdg-mime names as the text/html default.
QString QueryDefaultHtmlEntry()
{
    if (QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty())
        return {};
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kQueryTimeoutMs)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0)
        return {};
    const QString output = QString::fromUtf8(query.readAllStandardOutput());
    return output.section(u'\n', 0, 0).section(u';', 0, 0).trimmed();
}

} // namespace

CHtmlHandler& CHtmlHandler::Current()
{
    return CurrentService<CHtmlHandler, CDesktopHtmlHandler>();
}

std::optional<SDesktopEntry> CDesktopHtmlHandler::FindHtmlHandler()
{
    const QString path = FindDesktopFile(QueryDefaultHtmlEntry(), ApplicationDirs());
    if (path.isEmpty())
        return std::nullopt;
    return ReadDesktopEntry(path);
}

int CheckExecutable(const QString& program)
{
    const QString path = program.contains(u'/') ? program : QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return ENOENT;
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0)
        return errno;
    return QFileInfo(path).isDir() ? EACCES : 0;
}

// QProcess says only that a start failed, so what can be known beforehand
// is checked first; the rest is reported as unknown.
int CDesktopHtmlHandler::StartDetached(const QString& program, const QStringList& args)
{
    if (const int nError = CheckExecutable(program); nError != 0)
        return nError;
    return QProcess::startDetached(program, args) ? 0 : kUnknownStartError;
}
