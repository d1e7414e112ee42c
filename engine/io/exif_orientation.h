// EXIF orientation: how a photo's stored pixels are turned to be seen upright, from its EXIF block.
#pragma once

#include <cstdint>
#include <span>

// The Orientation tag (1 to 8, see Upright in image_orientation.h) of the
// primary image of an EXIF block: a JPEG's APP1 segment after its length,
// starting with "Exif\0\0". A block that is not EXIF, damaged or hostile, or
// without the tag (or with a value out of range) gives 1, the pixels as
// stored.
int ExifOrientation(std::span<const std::uint8_t> block);
