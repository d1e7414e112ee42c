// The colour codes of an outline image and the brightness level they are derived from.
#pragma once

#include <array>
#include <cstdint>

// Bytes in the order blue, green, red. Border pixels of a sign image stay
// black, and only a mask at level 0 keeps them so.
using SOutlineCode = std::array<std::uint8_t, 3>;
inline constexpr SOutlineCode kOutlineGreen = {0, 255, 0}; // Laplacian above 0
inline constexpr SOutlineCode kOutlineBlue = {255, 0, 0};  // Laplacian 0 or below
inline constexpr SOutlineCode kOutlineWhite = {255, 255, 255};

// The double nearest to 1/3. Brightness and gradient levels are byte sums
// multiplied by it, never divided by 3: the last bit decides some signs.
inline constexpr double kOneThird = 0.3333333333333333;
static_assert(kOneThird == 1.0 / 3.0);

// (blue + green + red) x kOneThird.
inline double ByteSumLevel(const std::uint8_t* pPixel)
{
    return (pPixel[0] + pPixel[1] + pPixel[2]) * kOneThird;
}
