// Depth map assembly: levels from displacements and the recorded range.
#include "engine/kernels/depth_map_assembly.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

namespace {

// The levels of one row of displacements (dx, dy).
std::vector<int> Levels(const std::vector<std::pair<int, int>>& row, const SDisplacementRange& range, bool bRightMap)
{
    const int nWidth = static_cast<int>(row.size());
    CImage xd(nWidth, 1), yd(nWidth, 1), map(nWidth, 1);
    std::vector<int> levels;
    for (int x = 0; x < nWidth; ++x) {
        const auto [dx, dy] = row[x];
        xd.Pixel(x, 0)[dx < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(dx));
        yd.Pixel(x, 0)[dy < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(dy));
        xd.Pixel(x, 0)[2] = 200; // the score byte has no influence
    }
    AssembleDepthRow(xd, yd, range, bRightMap, map, 0);
    for (int x = 0; x < nWidth; ++x) {
        EXPECT_EQ(map.Pixel(x, 0)[0], map.Pixel(x, 0)[2]);
        levels.push_back(map.Pixel(x, 0)[0]);
    }
    return levels;
}

} // namespace

// Independent values: the length from the range's lower corner scaled so
// that the diagonal (15.8114 here) gives 255, inverted for a left map, also
// below the range; an exact half rounds up; an empty range gives the lower
// corner; beyond the diagonal the level is clamped.
TEST(DepthMapAssembly, KnownDisplacementsGiveTheirLevels)
{
    EXPECT_NEAR(RangeDiagonal({-10, 5, -2, 3}), 15.8114, 1e-4);
    const struct {
        SDisplacementRange range;
        std::vector<std::pair<int, int>> row;
        std::vector<int> left, right;
    } cases[] = {{{-10, 5, -2, 3},
                  {{0, 0}, {-3, 1}, {5, -2}, {-10, -2}, {5, 3}, {-12, 0}},
                  {91, 132, 13, 255, 0, 209},
                  {164, 123, 242, 0, 255, 46}},
                 {{0, 2, 0, 0}, {{1, 0}, {9, 0}}, {127, 0}, {128, 255}},
                 {{}, {{0, 0}}, {255}, {0}}};
    for (const auto& c : cases)
        EXPECT_EQ(std::pair(Levels(c.row, c.range, false), Levels(c.row, c.range, true)), std::pair(c.left, c.right));
}
