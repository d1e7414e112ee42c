// The fewest bytes of a file for its named size: exact for BMP, bounds of the coding for the others.
#include "engine/io/file_size_check.h"

std::int64_t MinimumFileBytes(EImageType type, std::int64_t nWidth, std::int64_t nHeight, int nBitsPerPixel,
                              std::int64_t nBmpPixelOffset)
{
    const std::int64_t nPixels = nWidth * nHeight;
    switch (type) {
    case EImageType::kBmp:
        // Rows padded to four bytes.
        return nBmpPixelOffset + (nWidth * nBitsPerPixel + 31) / 32 * 4 * nHeight;
    case EImageType::kBmpRunLength:
        // Runs can end the picture at any pixel (the rest takes the first
        // colour): only the code that ends it is sure.
        return nBmpPixelOffset + 2;
    case EImageType::kPng:
        // Deflate gives at most 1032 bytes for one (258 per 2-bit code of a
        // length-258 match at distance 1); each row adds a filter byte.
        return nHeight * ((nWidth * nBitsPerPixel + 7) / 8 + 1) / 1032;
    case EImageType::kTiff:
        // The strongest of TIFF's codings, LZW, gives at most about 1,800
        // bytes for one before its table is full; 4096 leaves room.
        return nPixels * nBitsPerPixel / (8 * 4096);
    case EImageType::kJpeg:
        // A Huffman-coded 8 x 8 block costs at least two bits (its DC code
        // and end of block); one bit per four blocks of the first component
        // leaves room for the smallest encoders.
        return nPixels / 2048;
    }
    return 0;
}
