// The image library's bitmaps: which of their pixel formats are read, and those other than 24-bit colour converted.
#pragma once

#include "engine/base/image.h"
#include "engine/io/pixel_conversion.h"

#include <optional>
#include <string>

struct FIBITMAP;

// What a bitmap (or a header read without pixels) holds: 24-bit colour,
// whose rows are copied as they are; another format that is read, whose rows
// are converted from `source`; or a format that is refused, named in
// `refused` ("a 1-bit image").
struct SBitmapFormat {
    std::optional<ESourcePixels> source;
    std::string refused;
};

SBitmapFormat FormatOf(FIBITMAP* pBitmap);

// The pixels of a bitmap of the source format as 24-bit colour, rows in the
// same order. Throws std::bad_alloc when the image cannot be allocated.
CImage ConvertedPixels(FIBITMAP* pBitmap, ESourcePixels source);
