// The gradient image kernel: the operator as written on random images, and known neighbourhoods.
#include "engine/base/numeric.h"
#include "engine/kernels/gradient_image.h"
#include "support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

// The operator as written: sums of three bytes, differences truncated, the
// magnitude through pow, rounded and limited to 255; borders black.
int LiteralGradientByte(const CImage& source, int x, int y, int c)
{
    if (x < 1 || y < 1 || x > source.Width() - 2 || y > source.Height() - 2)
        return 0;
    const auto at = [&](int col, int row) { return static_cast<int>(source.Pixel(col, row)[c]); };
    const int gx
        = (at(x - 1, y - 1) + at(x - 1, y) + at(x - 1, y + 1) - at(x + 1, y - 1) - at(x + 1, y) - at(x + 1, y + 1)) / 3;
    const int gy
        = (at(x - 1, y - 1) + at(x, y - 1) + at(x + 1, y - 1) - at(x - 1, y + 1) - at(x, y + 1) - at(x + 1, y + 1)) / 3;
    return std::min(RoundToInt(std::pow(std::pow(gy, 2.0) + std::pow(gx, 2.0), 0.5)), 255);
}

} // namespace

// Noise, and images of only 0 and 255 (every extreme of Gx and Gy), of
// every size from 1 x 1 on, borders and all.
TEST(GradientImage, MatchesTheLiteralOperatorOnRandomImages)
{
    std::mt19937 random(11);
    for (int nCase = 0; nCase < 60; ++nCase) {
        CImage image = RandomImage(1 + nCase % 9, 1 + nCase / 9, random);
        if (nCase % 2 == 1)
            for (int y = 0; y < image.Height(); ++y)
                for (std::uint8_t& b : image.Row(y))
                    b = b < 128 ? 0 : 255;
        const CImage gradient = ComputeGradientImage(image);
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(gradient.Pixel(x, y)[c], LiteralGradientByte(image, x, y, c))
                        << nCase << " " << x << "," << y;
    }
}

// Known values: a vertical edge lights the two columns beside it; sums are
// truncated before the magnitude (2 / 3 = 0, 5 / 3 = 1); a strong corner
// (Gx = 255, Gy = 85, m = 268.8) stays white instead of wrapping to 13.
TEST(GradientImage, KnownNeighbourhoodsGiveTheirBytes)
{
    CImage edge(4, 3), weak(3, 3), corner(3, 3);
    for (int y = 0; y < 3; ++y)
        std::fill_n(edge.Pixel(2, y), 6, 255), std::fill_n(corner.Pixel(0, y), 3, 255);
    std::fill_n(corner.Pixel(1, 0), 3, 255);
    weak.Pixel(0, 1)[0] = 2, weak.Pixel(0, 1)[1] = 5;
    const auto at
        = [](const CImage& image, int x, int y, int c) -> int { return ComputeGradientImage(image).Pixel(x, y)[c]; };
    EXPECT_EQ((std::vector{at(edge, 1, 1, 0), at(edge, 2, 1, 2), at(edge, 1, 0, 0), at(weak, 1, 1, 0),
                           at(weak, 1, 1, 1), at(corner, 1, 1, 1)}),
              (std::vector{255, 255, 0, 0, 1, 255}));
}
