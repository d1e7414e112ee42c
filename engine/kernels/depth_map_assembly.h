// Depth map assembly: grey levels from the horizontal and vertical displacement images.
#pragma once

#include "engine/base/image.h"

struct SDisplacementRange {
    int nMinDx = 0;
    int nMaxDx = 0;
    int nMinDy = 0;
    int nMaxDy = 0;
};

// Length of the range's diagonal, which the levels are scaled by.
double RangeDiagonal(const SDisplacementRange& range);

// Row y of the depth map (the smaller width and height of xd and yd): the
// length of each displacement measured from the range's lower corner, scaled
// so that the diagonal gives 255, inverted for a left map. A level outside
// 0..255 (images that do not match the range) is clamped.
void AssembleDepthRow(const CImage& xd, const CImage& yd, const SDisplacementRange& range, bool bRightMap, CImage& map,
                      int y);
