// Dialog units: converting template positions to pixels from the dialog font's metrics.
#pragma once

#include <QRect>

class QFont;
struct SControlTemplate;

// Pixels per four horizontal and per eight vertical dialog units. The
// horizontal unit is a double because a dialog may widen it so that every
// text fits a font wider than the one the template was drawn for.
struct SDialogBaseUnits {
    double dX = 0;
    int nY = 0;
};

// The base units of a font, as the desktops with dialog templates compute
// them: the average width of the 52 letters, rounded, and the font height.
SDialogBaseUnits FontBaseUnits(const QFont& font);

// x * base / 4 and y * base / 8, rounded to the nearest pixel.
int MapDialogX(int x, const SDialogBaseUnits& units);
int MapDialogY(int y, const SDialogBaseUnits& units);
// Each edge is converted on its own, so neighbouring controls stay flush.
QRect MapDialogRect(int x, int y, int cx, int cy, const SDialogBaseUnits& units);
