// SDesktopEntry: reading the launch keys of a desktop entry file and finding the file by its id.
#include "about/desktop_entry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

namespace {

// The escapes a desktop entry's string values may hold: \s, \n, \t, \r, \\.
QString UnescapeValue(const QString& value)
{
    QString result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar ch = value[i];
        if (ch != u'\\' || i + 1 == value.size()) {
            result += ch;
            continue;
        }
        const QChar next = value[++i];
        if (next == u's')
            result += u' ';
        else if (next == u'n')
            result += u'\n';
        else if (next == u't')
            result += u'\t';
        else if (next == u'r')
            result += u'\r';
        else if (next == u'\\')
            result += u'\\';
        else
            result += QString(u'\\') + next; // not an escape of this level
    }
    return result;
}

void SetKey(SDesktopEntry& entry, QStringView key, const QString& value)
{
    if (key == u"Exec")
        entry.strExec = UnescapeValue(value);
    else if (key == u"Name")
        entry.strName = UnescapeValue(value);
    else if (key == u"Icon")
        entry.strIcon = UnescapeValue(value);
}

QString DataDirFromEnv(const char* name, const QString& fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

} // namespace

std::optional<SDesktopEntry> ReadDesktopEntry(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    SDesktopEntry entry{path, {}, {}, {}};
    bool bInGroup = false;
    QTextStream stream(&file);
    QString line;
    while (stream.readLineInto(&line)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u'[')) {
            bInGroup = trimmed == u"[Desktop Entry]";
            continue;
        }
        const qsizetype nEquals = trimmed.indexOf(u'=');
        if (!bInGroup || trimmed.startsWith(u'#') || nEquals <= 0)
            continue;
        SetKey(entry, QStringView(trimmed).left(nEquals).trimmed(), trimmed.mid(nEquals + 1).trimmed());
    }
    if (entry.strExec.isEmpty())
        return std::nullopt;
    return entry;
}

QStringList ApplicationDirs()
{
    const QString home = DataDirFromEnv("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
    const QString system = DataDirFromEnv("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
    QStringList dirs;
    for (const QString& dir : QStringList{home} + system.split(u':', Qt::SkipEmptyParts))
        dirs << QDir::cleanPath(dir + QStringLiteral("/applications"));
    return dirs;
}

QString FindDesktopFile(const QString& id, const QStringList& dirs)
{
    // An id never names a path of its own.
    if (id.isEmpty() || id.contains(u'/') || id.startsWith(u'.'))
        return {};
    QStringList names{id};
    for (qsizetype i = id.indexOf(u'-'); i > 0; i = id.indexOf(u'-', i + 1))
        names << id.left(i) + u'/' + id.mid(i + 1);
    for (const QString& dir : dirs) {
        for (const QString& name : names) {
            const QString path = dir + u'/' + name;
            if (QFileInfo(path).isFile())
                return path;
        }
    }
    return {};
}
