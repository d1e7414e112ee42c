// Depth map assembly kernel: the level of each displacement, computed once per displacement of the range.
#include "engine/kernels/depth_map_assembly.h"

#include "engine/base/numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

std::uint8_t Level(int dx, int dy, const SDisplacementRange& range, double dMax, bool bRightMap)
{
    const int ny = dy - range.nMinDy;
    const int nx = dx - range.nMinDx;
    const double d = std::sqrt(static_cast<double>(ny * ny + nx * nx));
    // With no displacement but 0 the range has no length: every pixel is at its lower corner.
    const double v = dMax == 0.0 ? 0.0 : d / dMax * 255.0;
    const int n = RoundToInt(v);
    return static_cast<std::uint8_t>(std::clamp(bRightMap ? n : 255 - n, 0, 255));
}

// The levels of every displacement inside the range, by the same
// expression, made once per map (rows come one by one, on one thread).
struct SLevelTable {
    SDisplacementRange range{1, 0, 1, 0}; // empty: made at the first row
    bool bRightMap = false;
    int nColumns = 0;
    std::vector<std::uint8_t> levels;

    const std::uint8_t* Find(int dx, int dy) const
    {
        if (dx < range.nMinDx || dx > range.nMaxDx || dy < range.nMinDy || dy > range.nMaxDy)
            return nullptr;
        return &levels[static_cast<std::size_t>(dy - range.nMinDy) * nColumns + (dx - range.nMinDx)];
    }
};

const SLevelTable& LevelsOf(const SDisplacementRange& r, bool bRightMap)
{
    thread_local SLevelTable table;
    if (table.range.nMinDx == r.nMinDx && table.range.nMaxDx == r.nMaxDx && table.range.nMinDy == r.nMinDy
        && table.range.nMaxDy == r.nMaxDy && table.bRightMap == bRightMap)
        return table;
    table.range = r;
    table.bRightMap = bRightMap;
    table.nColumns = std::max(0, r.nMaxDx - r.nMinDx + 1);
    const int nRows = std::max(0, r.nMaxDy - r.nMinDy + 1);
    table.levels.resize(static_cast<std::size_t>(table.nColumns) * nRows);
    const double dMax = RangeDiagonal(r);
    for (int dy = r.nMinDy; dy <= r.nMaxDy; ++dy)
        for (int dx = r.nMinDx; dx <= r.nMaxDx; ++dx)
            table.levels[static_cast<std::size_t>(dy - r.nMinDy) * table.nColumns + (dx - r.nMinDx)]
                = Level(dx, dy, r, dMax, bRightMap);
    return table;
}

} // namespace

double RangeDiagonal(const SDisplacementRange& r)
{
    const int ny = r.nMaxDy - r.nMinDy;
    const int nx = r.nMaxDx - r.nMinDx;
    return std::sqrt(static_cast<double>(ny * ny + nx * nx));
}

void AssembleDepthRow(const CImage& xd, const CImage& yd, const SDisplacementRange& range, bool bRightMap, CImage& map,
                      int y)
{
    const SLevelTable& table = LevelsOf(range, bRightMap);
    const double dMax = RangeDiagonal(range);
    for (int x = 0; x < map.Width(); ++x) {
        const std::uint8_t* pX = xd.Pixel(x, y);
        const std::uint8_t* pY = yd.Pixel(x, y);
        const int dx = pX[1] - pX[0];
        const int dy = pY[1] - pY[0];
        const std::uint8_t* pLevel = table.Find(dx, dy);
        const std::uint8_t g = pLevel != nullptr ? *pLevel : Level(dx, dy, range, dMax, bRightMap);
        std::uint8_t* pOut = map.Pixel(x, y);
        pOut[0] = pOut[1] = pOut[2] = g;
    }
}
