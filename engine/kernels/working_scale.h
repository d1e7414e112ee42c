// Working-scale reduction (every F-th pixel) and bilinear enlargement of a grey depth map.
#pragma once

#include "engine/base/image.h"

// W div F by H div F pixels; output (i, j) is a copy of source (F*i, F*j).
CImage ReduceImageBy(const CImage& source, int nFactor);

// (W - 1)*F by (H - 1)*F pixels, interpolated bilinearly from byte 0 of the
// source; each output pixel holds its level in all three bytes.
CImage EnlargeImageBy(const CImage& source, int nFactor);
