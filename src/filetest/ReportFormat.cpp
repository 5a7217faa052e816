// The volume file test's number and duration formats.
#include "filetest/ReportFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace sw::filetest {

namespace {

std::string GroupDigits(std::uint64_t value, const std::string& separator) {
  if (value == 0) return {};
  std::string digits = std::to_string(value);
  std::string out;
  const std::size_t n = digits.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

std::string TwoDigits(std::int64_t v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(v));
  return buf;
}

}  // namespace

double RoundHalfEven(double value) {
  const double lower = std::floor(value);
  const double diff = value - lower;
  if (diff < 0.5) return lower;
  if (diff > 0.5) return lower + 1.0;
  return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

std::string FormatThousands(double value, const platform::NumberFormat& format) {
  // Whole numbers are what this pattern is used for; a fraction is rounded as Format does.
  const double whole = std::round(std::fabs(value));
  const std::string digits = GroupDigits(static_cast<std::uint64_t>(whole), format.thousands);
  return (value < 0 && whole > 0 ? "-" : "") + digits;
}

std::string FormatUpToTwoDecimals(double value, const platform::NumberFormat& format) {
  const auto hundredths = static_cast<std::uint64_t>(std::round(std::fabs(value) * 100.0));
  std::string out = value < 0 && hundredths > 0 ? "-" : "";
  out += GroupDigits(hundredths / 100, format.thousands);
  out += format.decimal;
  const std::uint64_t fraction = hundredths % 100;
  if (fraction != 0) {
    out += static_cast<char>('0' + fraction / 10);
    if (fraction % 10 != 0) out += static_cast<char>('0' + fraction % 10);
  }
  return out;
}

std::string FormatHms(double seconds) {
  // A negative span shows its magnitude, as a date before the epoch shows its time of day.
  const auto total = static_cast<std::int64_t>(RoundHalfEven(std::fabs(seconds)));
  const std::int64_t hours = (total / 3600) % 24;
  const std::int64_t minutes = (total / 60) % 60;
  return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(total % 60);
}

std::string FormatGeneral(double value) {
  char buf[64];
  const auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, 15);
  return std::string(buf, result.ptr);
}

}  // namespace sw::filetest
