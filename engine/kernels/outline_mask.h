// The outline mask: pixels of weak gradient turn white, the others keep their sign code.
#pragma once

#include "engine/base/image.h"

// Row y of the masked outline image into `result`, whose size is the smaller
// width and the smaller height of `outline` and `gradient`. Every pixel,
// border included: white when the gradient's byte-sum level is below
// nLevel, else a copy of the outline pixel. Level 0 whitens nothing, level
// 256 everything.
void MaskOutlineRow(const CImage& outline, const CImage& gradient, int nLevel, CImage& result, int y);

CImage MaskOutline(const CImage& outline, const CImage& gradient, int nLevel);
