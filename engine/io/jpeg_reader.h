// JPEG files: headers read and colour JPEGs decoded by libjpeg straight into a CImage.
#pragma once

#include "engine/base/image.h"

#include <cstdio>
#include <string>

struct SJpegHeader {
    int nWidth = 0;
    int nHeight = 0;
    int nBitsPerPixel = 0; // 0 when the header could not be read
};

// Reads the markers from the stream's position up to the first scan, no
// further (no pixel, no EXIF block), and gives the size and depth the image
// library reported for the file: 8 bits a component, but 24 for CMYK and
// YCCK, which it converted to colour, and 8 beyond four components. Like the
// library's header pass, it reads on past warnings and unknown markers,
// which fail the decode later; any other error fails the header.
SJpegHeader ReadJpegHeader(std::FILE* pFile);

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
