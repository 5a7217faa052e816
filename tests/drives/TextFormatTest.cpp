// PadField, FormatDecimals, NumberText, ReadNumber and StripNulls, table by table.
#include <gtest/gtest.h>

#include <string>

#include "drives/TextFormat.h"

namespace sw::drives {
namespace {

struct PadRow {
  std::string text;
  std::string fill;
  int width;
  bool left;
  std::string expected;
};

TEST(PadField, FillsOrCutsToExactlyTheWidth) {
  const PadRow rows[] = {
      {"ABC", " ", 5, true, "ABC  "},    {"ABC", " ", 5, false, "  ABC"},
      {"ABCDEF", " ", 4, false, "CDEF"}, {"ABCDEF", " ", 4, true, "ABCD"},
      {"ABC", "*-", 6, false, "***ABC"},  // only the first character of fill counts
      {"ABC", "", 4, true, "ABC "},      {"", " ", 3, true, "   "},
      {"ABC", " ", 3, false, "ABC"},     {"ABC", " ", 0, true, ""},
  };
  for (const PadRow& r : rows) {
    EXPECT_EQ(PadField(r.text, r.fill, r.width, r.left), r.expected)
        << r.text << " width " << r.width << (r.left ? " left" : " right");
  }
}

struct DecimalsRow {
  double number;
  std::string pattern;
  std::string expected;
};

TEST(FormatDecimals, GroupsAndCutsWithoutRounding) {
  const DecimalsRow rows[] = {
      {2, "#########0.0##", "2.0"},
      {1234.56789, "#########0.0##", "1,234.567"},
      {31264289280.0, "###,###,###,###,###0", "31,264,289,280"},
      {0.9775390625, "###############0.0", "0.9"},  // cut, not rounded to 1.0
      {29.1999, "###############0.0", "29.1"},
      {1862.99, "###############0.0", "1,862.9"},
      {1234.5, "#,##0.#", "1,234."},  // "." without ".0": no decimals at all
      {123456.789, "0.0#", "123,456.78"},
      {1.5, "0.0##", "1.5"},  // never padded with zeros
      {100, "0.0##", "100.0"},
      {999, "0", "999"},
      {1000, "0", "1,000"},
      {100000, "0", "100,000"},
      {1000000, "0", "1,000,000"},
      {0, "0.0", "0.0"},
      {0.1 + 0.2, "0.0##", "0.3"},  // read at 15 significant digits first
      {29.999999999999996, "0.0", "30.0"},
  };
  for (const DecimalsRow& r : rows) {
    EXPECT_EQ(FormatDecimals(r.number, r.pattern), r.expected) << r.number << " " << r.pattern;
  }
}

TEST(FormatDecimals, ReadsTextAsANumericLiteral) {
  EXPECT_EQ(FormatDecimals("  31264289280", "###,###,###,###,###0"), "31,264,289,280");
  EXPECT_EQ(FormatDecimals("1 024.5", "0.0"), "1,024.5");
  EXPECT_EQ(FormatDecimals("12abc", "0.0"), "12.0");
  EXPECT_EQ(FormatDecimals("abc", "0.0"), "0.0");
  EXPECT_EQ(FormatDecimals("", "0"), "0");
  EXPECT_EQ(FormatDecimals("1E3", "0"), "1,000");
  EXPECT_EQ(FormatDecimals("2.5e", "0.0"), "2.5");
}

TEST(NumberText, GeneralFormWithFifteenSignificantDigits) {
  const std::pair<double, std::string> rows[] = {
      {0, "0"},
      {31264289280.0, "31264289280"},
      {31266439168.0, "31266439168"},
      {7633.5, "7633.5"},
      {0.9775390625, "0.9775390625"},
      {0.001, "0.001"},
      {1e15, "1000000000000000"},
      {123456789012345678.0, "123456789012346000"},
      {1.0 / 3.0, "0.333333333333333"},
      {-2.5, "-2.5"},
  };
  for (const auto& [value, expected] : rows) EXPECT_EQ(NumberText(value), expected) << expected;
}

TEST(ReadNumber, StopsAtTheFirstCharacterThatCannotContinueTheNumber) {
  EXPECT_DOUBLE_EQ(ReadNumber(" 1 2 3 "), 123);
  EXPECT_DOUBLE_EQ(ReadNumber("31,264"), 31);
  EXPECT_DOUBLE_EQ(ReadNumber("-4.25x"), -4.25);
  EXPECT_DOUBLE_EQ(ReadNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(ReadNumber("x12"), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("-"), 0);
  EXPECT_DOUBLE_EQ(ReadNumber("1e999"), 0);  // out of range counts as no number
}

TEST(StripNulls, TrimsBlanksThenCutsAtTheFirstNul) {
  EXPECT_EQ(StripNulls("  1.00  "), "1.00");
  EXPECT_EQ(StripNulls(std::string("AB\0CD", 5)), "AB");
  EXPECT_EQ(StripNulls(std::string("\0AB", 3)), "");
  EXPECT_EQ(StripNulls(std::string("AB  \0", 5)), "AB  ");
  EXPECT_EQ(StripNulls("    "), "");
  EXPECT_EQ(StripNulls(""), "");
}

}  // namespace
}  // namespace sw::drives
