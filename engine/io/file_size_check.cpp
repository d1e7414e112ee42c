// The fewest bytes of a file for its named size: exact for BMP, bounds of the coding for the others.
#include "engine/io/file_size_check.h"

std::int64_t MinimumFileBytes(EImageType type, std::int64_t nWidth, std::int64_t nHeight, std::int64_t nBmpPixelOffset)
{
    const std::int64_t nPixels = nWidth * nHeight;
    switch (type) {
    case EImageType::kBmp:
        // Rows of 24-bit pixels padded to four bytes.
        return nBmpPixelOffset + (nWidth * 24 + 31) / 32 * 4 * nHeight;
    case EImageType::kPng:
        // Deflate gives at most 1032 bytes for one (258 per 2-bit code of a
        // length-258 match at distance 1); each row adds a filter byte.
        return (nPixels * 3 + nHeight) / 1032;
    case EImageType::kTiff:
        // The strongest of TIFF's codings, LZW, gives at most about 1,800
        // bytes for one before its table is full; 4096 leaves room.
        return nPixels * 3 / 4096;
    case EImageType::kJpeg:
        // A Huffman-coded 8 x 8 block costs at least two bits (its DC code
        // and end of block); one bit per four blocks leaves room for the
        // smallest encoders.
        return nPixels / 2048;
    }
    return 0;
}
