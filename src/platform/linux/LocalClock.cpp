// General date, number separators and local seconds.
#include "platform/linux/LocalClock.h"

#include <langinfo.h>

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace sw::platform::linuxos {

namespace {

bool IsPlainC(const std::string& name) {
  return name.empty() || name == "C" || name == "POSIX" || name.rfind("C.", 0) == 0;
}

// numpunct<char> holds one byte; separators such as the narrow no-break space of fr_FR are
// several bytes in UTF-8, so those come from nl_langinfo of the same environment.
std::string LanginfoNumeric(const std::locale& locale, nl_item item, char fallback) {
  std::string text(1, fallback);
  locale_t loc = newlocale(LC_NUMERIC_MASK, locale.name().c_str(), static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) loc = newlocale(LC_NUMERIC_MASK, "", loc);
  if (loc != static_cast<locale_t>(nullptr)) {
    text = nl_langinfo_l(item, loc);
    freelocale(loc);
  }
  return text;
}

}  // namespace

std::optional<std::locale> UserLocale() {
  try {
    std::locale loc("");
    if (IsPlainC(loc.name())) return std::nullopt;
    return loc;
  } catch (const std::runtime_error&) {
    return std::nullopt;  // LANG names a locale this machine does not have
  }
}

std::string FormatGeneralDate(const std::tm& tm, const std::optional<std::locale>& locale) {
  if (locale) {
    std::ostringstream out;
    out.imbue(*locale);
    out << std::put_time(&tm, "%x %X");
    return out.str();
  }
  int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday,
                tm.tm_year + 1900, hour12, tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
  return text;
}

NumberFormat NumberFormatOf(const std::optional<std::locale>& locale) {
  NumberFormat format;  // "," and "."
  if (!locale) return format;
  const auto& punct = std::use_facet<std::numpunct<char>>(*locale);
  char thousands = punct.thousands_sep();
  char decimal = punct.decimal_point();
  auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80 && c != '\0'; };
  format.thousands = ascii(thousands) ? std::string(1, thousands) : LanginfoNumeric(*locale, THOUSEP, ',');
  format.decimal = ascii(decimal) ? std::string(1, decimal) : LanginfoNumeric(*locale, RADIXCHAR, '.');
  if (format.thousands.empty()) format.thousands = ",";
  if (format.decimal.empty()) format.decimal = ".";
  return format;
}

LocalTime LocalSecondsOf(std::time_t utc) {
  std::tm local{};
  localtime_r(&utc, &local);
  return static_cast<LocalTime>(timegm(&local));
}

}  // namespace sw::platform::linuxos
