// Numbers and durations as the volume file test writes them: the locale patterns "###,###,###",
// "###,###.##" and "hh:mm:ss", the plain general form, and rounding of halves to even.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Os.h"

namespace sw::filetest {

// Halves go to the even neighbour: 0.5 -> 0, 1.5 -> 2, 2.5 -> 2.
double RoundHalfEven(double value);

// "###,###,###": digits grouped by threes with the locale's separator; 0 gives an empty text
// (a "#" never shows a lone zero). Negative values are written with a leading "-".
std::string FormatThousands(double value, const platform::NumberFormat& format);

// "###,###.##": grouped integer part (empty when 0), then always the decimal separator, then
// at most two decimals, rounded, without trailing zeros: 100 -> "100.", 0.5 -> ".5",
// 0.001 -> ".".
std::string FormatUpToTwoDecimals(double value, const platform::NumberFormat& format);

// "hh:mm:ss" of a duration as a time of day: whole seconds (halves to even), hours modulo 24.
std::string FormatHms(double seconds);

// The plain general form: up to 15 significant digits, "." before decimals, no grouping
// (7633.5, 200, 0.25).
std::string FormatGeneral(double value);

}  // namespace sw::filetest
