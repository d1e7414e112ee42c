// Pixel conversion: one loop a source layout, each writing three bytes a pixel.
#include "engine/io/pixel_conversion.h"

#include <cstddef>
#include <cstring>

namespace {

constexpr TPaletteColour kBlack{};

// The 16-bit channel `nChannel` of pixel x of a row of nChannels values a pixel.
std::uint16_t Value16(std::span<const std::uint8_t> row, std::size_t x, std::size_t nChannels, std::size_t nChannel)
{
    std::uint16_t nValue = 0;
    std::memcpy(&nValue, row.data() + 2 * (x * nChannels + nChannel), sizeof nValue);
    return nValue;
}

TPaletteColour Looked(std::span<const TPaletteColour> palette, std::size_t nIndex)
{
    return nIndex < palette.size() ? palette[nIndex] : kBlack;
}

std::size_t IndexAt(ESourcePixels source, std::span<const std::uint8_t> row, std::size_t x)
{
    if (source == ESourcePixels::kIndex8)
        return row[x];
    return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
}

// Pixel x of the row as blue, green, red.
TPaletteColour ColourAt(ESourcePixels source, std::span<const std::uint8_t> row,
                        std::span<const TPaletteColour> palette, std::size_t x)
{
    switch (source) {
    case ESourcePixels::kIndex4:
    case ESourcePixels::kIndex8:
        return Looked(palette, IndexAt(source, row, x));
    case ESourcePixels::kBgra8:
        return {row[4 * x], row[4 * x + 1], row[4 * x + 2]};
    case ESourcePixels::kGrey16:
    case ESourcePixels::kGreyAlpha16: {
        const std::uint8_t nGrey = To8Bits(Value16(row, x, source == ESourcePixels::kGrey16 ? 1 : 2, 0));
        return {nGrey, nGrey, nGrey};
    }
    case ESourcePixels::kRgb16:
    case ESourcePixels::kRgba16: {
        const std::size_t nChannels = source == ESourcePixels::kRgb16 ? 3 : 4;
        return {To8Bits(Value16(row, x, nChannels, 2)), To8Bits(Value16(row, x, nChannels, 1)),
                To8Bits(Value16(row, x, nChannels, 0))};
    }
    }
    return kBlack;
}

} // namespace

void ConvertRow(ESourcePixels source, std::span<const std::uint8_t> row, std::span<const TPaletteColour> palette,
                std::span<std::uint8_t> bgr)
{
    for (std::size_t x = 0; x < bgr.size() / 3; ++x) {
        const TPaletteColour colour = ColourAt(source, row, palette, x);
        std::memcpy(bgr.data() + 3 * x, colour.data(), colour.size());
    }
}
