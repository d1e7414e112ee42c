// RoundToInt and TextToInt: the two number conversions every stage and setting uses.
#pragma once

#include <string_view>

// Nearest integer, halves away from zero (2.5 -> 3, -0.5 -> -1). Values beyond
// the int range saturate and NaN gives 0, so no caller meets undefined behaviour.
int RoundToInt(double x);

// The leading decimal integer of a text: blanks skipped, one optional sign,
// digits up to the first other character; 0 when there are none ("7px" -> 7).
// Saturates at the int range.
int TextToInt(std::string_view text);
