// FilterUp: one row of the PNG writer's Up filter.
#pragma once

#include <cstddef>
#include <cstdint>

// Red, green, blue of nPixels pixels from our blue, green, red at pRow, each
// byte less the same byte of the row at pAbove, into pOut.
void FilterUp(const std::uint8_t* pRow, const std::uint8_t* pAbove, std::size_t nPixels, std::uint8_t* pOut);
