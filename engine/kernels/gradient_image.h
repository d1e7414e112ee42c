// The gradient (edge) image: a 3 x 3 difference operator applied to each colour byte.
#pragma once

#include "engine/base/image.h"

// Computes output row y (1..H-2) of the gradient of `source` into `gradient`
// (same size). Per byte: Gx = (column x-1 sum - column x+1 sum) / 3 and
// Gy = (row y-1 sum - row y+1 sum) / 3, truncated; the byte stored is the
// magnitude (Gy^2 + Gx^2)^0.5 rounded and limited to 255. Images narrower
// than 3 pixels have no interior, and their rows stay black.
void ComputeGradientRow(const CImage& source, CImage& gradient, int y);

// The whole gradient image: border rows and columns black.
CImage ComputeGradientImage(const CImage& source);
