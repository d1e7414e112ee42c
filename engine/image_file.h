// Image files: loading and saving a CImage with the image library, safely.
#pragma once

#include "engine/image.h"

#include <cstdint>
#include <string>

// Decoding is refused above these sizes, read from the file's header before
// any pixel is decoded, so a hostile header cannot make us allocate gigabytes.
inline constexpr int kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImagePixels = 200'000'000;

enum class ELoadStatus {
    kOk,
    kUnreadable, // missing, not a regular file, unknown type, or failed to decode
    kNotRgb,     // decoded, but not 24 bits per pixel
    kTooLarge,   // its header names a size beyond the limits above
    kNoMemory,   // the pixels could not be allocated
};

struct SLoadResult {
    ELoadStatus status = ELoadStatus::kUnreadable;
    CImage image;   // set when status is kOk
    int nWidth = 0; // from the header, when it could be read
    int nHeight = 0;
    int nBitsPerPixel = 0;
};

// Loads an image with its type guessed from the file name's extension.
SLoadResult LoadImageFile(const std::string& path);

// Bits per pixel of a readable image, or 0 when it cannot be read at all.
int ReadBitsPerPixel(const std::string& path);

// Writes the image in the format of nSaveFormat (0 BMP, 1 PNG, 2 TIFF) with
// the library's default options. The bytes go to a temporary file in the same
// folder that replaces the target only after a complete write, so a failed
// save leaves any earlier file of that name as it was. Returns success.
bool SaveImageFile(const CImage& image, const std::string& path, int nSaveFormat);

// The text of a load failure that is not the stage's own load message: the
// size limits and allocation failures name the size; empty for other cases.
std::string DescribeLoadFailure(const SLoadResult& result, const std::string& path);
