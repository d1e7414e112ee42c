// Depth map assembly: levels from displacements and the recorded range.
#include "engine/depth_map_assembly.h"
#include "engine/numeric.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

// One pixel's level for a displacement (dx, dy).
int Level(int dx, int dy, const SDisplacementRange& range, bool bRightMap)
{
    CImage xd(1, 1), yd(1, 1), map(1, 1);
    xd.Pixel(0, 0)[dx < 0 ? 0 : 1] = static_cast<std::uint8_t>(dx < 0 ? -dx : dx);
    yd.Pixel(0, 0)[dy < 0 ? 0 : 1] = static_cast<std::uint8_t>(dy < 0 ? -dy : dy);
    xd.Pixel(0, 0)[2] = 200; // the score byte has no influence
    AssembleDepthRow(xd, yd, range, bRightMap, map, 0);
    EXPECT_EQ(map.Pixel(0, 0)[0], map.Pixel(0, 0)[2]);
    return map.Pixel(0, 0)[0];
}

} // namespace

// Independent values: the length from the range's lower corner scaled so
// that the diagonal (15.8114 here) gives 255, inverted for a left map; an
// exact half rounds up; an empty range gives the lower corner; outside the
// range the level is clamped.
TEST(DepthMapAssembly, KnownDisplacementsGiveTheirLevels)
{
    EXPECT_NEAR(RangeDiagonal({-10, 5, -2, 3}), 15.8114, 1e-4);
    const struct {
        SDisplacementRange range;
        int dx, dy, left, right;
    } cases[] = {{{-10, 5, -2, 3}, 0, 0, 91, 164},
                 {{-10, 5, -2, 3}, -3, 1, 132, 123},
                 {{-10, 5, -2, 3}, 5, -2, 13, 242},
                 {{-10, 5, -2, 3}, -10, -2, 255, 0},
                 {{-10, 5, -2, 3}, 5, 3, 0, 255},
                 {{0, 2, 0, 0}, 1, 0, 127, 128},
                 {{}, 0, 0, 255, 0},
                 {{0, 2, 0, 0}, 9, 0, 0, 255}};
    for (const auto& c : cases) {
        EXPECT_EQ(Level(c.dx, c.dy, c.range, false), c.left) << c.dx << "," << c.dy;
        EXPECT_EQ(Level(c.dx, c.dy, c.range, true), c.right) << c.dx << "," << c.dy;
    }
}

// Whole rows, displacements inside and outside random ranges, against the level as written.
TEST(DepthMapAssembly, RowsMatchTheLevelAsWrittenForRandomRanges)
{
    std::mt19937 random(5);
    std::uniform_int_distribution<int> offset(-40, 40), span(0, 30);
    for (int nCase = 0; nCase < 30; ++nCase) {
        SDisplacementRange range;
        range.nMinDx = offset(random), range.nMaxDx = range.nMinDx + span(random);
        range.nMinDy = offset(random), range.nMaxDy = range.nMinDy + span(random) / 3;
        const bool bRightMap = nCase % 2 == 0;
        CImage xd(50, 1), yd(50, 1), map(50, 1);
        for (int x = 0; x < 50; ++x) {
            const int dx = range.nMinDx - 3 + static_cast<int>(random() % (range.nMaxDx - range.nMinDx + 7));
            const int dy = range.nMinDy - 1 + static_cast<int>(random() % (range.nMaxDy - range.nMinDy + 3));
            xd.Pixel(x, 0)[dx < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(dx));
            yd.Pixel(x, 0)[dy < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(dy));
        }
        AssembleDepthRow(xd, yd, range, bRightMap, map, 0);
        const double dMax
            = std::sqrt(std::pow(range.nMaxDy - range.nMinDy, 2.0) + std::pow(range.nMaxDx - range.nMinDx, 2.0));
        for (int x = 0; x < 50; ++x) {
            const int dx = xd.Pixel(x, 0)[1] - xd.Pixel(x, 0)[0], dy = yd.Pixel(x, 0)[1] - yd.Pixel(x, 0)[0];
            const double d = std::sqrt(std::pow(dy - range.nMinDy, 2.0) + std::pow(dx - range.nMinDx, 2.0));
            const int n = RoundToInt(dMax == 0.0 ? 0.0 : d / dMax * 255.0);
            ASSERT_EQ(map.Pixel(x, 0)[0], std::clamp(bRightMap ? n : 255 - n, 0, 255))
                << nCase << " " << dx << "," << dy;
        }
    }
}
