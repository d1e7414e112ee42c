// The HTML program's registered command line: cut before the address placeholder, split into arguments.
#pragma once

#include "about/desktop_entry.h"

#include <QString>
#include <QStringList>

#include <optional>

// The part of a registered command line that comes before the address: cut
// at the opening quote of the first quoted placeholder ("%1", or one of the
// desktop entry's "%u", "%U", "%f", "%F"); else at the first bare
// placeholder; else the whole line. "%%" is a percent sign, no placeholder.
QString CutAtPlaceholder(const QString& commandLine);

// The arguments of an Exec line by the desktop entry's quoting rules:
// separated by spaces, a double-quoted part taken whole, with \", \`, \$
// and \\ inside quotes standing for the character. Nothing when a quote is
// left open.
std::optional<QStringList> SplitExecLine(const QString& execLine);

// The arguments with the desktop entry's field codes replaced: %% by %, %c
// by the name, %k by the entry's file, a lone %i by "--icon" and the icon;
// every other code is dropped, and an argument that was only codes with it.
QStringList ExpandFieldCodes(const QStringList& args, const SDesktopEntry& entry);

// The program and arguments that open `target` with the entry's program:
// its Exec line cut before the placeholder, split and expanded, with the
// target as one more argument. Nothing when the line is malformed or names
// no program.
std::optional<QStringList> CommandForTarget(const SDesktopEntry& entry, const QString& target);
