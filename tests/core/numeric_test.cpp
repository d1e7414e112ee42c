// RoundToInt and TextToInt.
#include "engine/base/numeric.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

TEST(RoundToInt, RoundsHalvesAwayFromZeroAndSaturatesInsteadOfOverflowing)
{
    const std::pair<double, int> cases[]
        = {{2.5, 3},  {-2.5, -3},   {2.4999, 2},      {0.5, 1},          {-0.5, -1},
           {1.49, 1}, {127.5, 128}, {1e300, INT_MAX}, {-1e300, INT_MIN}, {std::nan(""), 0}};
    for (const auto& [dValue, nRounded] : cases)
        EXPECT_EQ(RoundToInt(dValue), nRounded) << dValue;
}

TEST(TextToInt, ReadsTheLeadingInteger)
{
    const std::pair<const char*, int> cases[]
        = {{"12", 12}, {"", 0}, {"7px", 7}, {"  -42x", -42}, {"+5", 5}, {"px7", 0}, {"99999999999999", INT_MAX}};
    for (const auto& [text, nValue] : cases)
        EXPECT_EQ(TextToInt(text), nValue) << text;
}
