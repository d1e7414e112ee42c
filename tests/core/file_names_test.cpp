// Base names and derived file names.
#include "engine/file_names.h"

#include <gtest/gtest.h>

TEST(FileNames, BaseIsTheDirectoryAndTheNameCutBeforeItsLastDot)
{
    EXPECT_EQ(MakeBase("/pairs/tower.jpg"), "/pairs/tower");
    EXPECT_EQ(MakeBase("/pairs/a.b.tif"), "/pairs/a.b");
    EXPECT_EQ(MakeBase("/pairs/noext"), "/pairs/noext");
    EXPECT_EQ(MakeBase("/my.pairs/left"), "/my.pairs/left");
    EXPECT_EQ(MakeBase("relative.png"), "relative");
    EXPECT_EQ(MakeBase("/Photos/Été 2026/IMG 1.JPG"), "/Photos/Été 2026/IMG 1");
}

TEST(FileNames, DerivedNamesTakeTheExtensionOfTheFormat)
{
    EXPECT_EQ(MakeDerivedName("/p/tower", kSuffixDepthMap, kFormatPng), "/p/tower-3dmap.png");
    EXPECT_EQ(MakeDerivedName("/p/tower", kSuffixGradient, kFormatBmp), "/p/tower-gradient.bmp");
    EXPECT_EQ(MakeDerivedName("/p/tower", kSuffixXd, kFormatTiff), "/p/tower-xd.tif");
    EXPECT_STREQ(SaveExtension(7), "bmp");
}
