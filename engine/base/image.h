// CImage: a 24-bit colour image held in memory, in the pixel addressing every stage shares.
#pragma once

#include "engine/base/zeroed_memory.h"

#include <cstddef>
#include <cstdint>
#include <span>

// Three bytes per pixel (blue, green, red), rows stored bottom-up: row 0 is
// the bottom row of the picture, as the image files store it. Rows are packed
// without padding. A new image is black.
class CImage {
public:
    static constexpr int kBytesPerPixel = 3;

    CImage() = default;
    // Throws std::bad_alloc when the pixels cannot be allocated.
    CImage(int nWidth, int nHeight);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    bool IsEmpty() const { return m_nWidth == 0 || m_nHeight == 0; }
    std::size_t Pitch() const { return static_cast<std::size_t>(m_nWidth) * kBytesPerPixel; }

    std::uint8_t* Pixel(int x, int y) { return m_bytes.data() + Offset(x, y); }
    const std::uint8_t* Pixel(int x, int y) const { return m_bytes.data() + Offset(x, y); }
    std::span<std::uint8_t> Row(int y) { return {Pixel(0, y), Pitch()}; }
    std::span<const std::uint8_t> Row(int y) const { return {Pixel(0, y), Pitch()}; }
    std::span<const std::uint8_t> Bytes() const { return m_bytes; }

    bool operator==(const CImage&) const = default;

private:
    std::size_t Offset(int x, int y) const
    {
        return static_cast<std::size_t>(y) * Pitch() + static_cast<std::size_t>(x) * kBytesPerPixel;
    }

    int m_nWidth = 0;
    int m_nHeight = 0;
    ZeroedVector<std::uint8_t> m_bytes;
};
