// Fixed-width fields and numbers with "," grouping and cut (not rounded) decimals.
#pragma once

#include <string>

namespace sw::drives {

std::string PadField(const std::string& text, const std::string& fill, int width, bool leftAligned);
std::string FormatDecimals(double number, const std::string& pattern);
std::string FormatDecimals(const std::string& number, const std::string& pattern);
std::string StripNulls(const std::string& OriginalStr);

}  // namespace sw::drives
