// Pixel conversion: rows of grey, palette, alpha and 16-bit pixels as the rows of a 24-bit colour image.
#pragma once

#include <array>
#include <cstdint>
#include <span>

// How a decoded row holds its pixels. 16-bit values are in the machine's
// byte order, as the decoders give them.
enum class ESourcePixels {
    kIndex4,      // two palette indices a byte, the left pixel's in the high half
    kIndex8,      // a palette index a byte (greys come with a palette of greys)
    kBgra8,       // blue, green, red and alpha (or an unused byte)
    kGrey16,      // one value
    kGreyAlpha16, // grey, then alpha
    kRgb16,       // red, green, blue
    kRgba16,      // red, green, blue, alpha
};

// A palette entry: blue, green, red, in the order of the image's bytes.
using TPaletteColour = std::array<std::uint8_t, 3>;

// A 16-bit value at 8 bits: round(v * 255 / 65535), which is (v + 128) / 257
// since no value lies half-way.
constexpr std::uint8_t To8Bits(std::uint16_t nValue)
{
    return static_cast<std::uint8_t>((nValue + 128) / 257);
}

// Writes the source row's pixels as blue, green, red into `bgr` (three bytes
// a pixel, its size giving the width): grey repeated in the three channels,
// palette indices looked up (one beyond the palette is black), alpha dropped
// without compositing, 16-bit values scaled by To8Bits. The source must hold
// the width's pixels.
void ConvertRow(ESourcePixels source, std::span<const std::uint8_t> row, std::span<const TPaletteColour> palette,
                std::span<std::uint8_t> bgr);
