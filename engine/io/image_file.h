// Image files: loading and saving a CImage with the image library, safely.
#pragma once

#include "engine/base/image.h"
#include "engine/base/image_format.h"

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

// Decoding is refused above these sizes, read from the file's header before
// any pixel is decoded, so a hostile header cannot make us allocate gigabytes.
// At the limit a job holds at most about 31 bytes a pixel (gradient mode:
// the working images, their padded planes, the displacement images and the
// copies being encoded): 6.2 GB.
inline constexpr int kMaxImageSide = 32768;
inline constexpr std::int64_t kMaxImagePixels = 200'000'000;

struct SImageLimits {
    int nMaxSide = kMaxImageSide;
    std::int64_t nMaxPixels = kMaxImagePixels;
};

// The limits in force. Tests and fuzzing lower them so that an oversized
// header costs microseconds instead of a large allocation.
SImageLimits GetImageLimits();
// Whether an image of that size is within the limits in force.
bool IsWithinImageLimits(std::int64_t nWidth, std::int64_t nHeight);
void SetImageLimits(const SImageLimits& limits);

enum class ELoadStatus {
    kOk,
    kUnreadable,  // missing, not a regular file, empty, unknown type, or failed to decode
    kNotRgb,      // a pixel format not read (known from the header, or after decoding); strReason names it
    kTooLarge,    // its header names a size beyond the limits above
    kNoMemory,    // the pixels could not be allocated
    kUnsupported, // a type the library knows but we do not decode (only BMP, PNG, TIFF, JPEG)
};

struct SLoadResult {
    ELoadStatus status = ELoadStatus::kUnreadable;
    CImage image;   // set when status is kOk
    int nWidth = 0; // from the header, when it could be read
    int nHeight = 0;
    int nBitsPerPixel = 0;
    // Why a file that should be readable was not, when known; for kNotRgb,
    // what the file holds ("a 1-bit image").
    std::string strReason;
};

// How the decoder of a file is chosen: by its name's extension, or JPEG
// whatever the name (stereo files such as ".jps" are JPEG streams).
enum class EImageCodec { kByName, kJpeg };

// Whether a JPEG photo is turned upright as its EXIF orientation says (as
// every viewer shows it), or its pixels are kept as stored.
enum class EOrientation { kUpright, kStored };

// Loads an image with its type guessed from the file name's extension. Only
// BMP, PNG, TIFF and JPEG are decoded: every other decoder of the library is
// attack surface that no user of a stereo tool needs. Grey, palette, RGB and
// RGBA images of 8 or 16 bits a channel (and palettes of 2 or 4 bits, and
// grey JPEGs) become 24-bit colour: alpha dropped, 16-bit values rounded to 8
// bits (pixel_conversion.h); 24-bit colour files give their bytes as they are.
// The header is read first, and a size beyond the limits or another pixel
// format (1-bit, floating-point, CMYK JPEG...) is refused before any pixel is
// decoded. Never blocks on a FIFO or a device named like an image: only
// regular files are read.
// A file whose header names more pixels than its length can hold, or whose
// decoder complains while reading it (a JPEG that ends early, a strip that
// cannot be read), is refused as unreadable with the reason noted. With
// nFolderFd, the name of `path` is opened in that folder (see CJobFolders).
// A JPEG is turned upright unless `orientation` is kStored; its width and
// height are then the upright ones.
SLoadResult LoadImageFile(const std::string& path, EImageCodec codec = EImageCodec::kByName, int nFolderFd = -1,
                          EOrientation orientation = EOrientation::kUpright);

// A JPEG image held in memory (a view of a stereo file), decoded and checked
// as LoadImageFile decodes a JPEG file.
SLoadResult LoadJpegBytes(std::span<const char> bytes, EOrientation orientation = EOrientation::kUpright);

// Writes the image in the format (see its table for the library's options).
// The bytes go to a temporary file in the same folder that replaces the
// target only after a complete write, so a failed save leaves any earlier
// file of that name as it was. Returns success. nFolderFd as for LoadImageFile.
bool SaveImageFile(const CImage& image, const std::string& path, ESaveFormat format, int nFolderFd = -1);
// Writes the image to a stream in the format (PNG by png_writer.h, the others by the library); true when
// all of it was written.
bool EncodeImage(const CImage& image, ESaveFormat format, std::FILE* pFile);

// The text of a load failure that is not the stage's own load message: the
// size limits and allocation failures name the size, an unsupported type
// names the types read, a pixel format not read names it and those read;
// empty for other cases.
std::string DescribeLoadFailure(const SLoadResult& result, const std::string& path);
// "PATH: " and why a file that DescribeLoadFailure has no text for was not
// read, as the decoder said, else "not a readable image".
std::string DescribeUnreadable(const SLoadResult& result, const std::string& path);
