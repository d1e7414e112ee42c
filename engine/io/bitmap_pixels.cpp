// The image library's bitmaps: their formats by type and depth, their rows converted.
#include "engine/io/bitmap_pixels.h"

#include <FreeImage.h>

#include <vector>

namespace {

SBitmapFormat Read(ESourcePixels source)
{
    return {source, {}};
}

SBitmapFormat Refused(const char* szWhat)
{
    return {std::nullopt, szWhat};
}

// Bitmaps of bytes: palettes of up to 8 bits, 24-bit colour, colour and alpha.
SBitmapFormat FormatOfBytes(unsigned nBitsPerPixel)
{
    switch (nBitsPerPixel) {
    case 1:
        return Refused("a 1-bit image");
    case 4:
        return Read(ESourcePixels::kIndex4);
    case 8:
        return Read(ESourcePixels::kIndex8);
    case 16:
        return Refused("an image of 16 bits a pixel (5 or 6 bits a channel)");
    case 24:
        return {};
    case 32:
        return Read(ESourcePixels::kBgra8);
    default:
        return Refused("an image of an unusual pixel format");
    }
}

std::vector<TPaletteColour> PaletteOf(FIBITMAP* pBitmap)
{
    const RGBQUAD* pEntries = FreeImage_GetPalette(pBitmap);
    std::vector<TPaletteColour> palette;
    if (pEntries != nullptr)
        for (unsigned i = 0; i < FreeImage_GetColorsUsed(pBitmap); ++i)
            palette.push_back({pEntries[i].rgbBlue, pEntries[i].rgbGreen, pEntries[i].rgbRed});
    return palette;
}

} // namespace

SBitmapFormat FormatOf(FIBITMAP* pBitmap)
{
    switch (FreeImage_GetImageType(pBitmap)) {
    case FIT_BITMAP:
        return FormatOfBytes(FreeImage_GetBPP(pBitmap));
    case FIT_UINT16:
        return Read(ESourcePixels::kGrey16);
    case FIT_UINT32:
        return Refused("an image of 32-bit grey values");
    case FIT_RGB16:
        return Read(ESourcePixels::kRgb16);
    case FIT_RGBA16:
        return Read(ESourcePixels::kRgba16);
    case FIT_FLOAT:
    case FIT_DOUBLE:
    case FIT_RGBF:
    case FIT_RGBAF:
        return Refused("an image of floating-point values");
    case FIT_COMPLEX:
        return Refused("an image of complex numbers");
    case FIT_INT16:
    case FIT_INT32:
        return Refused("an image of signed values");
    default:
        return Refused("an image of an unusual pixel format");
    }
}

CImage ConvertedPixels(FIBITMAP* pBitmap, ESourcePixels source)
{
    const int nWidth = static_cast<int>(FreeImage_GetWidth(pBitmap));
    const int nHeight = static_cast<int>(FreeImage_GetHeight(pBitmap));
    CImage image(nWidth, nHeight);
    const std::vector<TPaletteColour> palette = PaletteOf(pBitmap);
    const std::size_t nLineBytes = FreeImage_GetLine(pBitmap);
    for (int y = 0; y < nHeight; ++y)
        ConvertRow(source, {FreeImage_GetScanLine(pBitmap, y), nLineBytes}, palette, image.Row(y));
    return image;
}
