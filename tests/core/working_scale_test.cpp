// Working-scale reduction and bilinear enlargement.
#include "engine/working_scale.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

TEST(ReduceImage, KeepsTheLowerLeftPixelOfEveryBlock)
{
    std::mt19937 random(1);
    const CImage source = RandomImage(641, 480, random);
    const CImage reduced = ReduceImageBy(source, 3);
    ASSERT_EQ(reduced.Width(), 213);
    ASSERT_EQ(reduced.Height(), 160);
    for (const auto& [i, j] : {std::pair{0, 0}, {212, 159}, {100, 37}})
        for (int c = 0; c < 3; ++c)
            EXPECT_EQ(reduced.Pixel(i, j)[c], source.Pixel(3 * i, 3 * j)[c]);
}

TEST(ReduceImage, SourceSmallerThanTheFactorGivesNoPixels)
{
    EXPECT_TRUE(ReduceImageBy(CImage(2, 9), 3).IsEmpty());
}

TEST(EnlargeImage, SizeIsOneCellLessThanTheFactorTimesTheSource)
{
    const CImage enlarged = EnlargeImageBy(CImage(213, 160), 3);
    EXPECT_EQ(enlarged.Width(), 636);
    EXPECT_EQ(enlarged.Height(), 477);
}

TEST(EnlargeImage, InterpolatesEachCellBilinearly)
{
    CImage source(2, 2);
    source.Pixel(0, 0)[0] = 0;
    source.Pixel(1, 0)[0] = 100;
    source.Pixel(0, 1)[0] = 200;
    source.Pixel(1, 1)[0] = 0;
    source.Pixel(1, 1)[1] = 99; // only byte 0 is read
    const CImage enlarged = EnlargeImageBy(source, 2);
    ASSERT_EQ(enlarged.Width(), 2);
    EXPECT_EQ(enlarged.Pixel(0, 0)[0], 0);
    EXPECT_EQ(enlarged.Pixel(1, 0)[0], 50);
    EXPECT_EQ(enlarged.Pixel(0, 1)[0], 100);
    EXPECT_EQ(enlarged.Pixel(1, 1)[0], 75);
    EXPECT_EQ(enlarged.Pixel(1, 1)[1], 75);
    EXPECT_EQ(enlarged.Pixel(1, 1)[2], 75);
}

TEST(EnlargeImage, RoundsHalvesUpAndKeepsUniformMapsUniform)
{
    CImage source(2, 2);
    source.Pixel(1, 0)[0] = 1; // at k = 1 of 2: 0.5 -> 1
    EXPECT_EQ(EnlargeImageBy(source, 2).Pixel(1, 0)[0], 1);
    const CImage uniform = EnlargeImageBy(UniformImage(5, 4, 77, 77, 77), 4);
    EXPECT_EQ(uniform, UniformImage(16, 12, 77, 77, 77));
}
