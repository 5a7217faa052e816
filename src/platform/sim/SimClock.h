// The simulated machine's virtual clock: wall time and tick count that move only when told to,
// and the US general date computed by plain calendar arithmetic (no time-zone tables).
#pragma once

#include <cstdint>
#include <string>

#include "platform/Os.h"

namespace sw::platform::sim {

// Seconds from 1970-01-01 00:00:00 to the given local date-time (proleptic Gregorian).
LocalTime LocalTimeOf(int year, int month, int day, int hour, int minute, int second);

// "M/D/YYYY h:mm:ss AM", e.g. "12/8/2026 10:00:00 AM".
std::string FormatGeneralDate(LocalTime t);

class VirtualClock {
 public:
  VirtualClock();
  LocalTime Now() const;
  std::uint32_t TickCount() const;  // wraps after 49.7 days, as GetTickCount does
  void SetNow(LocalTime t);
  void Advance(std::uint64_t ms);

 private:
  std::uint64_t ticks_;  // milliseconds since the simulated boot
  LocalTime wallBase_;   // wall time at ticks == tickBase_
  std::uint64_t tickBase_;
};

}  // namespace sw::platform::sim
