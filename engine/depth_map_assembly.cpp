// Depth map assembly kernel.
#include "engine/depth_map_assembly.h"

#include "engine/numeric.h"

#include <algorithm>
#include <cmath>

double RangeDiagonal(const SDisplacementRange& r)
{
    const int ny = r.nMaxDy - r.nMinDy;
    const int nx = r.nMaxDx - r.nMinDx;
    return std::sqrt(static_cast<double>(ny * ny + nx * nx));
}

void AssembleDepthRow(const CImage& xd, const CImage& yd, const SDisplacementRange& range, bool bRightMap, CImage& map,
                      int y)
{
    const double dMax = RangeDiagonal(range);
    for (int x = 0; x < map.Width(); ++x) {
        const std::uint8_t* pX = xd.Pixel(x, y);
        const std::uint8_t* pY = yd.Pixel(x, y);
        const int dx = pX[1] - pX[0];
        const int dy = pY[1] - pY[0];
        const int ny = dy - range.nMinDy;
        const int nx = dx - range.nMinDx;
        const double d = std::sqrt(static_cast<double>(ny * ny + nx * nx));
        // With no displacement but 0 the range has no length: every pixel is at its lower corner.
        const double v = dMax == 0.0 ? 0.0 : d / dMax * 255.0;
        const int n = RoundToInt(v);
        const int g = std::clamp(bRightMap ? n : 255 - n, 0, 255);
        std::uint8_t* pOut = map.Pixel(x, y);
        pOut[0] = pOut[1] = pOut[2] = static_cast<std::uint8_t>(g);
    }
}
