// PNG files: 8-bit RGB pictures decoded by libpng straight into a CImage.
#pragma once

#include "engine/base/image.h"

#include <cstdio>
#include <string>

struct SPngRead {
    CImage image;         // empty when the file was refused
    std::string strError; // libpng's error, when it named one
};

// Decodes an 8-bit RGB PNG without transparency, interlaced or not, from
// the stream's position at its signature, to the bytes the image library
// gives: a file that names its gamma is corrected towards a screen gamma of
// 2.2, warnings and benign errors are ignored, and any other error (a CRC
// error, a short read, damaged data) refuses the file. A file of another
// size than nWidth x nHeight or of another pixel format is refused too, so
// one changed since its header was checked cannot get past the limits.
// Throws std::bad_alloc when the pixels cannot be allocated.
SPngRead ReadRgbPng(std::FILE* pFile, int nWidth, int nHeight);
