// Working-scale reduction and bilinear enlargement.
#include "engine/base/numeric.h"
#include "engine/kernels/working_scale.h"
#include "engine/search/parallax_search.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <cstring>

// The parallax limits at the working scale: divided by the speed factor, halves rounded up.
TEST(WorkingScale, ParallaxLimitsAreDividedAndRounded)
{
    for (const auto& [nLimit, nFactor, nWorking] :
         {std::tuple{5, 2, 3}, {3, 2, 2}, {7, 3, 2}, {128, 10, 13}, {9, 1, 9}}) {
        SDepthMapSettings settings;
        settings.m_nMaxParallaxX = nLimit, settings.m_nMaxParallaxY = 128 - nLimit, settings.m_nSpeedFactor = nFactor;
        const SSearchSettings working = WorkingSearchSettings(settings);
        EXPECT_EQ(std::tuple(working.nMaxParallaxX, working.nMaxParallaxY),
                  std::tuple(nWorking, RoundToInt((128 - nLimit) / static_cast<double>(nFactor))));
    }
}

// A source smaller than the factor has no whole block, and gives no pixels.
TEST(ReduceImage, KeepsTheLowerLeftPixelOfEveryWholeBlock)
{
    std::mt19937 random(1);
    const CImage source = RandomImage(641, 480, random);
    const CImage reduced = ReduceImageBy(source, 3);
    ASSERT_EQ(std::pair(reduced.Width(), reduced.Height()), std::pair(213, 160));
    for (const auto& [i, j] : {std::pair{0, 0}, {212, 159}, {100, 37}})
        EXPECT_EQ(std::memcmp(reduced.Pixel(i, j), source.Pixel(3 * i, 3 * j), 3), 0) << i << "," << j;
    EXPECT_TRUE(ReduceImageBy(CImage(2, 9), 3).IsEmpty());
}

// A cell between each two neighbouring pixels: one cell less than the factor times the source each way. Halves
// round up (50.5 gives 51), and a uniform map stays uniform.
TEST(EnlargeImage, InterpolatesEachCellBilinearlyRoundingHalvesUp)
{
    CImage source(2, 2);
    source.Pixel(1, 0)[0] = 101, source.Pixel(0, 1)[0] = 200;
    source.Pixel(1, 1)[1] = 99; // only byte 0 is read
    const CImage enlarged = EnlargeImageBy(source, 2);
    EXPECT_EQ(std::vector<int>(enlarged.Bytes().begin(), enlarged.Bytes().end()),
              (std::vector<int>{0, 0, 0, 51, 51, 51, 100, 100, 100, 75, 75, 75}));
    EXPECT_EQ(EnlargeImageBy(UniformImage(5, 4, 77, 77, 77), 4), UniformImage(16, 12, 77, 77, 77));
}
