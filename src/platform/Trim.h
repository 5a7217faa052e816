// Cutting filler characters off both ends of a text: the padding of fixed-width device fields,
// of typed answers, of sysfs attributes and of the window's list entries.
#pragma once

#include <string>
#include <string_view>

namespace sw::platform {

// What std::isspace counts as white space in the "C" locale.
inline constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

// text without the characters of filler at its start and end; empty when nothing else is left.
inline std::string Trim(std::string_view text, std::string_view filler = " ") {
  const auto first = text.find_first_not_of(filler);
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(filler);
  return std::string(text.substr(first, last - first + 1));
}

}  // namespace sw::platform
