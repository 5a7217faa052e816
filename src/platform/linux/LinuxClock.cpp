// Clock, pauses and the user's number format.
#include <ctime>

#include <cerrno>

#include "platform/linux/LinuxOs.h"
#include "platform/linux/LocalClock.h"

namespace sw::platform::linuxos {

LocalTime LinuxOs::Now() { return LocalSecondsOf(std::time(nullptr)); }

std::string LinuxOs::GeneralDate(LocalTime t) {
  std::time_t asUtc = static_cast<std::time_t>(t);
  std::tm fields{};
  gmtime_r(&asUtc, &fields);  // t already counts local time
  return FormatGeneralDate(fields, userLocale_);
}

std::uint32_t LinuxOs::GetTickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  std::uint64_t ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                     static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<std::uint32_t>(ms);  // wraps after 49.7 days, as on Windows
}

void LinuxOs::Sleep(std::uint32_t milliseconds) {
  timespec left{static_cast<std::time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

NumberFormat LinuxOs::UserNumberFormat() { return NumberFormatOf(userLocale_); }

}  // namespace sw::platform::linuxos
