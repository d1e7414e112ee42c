// The gradient image kernel: operator, borders and the limit at strong corners.
#include "engine/gradient_image.h"
#include "engine/numeric.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

void Fill(CImage& image, int x, int y, std::uint8_t value)
{
    std::uint8_t* p = image.Pixel(x, y);
    p[0] = p[1] = p[2] = value;
}

// The operator as written: sums of three bytes, differences truncated, the
// magnitude through pow, rounded and limited to 255.
int LiteralGradientByte(const CImage& source, int x, int y, int c)
{
    const auto at = [&](int col, int row) { return static_cast<int>(source.Pixel(col, row)[c]); };
    const int gx
        = (at(x - 1, y - 1) + at(x - 1, y) + at(x - 1, y + 1) - at(x + 1, y - 1) - at(x + 1, y) - at(x + 1, y + 1)) / 3;
    const int gy
        = (at(x - 1, y - 1) + at(x, y - 1) + at(x + 1, y - 1) - at(x - 1, y + 1) - at(x, y + 1) - at(x + 1, y + 1)) / 3;
    return std::min(RoundToInt(std::pow(std::pow(gy, 2.0) + std::pow(gx, 2.0), 0.5)), 255);
}

} // namespace

// Noise and images of only 0 and 255 (every extreme of Gx and Gy) against the operator as written.
TEST(GradientImage, MatchesTheLiteralOperatorOnRandomImages)
{
    std::mt19937 random(11);
    for (int nCase = 0; nCase < 40; ++nCase) {
        CImage image = RandomImage(3 + nCase % 7, 3 + nCase / 7, random);
        if (nCase % 2 == 1)
            for (int y = 0; y < image.Height(); ++y)
                for (std::uint8_t& b : image.Row(y))
                    b = b < 128 ? 0 : 255;
        const CImage gradient = ComputeGradientImage(image);
        for (int y = 1; y < image.Height() - 1; ++y)
            for (int x = 1; x < image.Width() - 1; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(gradient.Pixel(x, y)[c], LiteralGradientByte(image, x, y, c))
                        << nCase << " " << x << "," << y;
    }
}

TEST(GradientImage, UniformImageGivesBlack)
{
    const CImage gradient = ComputeGradientImage(UniformImage(9, 7, 40, 90, 200));
    EXPECT_EQ(gradient, CImage(9, 7));
}

TEST(GradientImage, VerticalEdgeLightsTheTwoColumnsBesideIt)
{
    CImage image(8, 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 4; x < 8; ++x)
            Fill(image, x, y, 255);
    const CImage gradient = ComputeGradientImage(image);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool bLit = (x == 3 || x == 4) && y >= 1 && y <= 3;
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(gradient.Pixel(x, y)[c], bLit ? 255 : 0) << x << "," << y;
        }
}

TEST(GradientImage, StrongCornerStaysWhiteInsteadOfWrapping)
{
    // Column x-1 is 255, column x+1 is 0, the middle column is 255 below and
    // 0 above: Gx = 255, Gy = 85, m = 268.8, which must not wrap to 13.
    CImage image(3, 3);
    for (int y = 0; y < 3; ++y)
        Fill(image, 0, y, 255);
    Fill(image, 1, 0, 255);
    const CImage gradient = ComputeGradientImage(image);
    EXPECT_EQ(gradient.Pixel(1, 1)[0], 255);
    EXPECT_EQ(gradient.Pixel(1, 1)[2], 255);
}

TEST(GradientImage, DirectionalSumsAreTruncatedBeforeTheMagnitude)
{
    // Column x-1 sums to 2 in blue only: Gx = 2 / 3 = 0, so blue stays 0;
    // green sums to 5: Gx = 1, Gy = 0 -> 1.
    CImage image(3, 3);
    image.Pixel(0, 1)[0] = 2;
    image.Pixel(0, 1)[1] = 5;
    const CImage gradient = ComputeGradientImage(image);
    EXPECT_EQ(gradient.Pixel(1, 1)[0], 0);
    EXPECT_EQ(gradient.Pixel(1, 1)[1], 1);
}

TEST(GradientImage, ImagesWithoutInteriorStayBlack)
{
    std::mt19937 random(3);
    for (const auto& [w, h] : {std::pair{5, 1}, {5, 2}, {1, 5}, {2, 5}}) {
        const CImage gradient = ComputeGradientImage(RandomImage(w, h, random));
        EXPECT_EQ(gradient, CImage(w, h)) << w << "x" << h;
    }
}

TEST(GradientImage, BordersAreBlackAndEachByteUsesItsOwnChannel)
{
    std::mt19937 random(7);
    const CImage source = RandomImage(12, 10, random);
    const CImage gradient = ComputeGradientImage(source);
    for (int x = 0; x < 12; ++x)
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(gradient.Pixel(x, 0)[c], 0);
            EXPECT_EQ(gradient.Pixel(x, 9)[c], 0);
        }
    CImage blueOnly = source;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            blueOnly.Pixel(x, y)[1] = blueOnly.Pixel(x, y)[2] = 0;
    const CImage blueGradient = ComputeGradientImage(blueOnly);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            EXPECT_EQ(blueGradient.Pixel(x, y)[0], gradient.Pixel(x, y)[0]);
}
