// Image orientation: a photo's stored pixels turned as its EXIF orientation says, to be seen upright.
#pragma once

#include "engine/base/image.h"

// The picture as seen when its stored pixels carry the EXIF orientation
// nOrientation, which tells where the stored top row and left column belong:
// 1 as stored, 2 mirrored left to right, 3 turned half round, 4 mirrored top
// to bottom, 5 transposed (the top row becomes the left column), 6 turned a
// quarter clockwise, 7 transposed across the other diagonal, 8 turned a
// quarter anticlockwise. 5 to 8 swap the width and the height; any other
// value gives the stored pixels. Throws std::bad_alloc when the turned image
// cannot be allocated.
CImage Upright(CImage stored, int nOrientation);
