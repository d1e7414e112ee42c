// Outline images and segment smoothing of two decoded images, made in memory.
#pragma once

#include "engine/base/image.h"
#include "engine/base/stage_host.h"

#include <memory>

// Each stage lets the host's events through and polls its cancellation once
// per row; none touches the status line or the progress bar. Null when
// cancelled.

// The sign image of a source: the sign of a 3 x 3 Laplacian of its
// brightness, coded green or blue.
std::shared_ptr<const CImage> MakeSignImage(const CImage& source, CStageHost& host);
// The 3 x 3 gradient image of a source, as a depth-map job makes it.
std::shared_ptr<const CImage> MakeGradientImage(const CImage& source, CStageHost& host);
// The outline image: the sign image whitened where the gradient is below
// nLevel (0..256), at the smaller size of the two.
std::shared_ptr<const CImage> MaskOutlineImage(const CImage& sign, const CImage& gradient, int nLevel,
                                               CStageHost& host);
// The three in a row: the outline image of a source.
std::shared_ptr<const CImage> MakeOutlineImage(const CImage& source, int nLevel, CStageHost& host);

// max(1, nDegree) passes of segment smoothing over a depth map ("-3dmap.")
// within its outline image, into the "-3dmapNew." image.
std::shared_ptr<const CImage> SmoothDepthMap(std::shared_ptr<const CImage> map, const CImage& outline, int nDegree,
                                             CStageHost& host);
