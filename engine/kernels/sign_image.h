// The sign image: on which side of an edge each pixel lies, from a 3 x 3 Laplacian of the brightness.
#pragma once

#include "engine/base/image.h"

// Row y (1..H-2) of the sign image of `source` into `sign` (same size). With
// I the brightness ByteSumLevel of a pixel: L = 8 x I(x, y) minus the eight
// neighbours' I, subtracted one by one from the lower left round to the
// left; green when L > 0, else blue. Images narrower or lower than 3 pixels
// have no interior and stay black.
void ComputeSignRow(const CImage& source, CImage& sign, int y);

CImage ComputeSignImage(const CImage& source);
