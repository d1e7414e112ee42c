// Segment smoothing: one 3 x 3 mean over a depth map that does not cross the outlines of its side.
#pragma once

#include "engine/base/image.h"

// The smoothed level of interior pixel (x, y): the rounded mean of byte 0 of
// `map` over the selected pixels of the 3 x 3 window around it. A green or
// blue centre selects every pixel that shares its blue or its green byte
// (all but the opposite code). A centre with equal blue and green bytes
// (white, black) selects the pixels with green 255 when they are at least as
// many as those with blue 255, else those with blue 255; none selected
// gives 0.
int SmoothedLevel(const CImage& outline, const CImage& map, int x, int y);

// Row y (1..H-2) of one pass into `result`, whose size is the smaller width
// and height of `outline` and `map`. The level goes to all three bytes;
// columns 1 and W-2 are repeated into columns 0 and W-1, rows 1 and H-2 into
// rows 0 and H-1. The four corners are never written and stay black.
void SmoothDepthRow(const CImage& outline, const CImage& map, CImage& result, int y);

CImage SmoothDepth(const CImage& outline, const CImage& map);

// The size of a pass's result: the smaller width and height of the inputs.
CImage AllocateSmoothingResult(const CImage& outline, const CImage& map);
