// TIFFs of 16-bit grey and alpha, which the image library misreads (as 32-bit grey, or as colour without a
// SampleFormat tag), decoded by libtiff.
#pragma once

#include "engine/base/image.h"

// Whether the first image of the TIFF open on fd holds two samples of 16
// bits a pixel: grey and alpha. The descriptor stays open; its offset moves.
bool IsGreyAlpha16Tiff(int fd);

// The first image of such a TIFF, of nWidth x nHeight pixels in strips of
// contiguous samples, as 24-bit colour (pixel_conversion.h); empty when it
// is another picture or laid out otherwise. libtiff's errors reach its error
// handler. Throws std::bad_alloc when the image cannot be allocated.
CImage ReadGreyAlpha16Tiff(int fd, int nWidth, int nHeight);
