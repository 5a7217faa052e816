// Fixed-width fields, numbers read and written in the general form, and "," grouped numbers with
// cut decimals.
#include "drives/TextFormat.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/Trim.h"

namespace sw::drives {
namespace {

constexpr int kSignificantDigits = 15;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Digits of |value| rounded to 15 significant digits, and the decimal exponent of the first one.
void SignificantDigits(double value, std::string& digits, int& exponent) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", kSignificantDigits - 1, std::fabs(value));
  // buf reads d.dddddddddddddde[+-]xx
  digits.assign(1, buf[0]);
  const char* p = buf + 2;
  while (*p != 'e') digits.push_back(*p++);
  exponent = std::atoi(p + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
}

}  // namespace

std::string NumberText(double value) {
  if (!std::isfinite(value)) return "0";
  if (value == 0) return "0";
  std::string digits;
  int exponent = 0;
  SignificantDigits(value, digits, exponent);
  const int count = static_cast<int>(digits.size());
  std::string text = value < 0 ? "-" : "";
  if (exponent < 0) {
    text += "0.";
    text.append(static_cast<std::size_t>(-exponent - 1), '0');
    text += digits;
  } else if (exponent + 1 >= count) {
    text += digits;
    text.append(static_cast<std::size_t>(exponent + 1 - count), '0');
  } else {
    text += digits.substr(0, static_cast<std::size_t>(exponent + 1));
    text += '.';
    text += digits.substr(static_cast<std::size_t>(exponent + 1));
  }
  return text;
}

double ReadNumber(const std::string& text) {
  // Blanks count nowhere, as in a numeric literal typed with spaces: "1 024" reads 1024.
  std::string packed;
  for (char c : text) {
    if (!IsBlank(c)) packed.push_back(c);
  }
  std::size_t i = 0;
  std::string literal;
  if (i < packed.size() && (packed[i] == '+' || packed[i] == '-')) literal.push_back(packed[i++]);
  bool anyDigit = false;
  while (i < packed.size() && std::isdigit(static_cast<unsigned char>(packed[i]))) {
    literal.push_back(packed[i++]);
    anyDigit = true;
  }
  if (i < packed.size() && packed[i] == '.') {
    literal.push_back(packed[i++]);
    while (i < packed.size() && std::isdigit(static_cast<unsigned char>(packed[i]))) {
      literal.push_back(packed[i++]);
      anyDigit = true;
    }
  }
  if (!anyDigit) return 0;
  if (i < packed.size() && (packed[i] == 'E' || packed[i] == 'e')) {
    std::size_t j = i + 1;
    std::string exponent = "e";
    if (j < packed.size() && (packed[j] == '+' || packed[j] == '-')) {
      exponent.push_back(packed[j++]);
    }
    bool expDigit = false;
    while (j < packed.size() && std::isdigit(static_cast<unsigned char>(packed[j]))) {
      exponent.push_back(packed[j++]);
      expDigit = true;
    }
    if (expDigit) literal += exponent;
  }
  const double value = std::strtod(literal.c_str(), nullptr);
  return std::isfinite(value) ? value : 0;
}

std::string PadField(const std::string& text, const std::string& fill, int width,
                     bool leftAligned) {
  if (width <= 0) return {};
  const auto w = static_cast<std::size_t>(width);
  const std::string filler(w, fill.empty() ? ' ' : fill.front());
  if (leftAligned) return (text + filler).substr(0, w);
  const std::string joined = filler + text;
  return joined.substr(joined.size() - w);
}

std::string FormatDecimals(double number, const std::string& pattern) {
  std::string text = NumberText(number);
  std::string sign;
  if (!text.empty() && text.front() == '-') {
    sign = "-";
    text.erase(0, 1);
  }
  std::string integerPart = text;
  std::string fraction = "0";
  if (const auto dot = text.find('.'); dot != std::string::npos) {
    integerPart = text.substr(0, dot);
    fraction = text.substr(dot + 1);
    if (fraction.empty()) fraction.assign(1, '0');
  }

  std::string grouped;
  const std::size_t n = integerPart.size();
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) grouped.push_back(',');
    grouped.push_back(integerPart[i]);
  }

  std::size_t decimals = 0;
  if (pattern.find(".0##") != std::string::npos) {
    decimals = 3;
  } else if (pattern.find(".0#") != std::string::npos) {
    decimals = 2;
  } else if (pattern.find(".0") != std::string::npos) {
    decimals = 1;
  }
  std::string result = sign;
  result += grouped;
  if (pattern.find('.') != std::string::npos) {
    result += '.';
    result.append(fraction, 0, decimals);
  }
  return result;
}

std::string FormatDecimals(const std::string& number, const std::string& pattern) {
  return FormatDecimals(ReadNumber(number), pattern);
}

std::string StripNulls(const std::string& OriginalStr) {
  std::string trimmed = platform::Trim(OriginalStr);
  if (const auto nul = trimmed.find('\0'); nul != std::string::npos) trimmed.erase(nul);
  return trimmed;
}

}  // namespace sw::drives
