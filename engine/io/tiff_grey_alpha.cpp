// TIFFs of 16-bit grey and alpha: libtiff's scanlines, on a copy of the descriptor, converted row by row.
#include "engine/io/tiff_grey_alpha.h"

#include "engine/io/pixel_conversion.h"

#include <tiffio.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

namespace {

struct STiffCloser {
    void operator()(TIFF* pTiff) const { TIFFClose(pTiff); }
};
using TiffPtr = std::unique_ptr<TIFF, STiffCloser>;

// The TIFF on a copy of fd (which shares its offset), from its start, read
// and never mapped; libtiff closes the copy with it.
TiffPtr OpenCopy(int fd)
{
    const int nCopy = ::dup(fd);
    if (nCopy < 0)
        return nullptr;
    TiffPtr tiff(::lseek(nCopy, 0, SEEK_SET) == 0 ? TIFFFdOpen(nCopy, "", "rm") : nullptr);
    if (!tiff)
        ::close(nCopy);
    return tiff;
}

std::uint32_t Field32(TIFF* pTiff, std::uint32_t nTag)
{
    std::uint32_t nValue = 0;
    return TIFFGetFieldDefaulted(pTiff, nTag, &nValue) == 1 ? nValue : 0;
}

std::uint16_t Field16(TIFF* pTiff, std::uint32_t nTag)
{
    std::uint16_t nValue = 0;
    return TIFFGetFieldDefaulted(pTiff, nTag, &nValue) == 1 ? nValue : 0;
}

bool HoldsGreyAlpha16(TIFF* pTiff)
{
    return Field16(pTiff, TIFFTAG_SAMPLESPERPIXEL) == 2 && Field16(pTiff, TIFFTAG_BITSPERSAMPLE) == 16;
}

bool IsReadable(TIFF* pTiff, int nWidth, int nHeight)
{
    return HoldsGreyAlpha16(pTiff) && Field32(pTiff, TIFFTAG_IMAGEWIDTH) == static_cast<std::uint32_t>(nWidth)
        && Field32(pTiff, TIFFTAG_IMAGELENGTH) == static_cast<std::uint32_t>(nHeight) && TIFFIsTiled(pTiff) == 0
        && Field16(pTiff, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_CONTIG
        && TIFFScanlineSize64(pTiff) == std::uint64_t{4} * static_cast<std::uint32_t>(nWidth);
}

} // namespace

bool IsGreyAlpha16Tiff(int fd)
{
    const TiffPtr tiff = OpenCopy(fd);
    return tiff && HoldsGreyAlpha16(tiff.get());
}

CImage ReadGreyAlpha16Tiff(int fd, int nWidth, int nHeight)
{
    const TiffPtr tiff = OpenCopy(fd);
    if (!tiff || !IsReadable(tiff.get(), nWidth, nHeight))
        return {};
    CImage image(nWidth, nHeight);
    std::vector<std::uint8_t> row(std::size_t{4} * static_cast<std::size_t>(nWidth));
    // The file's first row is the image's top one.
    for (int y = 0; y < nHeight; ++y) {
        if (TIFFReadScanline(tiff.get(), row.data(), static_cast<std::uint32_t>(y), 0) != 1)
            return {};
        ConvertRow(ESourcePixels::kGreyAlpha16, row, {}, image.Row(nHeight - 1 - y));
    }
    return image;
}
