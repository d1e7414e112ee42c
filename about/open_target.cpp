// Opening a link's target: the desktop's opener, then the registered HTML program; the texts of failures.
#include "about/open_target.h"

#include "about/exec_line.h"
#include "about/html_handler.h"
#include "platform/platform.h"

#include <QUrl>

#include <cerrno>

namespace {

const char* CodeText(int nCode)
{
    switch (nCode) {
    case 0:
        return "The operating system is out\nof memory or resources.";
    case 2:
        return "The specified file was not found.";
    case 3:
        return "The specified path was not found.";
    case 5:
        return "The operating system denied\naccess to the specified file.";
    case 8:
        return "There was not enough memory to complete the operation.";
    case 11:
        return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26:
        return "A sharing violation occurred. ";
    case 27:
        return "The filename association is\nincomplete or invalid.";
    case 28:
        return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29:
        return "The DDE transaction failed.";
    case 30:
        return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31:
        return "There is no application associated\nwith the given filename extension.";
    case 32:
        return "The specified dynamic-link library was not found.";
    default:
        return nullptr;
    }
}

} // namespace

int OpenCodeFromErrno(int nError)
{
    switch (nError) {
    case 0:
        return kTargetOpened;
    case ENOENT:
        return 2;
    case ENOTDIR:
    case ELOOP:
    case ENAMETOOLONG:
        return 3;
    case EACCES:
    case EPERM:
        return 5;
    case ENOMEM:
    case E2BIG:
        return 8;
    case EAGAIN:
    case EMFILE:
    case ENFILE:
        return 0;
    case ENOEXEC:
        return 11;
    case ETXTBSY:
        return 26;
    default:
        return nError > 0 ? -nError : nError;
    }
}

// The desktop's opener tells only whether it managed; when it did not, no
// program took the address, which is what code 31 says.
int OpenLinkTarget(const QString& target)
{
    if (CPlatform::Current().OpenDocument(QUrl(target)))
        return kTargetOpened;
    CHtmlHandler& handler = CHtmlHandler::Current();
    const std::optional<SDesktopEntry> entry = handler.FindHtmlHandler();
    if (!entry)
        return kNoAssociation;
    std::optional<QStringList> command = CommandForTarget(*entry, target);
    if (!command)
        return kAssociationInvalid;
    const QString program = command->takeFirst();
    return OpenCodeFromErrno(handler.StartDetached(program, *command));
}

QString OpenErrorText(int nCode)
{
    const char* text = CodeText(nCode);
    const QString reason
        = text != nullptr ? QString::fromUtf8(text) : QStringLiteral("Unknown Error (%1) occurred.").arg(nCode);
    return QStringLiteral("Unable to open hyperlink:\n\n") + reason;
}
