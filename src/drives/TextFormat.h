// Fixed-width fields and numbers with "," grouping and cut (not rounded) decimals.
#pragma once

#include <string>

namespace sw::drives {

// Exactly width characters: text cut or filled with the first character of fill (a blank when
// fill is empty). Left-aligned keeps the first characters of a longer text, right-aligned the
// last ones.
std::string PadField(const std::string& text, const std::string& fill, int width, bool leftAligned);
// The number's general form (below) with "," between groups of three integer digits and, when
// the pattern holds a ".", the first 0 to 3 of its fraction digits (".0##" 3, ".0#" 2, ".0" 1):
// cut, never rounded, never padded. Same separators whatever the user's locale.
std::string FormatDecimals(double number, const std::string& pattern);
// As above for a text read with ReadNumber.
std::string FormatDecimals(const std::string& number, const std::string& pattern);
// Without leading and trailing blanks, then cut before the first NUL.
std::string StripNulls(const std::string& OriginalStr);

// The general form of a number: up to 15 significant digits, "." as decimal point, no grouping,
// no exponent, no trailing fraction zeros ("31264289280", "0.9775390625", "7633.5").
std::string NumberText(double value);
// A text read the way a numeric literal is read: blanks anywhere are ignored, the number ends at
// the first character that cannot continue it, and a text that does not start with one reads 0.
double ReadNumber(const std::string& text);

}  // namespace sw::drives
