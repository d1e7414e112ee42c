// JPEG files: colour JPEGs decoded by libjpeg straight into a CImage.
#pragma once

#include "engine/base/image.h"

#include <cstdio>
#include <string>

struct SJpegRead {
    CImage image;         // empty when the file was refused
    std::string strError; // libjpeg's first error or warning, when it gave one
};

// Decodes a three-component (YCbCr or RGB) JPEG, baseline or progressive,
// from the stream's position at its start marker, to the bytes the image
// library gives by default: libjpeg's fast integer DCT, no fancy upsampling.
// Any warning (corrupt data, a premature end, up to the end marker) refuses
// the file as an error does, since the library complains of both. A file of
// another size than nWidth x nHeight or of another colour space is refused
// too, so one changed since its header was checked cannot get past the
// limits. Throws std::bad_alloc when the pixels cannot be allocated.
SJpegRead ReadRgbJpeg(std::FILE* pFile, int nWidth, int nHeight);
