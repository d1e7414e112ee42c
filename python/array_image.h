// numpy arrays and the engine's images: RGB rows top down against BGR rows bottom up, copied once each way.
#pragma once

#include "engine/base/image.h"

#include <pybind11/numpy.h>

#include <cstdint>

namespace py = pybind11;

// The pixels of a uint8 array of shape (H, W, 3), RGB, or (H, W), grey
// (repeated into the three channels), in any strides; the caller has
// checked its type and shape. Copies without the GIL.
CImage ImageFromArray(const py::array& array);

// An image as a new (H, W, 3) uint8 array, RGB.
py::array_t<std::uint8_t> RgbArray(const CImage& image);
// Byte 0 of each pixel (the level of a grey image) as a new (H, W) uint8 array.
py::array_t<std::uint8_t> LevelArray(const CImage& image);
// The displacement each pixel of a displacement image encodes, green minus
// blue, as a new (H, W) int16 array.
py::array_t<std::int16_t> DisplacementArray(const CImage& image);
