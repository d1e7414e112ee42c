// RoundToInt and TextToInt.
#include "engine/numeric.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(RoundToInt, RoundsHalvesAwayFromZero)
{
    EXPECT_EQ(RoundToInt(2.5), 3);
    EXPECT_EQ(RoundToInt(-2.5), -3);
    EXPECT_EQ(RoundToInt(2.4999), 2);
    EXPECT_EQ(RoundToInt(0.5), 1);
    EXPECT_EQ(RoundToInt(-0.5), -1);
    EXPECT_EQ(RoundToInt(1.49), 1);
    EXPECT_EQ(RoundToInt(127.5), 128);
}

TEST(RoundToInt, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(RoundToInt(1e300), INT_MAX);
    EXPECT_EQ(RoundToInt(-1e300), INT_MIN);
    EXPECT_EQ(RoundToInt(std::nan("")), 0);
}

TEST(TextToInt, ReadsTheLeadingInteger)
{
    EXPECT_EQ(TextToInt("12"), 12);
    EXPECT_EQ(TextToInt(""), 0);
    EXPECT_EQ(TextToInt("7px"), 7);
    EXPECT_EQ(TextToInt("  -42x"), -42);
    EXPECT_EQ(TextToInt("+5"), 5);
    EXPECT_EQ(TextToInt("px7"), 0);
    EXPECT_EQ(TextToInt("99999999999999"), INT_MAX);
}
