// The fewest bytes a file of each decoded type can hold for the size its header names.
#pragma once

#include <cstdint>

enum class EImageType {
    kBmp,
    kBmpRunLength, // a BMP of 4 or 8 bits a pixel coded in runs (RLE4, RLE8)
    kPng,
    kTiff,
    kJpeg,
};

// A header can name any size; a file much shorter than its pixels need is
// cut short or forged to make the decoder allocate and fill a huge image.
// Uncompressed BMP rows need exactly their bytes after the pixel offset; the
// compressed types cannot shrink their pixels beyond a bound of their coding,
// so a shorter file is refused before anything is decoded. nBitsPerPixel is
// the depth the file stores its pixels at (for the compressed types a lower
// bound will do; JPEG's bound holds for any); nBmpPixelOffset is the BMP
// header's offset of the pixels (ignored for the other types).
std::int64_t MinimumFileBytes(EImageType type, std::int64_t nWidth, std::int64_t nHeight, int nBitsPerPixel,
                              std::int64_t nBmpPixelOffset);
