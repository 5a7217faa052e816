// Dates and numbers the way the user's locale writes them, as pure functions of a broken-down
// time and a locale, so that they can be tested with any locale the machine has.
#pragma once

#include <ctime>
#include <locale>
#include <optional>
#include <string>

#include "platform/Os.h"

namespace sw::platform::linuxos {

// The environment's locale (LANG, LC_ALL, ...), or nothing when it is C/POSIX or unusable.
std::optional<std::locale> UserLocale();

// The general date of tm (fields as local time). Without a locale: the US general date
// "M/D/YYYY h:mm:ss AM" that an English Windows writes, which also keeps traces comparable
// between the platforms; with one: its own short date and time ("%x %X").
std::string FormatGeneralDate(const std::tm& tm, const std::optional<std::locale>& locale);

// Thousands and decimal separators of a locale; "," and "." without one.
NumberFormat NumberFormatOf(const std::optional<std::locale>& locale);

// Local wall time of a UTC instant, counted from 1970 as if local time were UTC.
LocalTime LocalSecondsOf(std::time_t utc);

}  // namespace sw::platform::linuxos
