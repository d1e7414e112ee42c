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

// An output folder takes the bases and leaves the sources; a side without a base keeps none, and no folder keeps
// every name beside its source.
TEST(StereoPair, AnOutputFolderTakesTheBasesOnly)
{
    const CStereoPair pair = CStereoPair("/p/l.png", {}).WithOutputFolder("out/");
    EXPECT_EQ(std::tuple(pair.LeftPath(), pair.DerivedName(false, "-3dmap.", kFormatPng), pair.RightBase()),
              std::tuple("/p/l.png", "out/l-3dmap.png", ""));
    EXPECT_EQ(CStereoPair("a/x.b.tif", "r").WithOutputFolder("").LeftBase(), "a/x.b");
}
