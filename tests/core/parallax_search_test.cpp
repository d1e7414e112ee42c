// The literal parallax search: scores, fragment, candidate order, ties and the row protocol.
#include "engine/search/parallax_search.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

// Values worked out by hand. Uniform pairs: (30 + 9 + 0) / 3 = 13 per
// pixel inside; at the corner (0, 0) three of the four pixels of the 2 x 2
// fragment are black border in both images. One differing pixel, at (2, 2),
// lies in the fragments of (2, 2), (3, 2), (2, 3) and (3, 3) only: a
// fragment reaches h pixels left and down and h - 1 right and up. Flat
// pairs tie everywhere and the first candidate, (-HP, -VP), wins; a shifted
// copy is found with score 0; a 1 x 1 image lies in the fragment's border.
TEST(ParallaxSearch, FindsKnownDisplacementsAndScores)
{
    std::mt19937 random(11);
    const CImage noise = RandomImage(40, 20, random);
    const CImage flat = UniformImage(6, 6, 10, 10, 10);
    CImage spot = flat;
    spot.Pixel(2, 2)[0] = 130; // t = 120: a score of 120 / 3 / 4 where the fragment holds it
    const struct {
        CImage main, other;
        SSearchSettings settings;
        int x, y, dx, dy, nScore;
    } cases[] = {{UniformImage(6, 5, 30, 60, 90), UniformImage(6, 5, 0, 60, 99), {2, 0, 0}, 3, 3, 0, 0, 13},
                 {UniformImage(6, 5, 30, 60, 90), UniformImage(6, 5, 0, 60, 99), {2, 0, 0}, 0, 0, 0, 0, 3},
                 {flat, spot, {2, 0, 0}, 3, 3, 0, 0, 10},
                 {flat, spot, {2, 0, 0}, 2, 2, 0, 0, 10},
                 {flat, spot, {2, 0, 0}, 4, 3, 0, 0, 0},
                 {flat, spot, {2, 0, 0}, 3, 1, 0, 0, 0},
                 {UniformImage(8, 8, 100, 100, 100), UniformImage(8, 8, 100, 100, 100), {2, 2, 1}, 4, 4, -2, -1, 0},
                 {noise, ShiftedCopy(noise, 3, random), {4, 6, 1}, 20, 10, -3, 0, 0},
                 {UniformImage(1, 1, 255, 255, 255), UniformImage(1, 1, 255, 255, 255), {8, 2, 2}, 0, 0, 0, 0, 0}};
    for (const auto& c : cases) {
        CRecordingHost host;
        SSearchResult r;
        ASSERT_TRUE(CParallaxSearch().Run(c.main, c.other, c.settings, host, r));
        const std::uint8_t *pXd = r.xd.Pixel(c.x, c.y), *pYd = r.yd.Pixel(c.x, c.y);
        // -d or 0, d or 0, and the third byte of "-yd." 0.
        EXPECT_EQ(std::tuple(pXd[1] - pXd[0], pYd[1] - pYd[0], static_cast<int>(pXd[2]),
                             std::min(pXd[0], pXd[1]) + std::min(pYd[0], pYd[1]) + pYd[2],
                             r.nMinDx <= c.dx && c.dx <= r.nMaxDx && r.nMinDy <= c.dy && c.dy <= r.nMaxDy),
                  std::tuple(c.dx, c.dy, c.nScore, 0, true))
            << c.x << ", " << c.y;
    }
}

// The score adds t * K one product at a time, each product and each sum
// rounded on its own, columns outer and rows inner: for t = 83, 147, 98, 86
// at (0, 0), (0, 1), (1, 0), (1, 1) that is 137.99999999999997, where a
// fused multiply-add or the rows outer give 138.
TEST(ParallaxSearch, ScoreRoundsEveryProductAndKeepsTheSumOrder)
{
    CImage main(2, 2), other(2, 2);
    for (const auto& [x, y, t] : {std::tuple(0, 0, 83), {0, 1, 147}, {1, 0, 98}, {1, 1, 86}})
        main.Pixel(x, y)[0] = static_cast<std::uint8_t>(t);
    CParallaxSearch search;
    CRecordingHost host;
    SSearchResult result;
    ASSERT_TRUE(search.Run(main, other, {2, 0, 0}, host, result));
    search.m_nPosX = search.m_nPosY = 2; // the pixel (1, 1): its fragment is the whole image
    search.LoadFragment();
    search.LoadSearchWindow();
    EXPECT_EQ(search.FragmentDifference(0, 0), 137.99999999999997 / 4.0);
}
