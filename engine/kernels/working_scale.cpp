// Working-scale reduction and enlargement kernels.
#include "engine/kernels/working_scale.h"

#include "engine/base/numeric.h"

#include <algorithm>
#include <cstring>

CImage ReduceImageBy(const CImage& source, int nFactor)
{
    CImage reduced(source.Width() / nFactor, source.Height() / nFactor);
    for (int j = 0; j < reduced.Height(); ++j)
        for (int i = 0; i < reduced.Width(); ++i)
            std::memcpy(reduced.Pixel(i, j), source.Pixel(i * nFactor, j * nFactor), 3);
    return reduced;
}

namespace {

void Put(CImage& image, int x, int y, int value)
{
    std::uint8_t* p = image.Pixel(x, y);
    p[0] = p[1] = p[2] = static_cast<std::uint8_t>(value);
}

// Fills the F x F block of the cell whose lower-left source pixel is (x, y).
void EnlargeCell(const CImage& source, CImage& out, int x, int y, int nFactor)
{
    const int p00 = source.Pixel(x, y)[0];
    const int p10 = source.Pixel(x + 1, y)[0];
    const int p01 = source.Pixel(x, y + 1)[0];
    const int p11 = source.Pixel(x + 1, y + 1)[0];
    const double dFactor = nFactor;
    for (int k = 0; k < nFactor; ++k) {
        const double o = (nFactor - k) / dFactor;
        const double top = (p00 - p10) * o + p10;
        const double bottom = (p01 - p11) * o + p11;
        const double diff = top - bottom;
        for (int l = 0; l < nFactor; ++l) {
            const double v = ((nFactor - l) / dFactor) * diff + bottom;
            Put(out, x * nFactor + k, y * nFactor + l, std::clamp(RoundToInt(v), 0, 255));
        }
    }
}

} // namespace

CImage EnlargeImageBy(const CImage& source, int nFactor)
{
    const int nCellsX = std::max(source.Width() - 1, 0);
    const int nCellsY = std::max(source.Height() - 1, 0);
    CImage enlarged(nCellsX * nFactor, nCellsY * nFactor);
    for (int y = 0; y < nCellsY; ++y)
        for (int x = 0; x < nCellsX; ++x)
            EnlargeCell(source, enlarged, x, y, nFactor);
    return enlarged;
}
