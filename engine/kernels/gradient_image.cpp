// The gradient (edge) image kernel: sums of three bytes, truncated differences, the magnitude from a table.
#include "engine/kernels/gradient_image.h"

#include "engine/base/numeric.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Gx and Gy are whole numbers from -255 to 255, so the magnitude
// (Gy^2 + Gx^2)^0.5 depends only on the whole number k = Gy^2 + Gx^2, which
// the double sum of the two squares holds exactly. The byte of every k is
// computed once, by the same expression; from k = 65281 on the rounded
// magnitude is at least 256 and the byte is 255.
constexpr int kTableSize = 65536;

const std::array<std::uint8_t, kTableSize>& MagnitudeBytes()
{
    static const std::array<std::uint8_t, kTableSize> table = [] {
        std::array<std::uint8_t, kTableSize> bytes{};
        for (int k = 0; k < kTableSize; ++k)
            bytes[k] = static_cast<std::uint8_t>(std::min(RoundToInt(std::pow(static_cast<double>(k), 0.5)), 255));
        return bytes;
    }();
    return table;
}

} // namespace

void ComputeGradientRow(const CImage& source, CImage& gradient, int y)
{
    if (y < 1 || y > source.Height() - 2 || source.Width() < 3)
        return;
    const std::uint8_t* pBelow = source.Row(y - 1).data();
    const std::uint8_t* pMiddle = source.Row(y).data();
    const std::uint8_t* pAbove = source.Row(y + 1).data();
    const std::size_t nBytes = source.Pitch();
    // Column sums over the three rows, one per byte.
    thread_local std::vector<int> columns;
    columns.resize(nBytes);
    for (std::size_t i = 0; i < nBytes; ++i)
        columns[i] = pBelow[i] + pMiddle[i] + pAbove[i];
    const std::array<std::uint8_t, kTableSize>& magnitude = MagnitudeBytes();
    std::uint8_t* pOut = gradient.Row(y).data();
    for (std::size_t i = 3; i + 3 < nBytes; ++i) {
        const int gx = (columns[i - 3] - columns[i + 3]) / 3;
        const int gy = (pBelow[i - 3] + pBelow[i] + pBelow[i + 3] - pAbove[i - 3] - pAbove[i] - pAbove[i + 3]) / 3;
        pOut[i] = magnitude[std::min(gx * gx + gy * gy, kTableSize - 1)];
    }
}

CImage ComputeGradientImage(const CImage& source)
{
    CImage gradient(source.Width(), source.Height());
    for (int y = 1; y <= source.Height() - 2; ++y)
        ComputeGradientRow(source, gradient, y);
    return gradient;
}
