"""Tessaly: depth maps of stereo pairs, on numpy arrays.

The exact engine of tessaly-cli and the desktop app, in memory: what a call returns equals, pixel
for pixel, the files that tessaly-cli writes for the same pair and settings.

    import tessaly
    left = tessaly.imread("left.jpg")          # H x W x 3 uint8, RGB
    right = tessaly.imread("right.jpg")
    r = tessaly.depth_map(left, right, side="left", fragment=16, max_parallax=(64, 0))
    r.depth                                    # H x W uint8: the depth map's level
    r.dx, r.dy                                 # h x w int16: each pixel's displacement
    tessaly.imwrite("map.png", r.depth)

Images are numpy uint8 arrays of shape (H, W, 3), RGB, or (H, W), grey. Every function is
documented: help(tessaly.depth_map).
"""
from ._core import (DepthMap, DisplacementRange, __version__, depth_map, imread, imwrite, outline, smooth,
                    split)

__all__ = ["DepthMap", "DisplacementRange", "__version__", "depth_map", "imread", "imwrite", "outline",
           "smooth", "split"]
