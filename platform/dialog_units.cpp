// Dialog units: converting template positions to pixels from the dialog font's metrics.
#include "platform/dialog_units.h"

#include <QFont>
#include <QFontMetrics>

#include <cmath>

SDialogBaseUnits FontBaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int nLetters
        = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {static_cast<double>((nLetters / 26 + 1) / 2), metrics.height()};
}

int MapDialogX(int x, const SDialogBaseUnits& units)
{
    return static_cast<int>(std::floor(x * units.dX / 4.0 + 0.5));
}

int MapDialogY(int y, const SDialogBaseUnits& units)
{
    return static_cast<int>(std::floor(y * units.nY / 8.0 + 0.5));
}

QRect MapDialogRect(int x, int y, int cx, int cy, const SDialogBaseUnits& units)
{
    const int nLeft = MapDialogX(x, units);
    const int nTop = MapDialogY(y, units);
    return {nLeft, nTop, MapDialogX(x + cx, units) - nLeft, MapDialogY(y + cy, units) - nTop};
}
