// The sign image kernel.
#include "engine/kernels/sign_image.h"

#include "engine/kernels/outline_codes.h"

#include <algorithm>

void ComputeSignRow(const CImage& source, CImage& sign, int y)
{
    if (y < 1 || y > source.Height() - 2)
        return;
    const auto at = [&](int x, int row) { return ByteSumLevel(source.Pixel(x, row)); };
    for (int x = 1; x <= source.Width() - 2; ++x) {
        // The order of the subtractions is part of the result: a uniform
        // source whose byte sum is not a multiple of 3 leaves a residue.
        double dLaplacian = 8 * at(x, y);
        dLaplacian -= at(x - 1, y - 1);
        dLaplacian -= at(x, y - 1);
        dLaplacian -= at(x + 1, y - 1);
        dLaplacian -= at(x + 1, y);
        dLaplacian -= at(x + 1, y + 1);
        dLaplacian -= at(x, y + 1);
        dLaplacian -= at(x - 1, y + 1);
        dLaplacian -= at(x - 1, y);
        const SOutlineCode& code = dLaplacian > 0 ? kOutlineGreen : kOutlineBlue;
        std::copy(code.begin(), code.end(), sign.Pixel(x, y));
    }
}

CImage ComputeSignImage(const CImage& source)
{
    CImage sign(source.Width(), source.Height());
    for (int y = 1; y <= source.Height() - 2; ++y)
        ComputeSignRow(source, sign, y);
    return sign;
}
