// JPEG files: headers read and colour and grey JPEGs decoded by libjpeg straight into a CImage.
#pragma once

#include "engine/base/image.h"

#include <cstdio>
#include <string>

// The colours of a JPEG: YCbCr or RGB, grey, CMYK or YCCK (which libjpeg does
// not turn into RGB), or another number of components.
enum class EJpegColour { kColour, kGrey, kCmyk, kOther };

struct SJpegHeader {
    int nWidth = 0;
    int nHeight = 0;
    int nBitsPerPixel = 0; // 0 when the header could not be read
    EJpegColour colour = EJpegColour::kOther;
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
    int nOrientation = 1; // the EXIF orientation (see exif_orientation.h), when asked for
};

// Decodes a three-component (YCbCr or RGB) JPEG, baseline or progressive,
// from the stream's position at its start marker, to the bytes the image
// library gives by default: libjpeg's fast integer DCT, no fancy upsampling.
// A grey JPEG gives its grey in the three channels. Any warning (corrupt
// data, a premature end, up to the end marker) refuses the file as an error
// does, since the library complains of both. A file of another size than
// nWidth x nHeight or of another colour space is refused too, so one changed
// since its header was checked cannot get past the limits. With
// bOrientation, the EXIF block is kept as the markers are read and its
// orientation given; the pixels stay as stored. Throws std::bad_alloc when
// the pixels cannot be allocated.
SJpegRead ReadJpeg(std::FILE* pFile, int nWidth, int nHeight, bool bOrientation);
