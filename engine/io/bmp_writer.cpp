// WriteBmp: the two headers, then the image's rows as they are held, padded.
#include "engine/io/bmp_writer.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;
constexpr std::uint32_t kPixelsPerMetre = 2835;

template <std::size_t nSize> void Put(std::array<std::uint8_t, kHeadersSize>& bytes, std::size_t nAt, std::uint32_t n)
{
    for (std::size_t k = 0; k < nSize; ++k)
        bytes[nAt + k] = static_cast<std::uint8_t>(n >> (8 * k));
}

// The file header and the info header, little-endian. The size of the
// pixel data is left 0, which uncompressed bitmaps allow and the library
// writes.
std::array<std::uint8_t, kHeadersSize> Headers(const CImage& image, std::size_t nPaddedPitch)
{
    std::array<std::uint8_t, kHeadersSize> bytes{'B', 'M'};
    const std::uint64_t nFileSize = kHeadersSize + std::uint64_t{nPaddedPitch} * image.Height();
    Put<4>(bytes, 2, static_cast<std::uint32_t>(nFileSize));
    Put<4>(bytes, 10, kHeadersSize);
    Put<4>(bytes, 14, 40);
    Put<4>(bytes, 18, static_cast<std::uint32_t>(image.Width()));
    Put<4>(bytes, 22, static_cast<std::uint32_t>(image.Height()));
    Put<2>(bytes, 26, 1);  // planes
    Put<2>(bytes, 28, 24); // bits per pixel
    Put<4>(bytes, 38, kPixelsPerMetre);
    Put<4>(bytes, 42, kPixelsPerMetre);
    return bytes;
}

} // namespace

bool WriteBmp(const CImage& image, std::FILE* pFile)
{
    if (image.IsEmpty())
        return false;
    const std::size_t nPaddedPitch = (image.Pitch() + 3) / 4 * 4;
    const std::array<std::uint8_t, kHeadersSize> headers = Headers(image, nPaddedPitch);
    if (std::fwrite(headers.data(), 1, headers.size(), pFile) != headers.size())
        return false;
    const std::array<std::uint8_t, 3> padding{};
    const std::size_t nPadding = nPaddedPitch - image.Pitch();
    for (int y = 0; y < image.Height(); ++y) {
        if (std::fwrite(image.Row(y).data(), 1, image.Pitch(), pFile) != image.Pitch()
            || std::fwrite(padding.data(), 1, nPadding, pFile) != nPadding)
            return false;
    }
    return true;
}
