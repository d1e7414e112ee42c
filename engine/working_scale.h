// Working-scale reduction (every F-th pixel) and bilinear enlargement of a grey depth map.
#pragma once

#include "engine/depth_map_settings.h"
#include "engine/image.h"
#include "engine/parallax_search.h"

// What the search of a job runs with: at a speed factor F above 1 the
// parallax limits divided by F, rounded, as the images are reduced by F.
SSearchSettings WorkingSearchSettings(const SDepthMapSettings& settings);

// W div F by H div F pixels; output (i, j) is a copy of source (F*i, F*j).
CImage ReduceImageBy(const CImage& source, int nFactor);

// (W - 1)*F by (H - 1)*F pixels, interpolated bilinearly from byte 0 of the
// source; each output pixel holds its level in all three bytes.
CImage EnlargeImageBy(const CImage& source, int nFactor);
