// The gradient image kernel: the operator as written on random images.
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
