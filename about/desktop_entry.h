// SDesktopEntry: the launch keys of an application's desktop entry file, and finding that file by its id.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// What starting an application needs from its desktop entry; the values
// are unescaped, the Exec line still holds its quoting and field codes.
struct SDesktopEntry {
    QString strPath; // the file it was read from
    QString strExec;
    QString strName;
    QString strIcon;
};

// The "Desktop Entry" group of the file at `path`; nothing when the file
// cannot be read or has no Exec key.
std::optional<SDesktopEntry> ReadDesktopEntry(const QString& path);

// The folders that hold desktop entries, most important first: the user's
// data folder, then the system's data folders.
QStringList ApplicationDirs();

// The file of the desktop entry `id` (such as "firefox.desktop") in the
// first of `dirs` that has it; an id whose dashes stand for one sub-folder
// (vendor-name.desktop in vendor/) is found too. Empty when none has it.
QString FindDesktopFile(const QString& id, const QStringList& dirs);
