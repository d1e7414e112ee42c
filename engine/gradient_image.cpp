// The gradient (edge) image kernel.
#include "engine/gradient_image.h"

#include "engine/numeric.h"

#include <algorithm>
#include <cmath>

namespace {

int GradientByte(const CImage& source, int x, int y, int c)
{
    const auto at = [&](int col, int row) { return static_cast<int>(source.Pixel(col, row)[c]); };
    const int left = at(x - 1, y - 1) + at(x - 1, y) + at(x - 1, y + 1);
    const int right = at(x + 1, y - 1) + at(x + 1, y) + at(x + 1, y + 1);
    const int below = at(x - 1, y - 1) + at(x, y - 1) + at(x + 1, y - 1);
    const int above = at(x - 1, y + 1) + at(x, y + 1) + at(x + 1, y + 1);
    const int gx = (left - right) / 3;
    const int gy = (below - above) / 3;
    const double m = std::pow(std::pow(gy, 2.0) + std::pow(gx, 2.0), 0.5);
    // A strong corner reaches about 268.8; it stays white rather than wrapping to dark.
    return std::min(RoundToInt(m), 255);
}

} // namespace

void ComputeGradientRow(const CImage& source, CImage& gradient, int y)
{
    if (y < 1 || y > source.Height() - 2)
        return;
    for (int x = 1; x <= source.Width() - 2; ++x) {
        std::uint8_t* pOut = gradient.Pixel(x, y);
        for (int c = 0; c < 3; ++c)
            pOut[c] = static_cast<std::uint8_t>(GradientByte(source, x, y, c));
    }
}

CImage ComputeGradientImage(const CImage& source)
{
    CImage gradient(source.Width(), source.Height());
    for (int y = 1; y <= source.Height() - 2; ++y)
        ComputeGradientRow(source, gradient, y);
    return gradient;
}
