// The literal parallax search: candidate order, ties, borders, scores and the row protocol.
#include "engine/parallax_search.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

SSearchResult Search(const CImage& main, const CImage& other, int s, int hp, int vp, CStageHost& host)
{
    CParallaxSearch search;
    SSearchResult result;
    EXPECT_TRUE(search.Run(main, other, {s, hp, vp}, host, result));
    return result;
}

SSearchResult Search(const CImage& main, const CImage& other, int s, int hp, int vp)
{
    CRecordingHost host;
    return Search(main, other, s, hp, vp, host);
}

int Dx(const SSearchResult& r, int x, int y)
{
    return r.xd.Pixel(x, y)[1] - r.xd.Pixel(x, y)[0];
}
int Dy(const SSearchResult& r, int x, int y)
{
    return r.yd.Pixel(x, y)[1] - r.yd.Pixel(x, y)[0];
}

} // namespace

TEST(ParallaxSearch, WithoutParallaxStoresTheMeanColourDifference)
{
    const CImage main = UniformImage(6, 5, 30, 60, 90);
    const CImage other = UniformImage(6, 5, 0, 60, 99);
    const SSearchResult r = Search(main, other, 2, 0, 0);
    // Inside: (30 + 9 + 0) / 3 = 13 per pixel; at the bottom-left corner
    // three of the four fragment pixels are black border in both images.
    EXPECT_EQ(r.xd.Pixel(3, 3)[2], 13);
    EXPECT_EQ(r.xd.Pixel(0, 0)[2], 3);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(Dx(r, x, y), 0);
            EXPECT_EQ(r.yd.Pixel(x, y)[0] + r.yd.Pixel(x, y)[1] + r.yd.Pixel(x, y)[2], 0);
        }
    EXPECT_EQ(r.nMinDx | r.nMaxDx | r.nMinDy | r.nMaxDy, 0);
}

TEST(ParallaxSearch, TiesGoToTheSmallestDyThenTheSmallestDx)
{
    const CImage flat = UniformImage(8, 8, 100, 100, 100);
    const SSearchResult r = Search(flat, flat, 2, 2, 1);
    // In the middle every candidate scores 0; the first, (-2, -1), wins.
    EXPECT_EQ(Dx(r, 4, 4), -2);
    EXPECT_EQ(Dy(r, 4, 4), -1);
    EXPECT_EQ(r.xd.Pixel(4, 4)[0], 2);
    EXPECT_EQ(r.yd.Pixel(4, 4)[0], 1);
    EXPECT_EQ(r.nMinDx, -2);
    EXPECT_EQ(r.nMinDy, -1);
}

TEST(ParallaxSearch, FindsAKnownHorizontalShift)
{
    std::mt19937 random(11);
    const CImage main = RandomImage(40, 20, random);
    const CImage other = ShiftedCopy(main, 3, random); // a point at x lies at x - 3
    const SSearchResult r = Search(main, other, 4, 6, 1);
    for (int y = 4; y < 16; ++y)
        for (int x = 8; x < 32; ++x) {
            ASSERT_EQ(Dx(r, x, y), -3) << x << "," << y;
            ASSERT_EQ(Dy(r, x, y), 0);
            ASSERT_EQ(r.xd.Pixel(x, y)[2], 0);
        }
    EXPECT_LE(r.nMinDx, -3);
}

TEST(ParallaxSearch, AnalysesTheCommonAreaOfDifferentSizes)
{
    std::mt19937 random(5);
    const SSearchResult r = Search(RandomImage(9, 4, random), RandomImage(5, 7, random), 2, 1, 1);
    EXPECT_EQ(r.xd.Width(), 5);
    EXPECT_EQ(r.xd.Height(), 4);
    EXPECT_EQ(r.yd.Width(), 5);
}

TEST(ParallaxSearch, ImagesSmallerThanTheFragmentAreSearchedInTheirBorder)
{
    const CImage pixel = UniformImage(1, 1, 255, 255, 255);
    const SSearchResult r = Search(pixel, pixel, 8, 2, 2);
    ASSERT_EQ(r.xd.Width(), 1);
    EXPECT_EQ(r.xd.Pixel(0, 0)[2], 0);
}

TEST(ParallaxSearch, TwoByTwoFragmentIsThePixelItsLeftNeighbourAndTheRowBelow)
{
    // Only the pixel at (2, 2) differs between the images: it lies in the
    // fragments of positions (2, 2), (3, 2), (2, 3) and (3, 3).
    CImage main = UniformImage(6, 6, 10, 10, 10);
    CImage other = main;
    other.Pixel(2, 2)[0] = 130; // t = 120 -> score 120 / 3 / 4 = 10
    const SSearchResult r = Search(main, other, 2, 0, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            const bool bCovers = (x == 2 || x == 3) && (y == 2 || y == 3);
            EXPECT_EQ(r.xd.Pixel(x, y)[2], bCovers ? 10 : 0) << x << "," << y;
        }
}

TEST(ParallaxSearch, ProtocolIsOneStepAndOnePumpPerRowAndCancelStops)
{
    std::mt19937 random(2);
    const CImage image = RandomImage(7, 5, random);
    CRecordingHost host;
    Search(image, image, 2, 1, 0, host);
    EXPECT_EQ(host.Events(), (std::vector<std::string>{"range: 5", "steps: 5"}));
    EXPECT_EQ(host.m_nPumps, 10); // copying and searching
    CRecordingHost cancelled;
    cancelled.m_bCancelled = true;
    CParallaxSearch search;
    SSearchResult result;
    EXPECT_FALSE(search.Run(image, image, {2, 1, 0}, cancelled, result));
    EXPECT_EQ(cancelled.m_nSteps, 0);
}

// The score adds t * K one product at a time, each product and each sum
// rounded on its own, columns outer and rows inner. A fused multiply-add or
// another order changes the last bit; find values where it does and check
// that the search keeps the written arithmetic.
TEST(ParallaxSearch, ScoreRoundsEveryProductAndKeepsTheSumOrder)
{
    constexpr double K = 0.3333333333333333;
    std::mt19937 random(9);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int nTry = 0; nTry < 100000; ++nTry) {
        const int t[4] = {byte(random), byte(random), byte(random), byte(random)}; // (i, j) = 00, 01, 10, 11
        double plain = 0.0, fused = 0.0, rowsOuter = 0.0;
        for (int n = 0; n < 4; ++n) {
            plain = plain + t[n] * K;
            fused = std::fma(t[n], K, fused);
        }
        for (const int n : {0, 2, 1, 3})
            rowsOuter = rowsOuter + t[n] * K;
        if (plain == fused || plain == rowsOuter)
            continue;
        CImage main(2, 2), other(2, 2);
        main.Pixel(0, 0)[0] = static_cast<std::uint8_t>(t[0]);
        main.Pixel(0, 1)[0] = static_cast<std::uint8_t>(t[1]);
        main.Pixel(1, 0)[0] = static_cast<std::uint8_t>(t[2]);
        main.Pixel(1, 1)[0] = static_cast<std::uint8_t>(t[3]);
        CParallaxSearch search;
        CRecordingHost host;
        SSearchResult result;
        ASSERT_TRUE(search.Run(main, other, {2, 0, 0}, host, result));
        search.m_nPosX = search.m_nPosY = 2; // the pixel (1, 1): its fragment is the whole image
        search.LoadFragment();
        search.LoadSearchWindow();
        EXPECT_EQ(search.FragmentDifference(0, 0), plain / 4.0);
        EXPECT_NE(search.FragmentDifference(0, 0), fused / 4.0);
        EXPECT_NE(search.FragmentDifference(0, 0), rowsOuter / 4.0);
        return;
    }
    FAIL() << "no value set distinguishes the orders";
}

namespace {

// The search read straight off the padded images, with no sliding tables:
// the sliding fragment and window must give the same bits.
SSearchResult DirectSearch(const CImage& main, const CImage& other, int s, int hp, int vp)
{
    const int h = s / 2, w = std::min(main.Width(), other.Width()), ht = std::min(main.Height(), other.Height());
    const auto at = [](const CImage& image, int x, int y, int c) {
        return x >= 0 && y >= 0 && x < image.Width() && y < image.Height() ? int{image.Pixel(x, y)[c]} : 0;
    };
    SSearchResult r{CImage(w, ht), CImage(w, ht)};
    for (int y = 0; y < ht; ++y)
        for (int x = 0; x < w; ++x) {
            double best = 300.0;
            int bestDx = 0, bestDy = 0;
            for (int dy = -vp; dy <= vp; ++dy)
                for (int dx = -hp; dx <= hp; ++dx) {
                    double sum = 0.0;
                    for (int i = 0; i < s; ++i)
                        for (int j = 0; j < s; ++j) {
                            const int mx = x - h + i, my = y - h + j;
                            const bool bInside = mx < w && my < ht; // the padding hides the rest of a larger image
                            int t = 0;
                            for (const int c : {0, 2, 1}) {
                                const int a = bInside ? at(main, mx, my, c) : 0;
                                const int ox = mx + dx, oy = my + dy;
                                const int b = ox < w && oy < ht ? at(other, ox, oy, c) : 0;
                                t += std::abs(a - b);
                            }
                            sum = sum + t * 0.3333333333333333;
                        }
                    const double score = sum / (static_cast<double>(s) * s);
                    if (score < best) {
                        best = score;
                        bestDx = dx;
                        bestDy = dy;
                    }
                }
            r.xd.Pixel(x, y)[bestDx < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(bestDx));
            r.xd.Pixel(x, y)[2] = static_cast<std::uint8_t>(static_cast<int>(best));
            r.yd.Pixel(x, y)[bestDy < 0 ? 0 : 1] = static_cast<std::uint8_t>(std::abs(bestDy));
        }
    return r;
}

} // namespace

TEST(ParallaxSearch, SlidingTablesMatchADirectReadingOfThePaddedImages)
{
    std::mt19937 random(17);
    const struct {
        int w1, h1, w2, h2, s, hp, vp;
    } cases[] = {{17, 9, 17, 9, 2, 3, 2}, {12, 11, 9, 14, 4, 2, 1}, {21, 6, 21, 6, 6, 5, 0}, {5, 4, 5, 4, 8, 1, 3}};
    for (const auto& c : cases) {
        const CImage main = RandomImage(c.w1, c.h1, random);
        CImage other = RandomImage(c.w2, c.h2, random);
        for (int y = 0; y < c.h2; y += 2) // flat stripes give ties
            for (int x = 0; x < c.w2; ++x)
                std::copy_n(main.Pixel(std::min(x, c.w1 - 1), std::min(y, c.h1 - 1)), 3, other.Pixel(x, y));
        const SSearchResult expected = DirectSearch(main, other, c.s, c.hp, c.vp);
        const SSearchResult actual = Search(main, other, c.s, c.hp, c.vp);
        EXPECT_EQ(actual.xd, expected.xd) << c.s << " " << c.hp << " " << c.vp;
        EXPECT_EQ(actual.yd, expected.yd) << c.s << " " << c.hp << " " << c.vp;
    }
}
