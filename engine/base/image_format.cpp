// The table of output formats.
#include "engine/base/image_format.h"

#include <FreeImage.h>

#include <algorithm>
#include <array>

namespace {

// PNG is written with zlib's fastest level: the library's default level takes
// four to five times as long for files about a quarter smaller, and every
// reader decodes both to the same pixels. BMP and TIFF (LZW) keep the
// library's defaults.
constexpr std::array<SSaveFormatInfo, 3> kFormats = {{
    {kFormatBmp, "BMP", "bmp", FIF_BMP, 0},
    {kFormatPng, "PNG", "png", FIF_PNG, PNG_Z_BEST_SPEED},
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
