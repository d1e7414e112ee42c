// Image orientation: each upright pixel fetched from its stored place, a square of pixels at a time.
#include "engine/base/image_orientation.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace {

// Side of the squares the pixels are moved in: a quarter turn reads the
// stored image down its columns, which a square keeps within the cache.
constexpr int kSquare = 64;

struct SPoint {
    std::ptrdiff_t x = 0;
    std::ptrdiff_t y = 0;
};

// Where the pixel seen at (x, y) of the upright picture is stored, both
// counted from the top left as the picture is seen.
SPoint StoredPoint(int nOrientation, SPoint upright, const CImage& stored)
{
    const std::ptrdiff_t nRight = stored.Width() - 1, nBottom = stored.Height() - 1;
    switch (nOrientation) {
    case 2:
        return {nRight - upright.x, upright.y};
    case 3:
        return {nRight - upright.x, nBottom - upright.y};
    case 4:
        return {upright.x, nBottom - upright.y};
    case 5:
        return {upright.y, upright.x};
    case 6:
        return {upright.y, nBottom - upright.x};
    case 7:
        return {nRight - upright.y, nBottom - upright.x};
    case 8:
        return {nRight - upright.y, upright.x};
    default:
        return upright;
    }
}

// The stored byte of the upright pixel (x, y) lies at nOrigin + x * nAlongX +
// y * nAlongY, the map being linear; the rows of a CImage run bottom-up.
struct SWalk {
    std::ptrdiff_t nOrigin = 0;
    std::ptrdiff_t nAlongX = 0;
    std::ptrdiff_t nAlongY = 0;
};

SWalk WalkOf(const CImage& stored, int nOrientation)
{
    const auto offset = [&](SPoint upright) {
        const SPoint point = StoredPoint(nOrientation, upright, stored);
        return (stored.Height() - 1 - point.y) * static_cast<std::ptrdiff_t>(stored.Pitch())
            + point.x * CImage::kBytesPerPixel;
    };
    const std::ptrdiff_t nOrigin = offset({0, 0});
    return {nOrigin, offset({1, 0}) - nOrigin, offset({0, 1}) - nOrigin};
}

void MoveSquare(const CImage& stored, const SWalk& walk, SPoint corner, CImage& upright)
{
    const std::ptrdiff_t nRight = std::min<std::ptrdiff_t>(corner.x + kSquare, upright.Width());
    const std::ptrdiff_t nBottom = std::min<std::ptrdiff_t>(corner.y + kSquare, upright.Height());
    const std::uint8_t* pStored = stored.Bytes().data();
    for (std::ptrdiff_t y = corner.y; y < nBottom; ++y) {
        std::uint8_t* pRow = upright.Row(upright.Height() - 1 - static_cast<int>(y)).data();
        for (std::ptrdiff_t x = corner.x; x < nRight; ++x)
            std::memcpy(pRow + x * CImage::kBytesPerPixel, pStored + walk.nOrigin + x * walk.nAlongX + y * walk.nAlongY,
                        CImage::kBytesPerPixel);
    }
}

} // namespace

CImage Upright(CImage stored, int nOrientation)
{
    if (nOrientation < 2 || nOrientation > 8)
        return stored;
    const bool bSwapped = nOrientation >= 5;
    CImage upright(bSwapped ? stored.Height() : stored.Width(), bSwapped ? stored.Width() : stored.Height());
    const SWalk walk = WalkOf(stored, nOrientation);
    for (int y = 0; y < upright.Height(); y += kSquare)
        for (int x = 0; x < upright.Width(); x += kSquare)
            MoveSquare(stored, walk, {x, y}, upright);
    return upright;
}
