// A job's pair: bases derived from the paths, and a side opened or refused on its own.
#include "engine/job/stereo_pair.h"

#include <gtest/gtest.h>

// A refused image leaves its side without a path but with the refused file's
// base, whatever the other side does next.
TEST(StereoPair, ASideKeepsItsBaseThroughTheOtherSidesChanges)
{
    const CStereoPair pair = CStereoPair("/p/l.png", "/p/r.jpg").WithSideRefused(false).WithSide(true, "/q/s.tif");
    EXPECT_EQ(std::tuple(pair.LeftPath(), pair.LeftBase(), pair.RightPath(), pair.RightBase(),
                         pair.DerivedName(true, "-3dmap.", kFormatPng)),
              std::tuple("", "/p/l", "/q/s.tif", "/q/s", "/q/s-3dmap.png"));
    const CStereoPair right = CStereoPair().WithSide(true, "r.bmp").WithSideRefused(true).WithSide(false, "a.b.c");
    EXPECT_EQ(std::tuple(right.RightPath(), right.RightBase(), right.LeftBase()), std::tuple("", "r", "a.b"));
}
