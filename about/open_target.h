// Opening a link's target: the desktop's opener, then the registered HTML program; the texts of failures.
#pragma once

#include <QString>

// Result codes of opening a target, as the link label knows them: above 32
// when the target was opened, else a code of the "Unable to open
// hyperlink:" table.
inline constexpr int kTargetOpened = 33;
inline constexpr int kNoAssociation = 31;
inline constexpr int kAssociationInvalid = 27;

// Opens `target` with the desktop's default opener or, when that fails,
// with the program registered for HTML files; returns the result code.
int OpenLinkTarget(const QString& target);

// The result code for an errno met while starting a program (0 when it
// started); an errno the table has no text for becomes its negative, so
// that it cannot be taken for a listed code.
int OpenCodeFromErrno(int nError);

// "Unable to open hyperlink:", an empty line, and the text for `nCode`.
QString OpenErrorText(int nCode);
