// The table of output formats.
#include "engine/base/image_format.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>

namespace {

// TIFF (LZW) is written by the library with its defaults. PNG and BMP are
// written by our own writers (engine/io/png_writer.h, bmp_writer.h), without
// the library's cleared copy of the image: their codecs name the format to
// the library, their options are unused.
constexpr std::array<SSaveFormatInfo, 3> kFormats = {{
    {kFormatBmp, "BMP", "bmp", FIF_BMP, 0},
    {kFormatPng, "PNG", "png", FIF_PNG, 0},
    {kFormatTiff, "TIFF", "tif", FIF_TIFF, 0},
}};

} // namespace

std::span<const SSaveFormatInfo> SaveFormats()
{
    return kFormats;
}

const SSaveFormatInfo& InfoOf(ESaveFormat format)
{
    const auto it = std::find_if(kFormats.begin(), kFormats.end(),
                                 [format](const SSaveFormatInfo& info) { return info.format == format; });
    return it != kFormats.end() ? *it : kFormats[0];
}

const char* SaveExtension(ESaveFormat format)
{
    return InfoOf(format).szExtension;
}

std::optional<ESaveFormat> ParseSaveFormat(std::string_view text)
{
    if (text == "tiff")
        return kFormatTiff;
    for (const SSaveFormatInfo& info : kFormats)
        if (text == info.szExtension)
            return info.format;
    return std::nullopt;
}
