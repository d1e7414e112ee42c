// BMP files: a CImage written as the image library writes a 24-bit bitmap, without its cleared copy.
#pragma once

#include "engine/base/image.h"

#include <cstdio>

// Writes the image to the stream as an uncompressed 24-bit BMP with a
// 40-byte info header, 2835 pixels a metre (72 dpi) each way, rows bottom-up
// and padded with zeros to four bytes: byte for byte the file the image
// library writes. Its path built a cleared full-size copy of every image
// first. False for an empty image or when any write fails.
bool WriteBmp(const CImage& image, std::FILE* pFile);
