// Virtual clock and general-date formatting of the simulated machine.
#include "platform/sim/SimClock.h"

#include <cstdio>

namespace sw::platform::sim {
namespace {

// The machine starts on a fixed date so transcripts are the same on every run and host.
constexpr int kStartYear = 2026, kStartMonth = 12, kStartDay = 8, kStartHour = 10;
// The simulated machine has been up for an hour when a test begins.
constexpr std::uint64_t kStartTicks = 3'600'000;

constexpr std::int64_t kSecondsPerDay = 86'400;

// Days from 1970-01-01 to y-m-d (H. Hinnant's days_from_civil).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2 ? 1 : 0;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const auto yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

CivilDate CivilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const auto doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

}  // namespace

LocalTime LocalTimeOf(int year, int month, int day, int hour, int minute, int second) {
  return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) *
             kSecondsPerDay +
         hour * 3600 + minute * 60 + second;
}

std::string FormatGeneralDate(LocalTime t) {
  std::int64_t days = t / kSecondsPerDay;
  std::int64_t secs = t % kSecondsPerDay;
  if (secs < 0) {
    secs += kSecondsPerDay;
    --days;
  }
  const CivilDate date = CivilFromDays(days);
  const int hour24 = static_cast<int>(secs / 3600);
  const int minute = static_cast<int>(secs / 60 % 60);
  const int second = static_cast<int>(secs % 60);
  const int hour12 = hour24 % 12 == 0 ? 12 : hour24 % 12;
  char text[64];
  std::snprintf(text, sizeof text, "%u/%u/%lld %d:%02d:%02d %s", date.month, date.day,
                static_cast<long long>(date.year), hour12, minute, second,
                hour24 < 12 ? "AM" : "PM");
  return text;
}

VirtualClock::VirtualClock()
    : ticks_(kStartTicks),
      wallBase_(LocalTimeOf(kStartYear, kStartMonth, kStartDay, kStartHour, 0, 0)),
      tickBase_(kStartTicks) {}

LocalTime VirtualClock::Now() const {
  return wallBase_ + static_cast<LocalTime>((ticks_ - tickBase_) / 1000);
}

std::uint32_t VirtualClock::TickCount() const { return static_cast<std::uint32_t>(ticks_); }

void VirtualClock::SetNow(LocalTime t) {
  wallBase_ = t;
  tickBase_ = ticks_;
}

void VirtualClock::Advance(std::uint64_t ms) { ticks_ += ms; }

}  // namespace sw::platform::sim
