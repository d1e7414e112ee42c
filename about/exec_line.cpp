// The HTML program's registered command line: cut before the address placeholder, split into arguments.
#include "about/exec_line.h"

#include <algorithm>

namespace {

bool IsPlaceholderCode(QChar code)
{
    return code == u'1' || code == u'u' || code == u'U' || code == u'f' || code == u'F';
}

// The position of the opening quote of the first "%X" placeholder, or -1.
qsizetype FindQuotedPlaceholder(const QString& line)
{
    for (qsizetype i = 0; i + 3 < line.size(); ++i) {
        if (line[i] == u'"' && line[i + 1] == u'%' && IsPlaceholderCode(line[i + 2]) && line[i + 3] == u'"')
            return i;
    }
    return -1;
}

// The position of the first bare %X placeholder, or -1.
qsizetype FindBarePlaceholder(const QString& line)
{
    for (qsizetype i = 0; i + 1 < line.size(); ++i) {
        if (line[i] != u'%')
            continue;
        if (IsPlaceholderCode(line[i + 1]))
            return i;
        if (line[i + 1] == u'%')
            ++i;
    }
    return -1;
}

bool IsEscapableInQuotes(QChar ch)
{
    return ch == u'"' || ch == u'`' || ch == u'$' || ch == u'\\';
}

// One argument with its field codes replaced; `bDropped` tells whether it
// held a code that expanded to nothing.
QString ExpandArgument(const QString& arg, const SDesktopEntry& entry, bool& bDropped)
{
    QString result;
    for (qsizetype i = 0; i < arg.size(); ++i) {
        if (arg[i] != u'%' || i + 1 == arg.size()) {
            result += arg[i];
            continue;
        }
        const QChar code = arg[++i];
        if (code == u'%')
            result += u'%';
        else if (code == u'c')
            result += entry.strName;
        else if (code == u'k')
            result += entry.strPath;
        else
            bDropped = true;
    }
    return result;
}

} // namespace

QString CutAtPlaceholder(const QString& commandLine)
{
    qsizetype nCut = FindQuotedPlaceholder(commandLine);
    if (nCut < 0)
        nCut = FindBarePlaceholder(commandLine);
    return nCut < 0 ? commandLine : commandLine.left(nCut);
}

std::optional<QStringList> SplitExecLine(const QString& execLine)
{
    QStringList args;
    QString current;
    bool bInArgument = false;
    bool bQuoted = false;
    for (qsizetype i = 0; i < execLine.size(); ++i) {
        const QChar ch = execLine[i];
        if (bQuoted) {
            if (ch == u'"')
                bQuoted = false;
            else if (ch == u'\\' && i + 1 < execLine.size() && IsEscapableInQuotes(execLine[i + 1]))
                current += execLine[++i];
            else
                current += ch;
        } else if (ch == u' ' || ch == u'\t') {
            if (bInArgument)
                args << current;
            current.clear();
            bInArgument = false;
        } else {
            bInArgument = true;
            if (ch == u'"')
                bQuoted = true;
            else
                current += ch;
        }
    }
    if (bQuoted)
        return std::nullopt;
    if (bInArgument)
        args << current;
    return args;
}

QStringList ExpandFieldCodes(const QStringList& args, const SDesktopEntry& entry)
{
    QStringList result;
    for (const QString& arg : args) {
        if (arg == u"%i") {
            if (!entry.strIcon.isEmpty())
                result << QStringLiteral("--icon") << entry.strIcon;
            continue;
        }
        bool bDropped = false;
        const QString expanded = ExpandArgument(arg, entry, bDropped);
        if (!expanded.isEmpty() || !bDropped)
            result << expanded;
    }
    return result;
}

std::optional<QStringList> CommandForTarget(const SDesktopEntry& entry, const QString& target)
{
    const std::optional<QStringList> args = SplitExecLine(CutAtPlaceholder(entry.strExec));
    if (!args)
        return std::nullopt;
    QStringList command = ExpandFieldCodes(*args, entry);
    if (command.isEmpty() || command.first().isEmpty())
        return std::nullopt;
    command << target;
    return command;
}
