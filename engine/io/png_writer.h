// PNG files: a CImage encoded with libdeflate, a few times faster than the image library's PNG path.
#pragma once

#include "engine/base/image.h"

#include <cstdio>

// Writes the image to the stream as an 8-bit RGB PNG without interlacing:
// every row under the Up filter, all of them in one zlib stream. False for an
// empty image, when memory runs out or when any write fails.
bool WritePng(const CImage& image, std::FILE* pFile);
