// The outline mask kernel.
#include "engine/kernels/outline_mask.h"

#include "engine/kernels/outline_codes.h"

#include <algorithm>

void MaskOutlineRow(const CImage& outline, const CImage& gradient, int nLevel, CImage& result, int y)
{
    for (int x = 0; x < result.Width(); ++x) {
        const std::uint8_t* pKept = outline.Pixel(x, y);
        if (ByteSumLevel(gradient.Pixel(x, y)) < nLevel)
            pKept = kOutlineWhite.data();
        std::copy_n(pKept, 3, result.Pixel(x, y));
    }
}

CImage MaskOutline(const CImage& outline, const CImage& gradient, int nLevel)
{
    CImage result(std::min(outline.Width(), gradient.Width()), std::min(outline.Height(), gradient.Height()));
    for (int y = 0; y < result.Height(); ++y)
        MaskOutlineRow(outline, gradient, nLevel, result, y);
    return result;
}
