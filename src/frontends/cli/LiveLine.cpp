// Texts of the live progress line and the average speeds.
#include "frontends/cli/LiveLine.h"

#include <cmath>
#include <cstdio>

#include "frontends/cli/CliTexts.h"
#include "report/RunFigures.h"

namespace sw::frontends::cli {

namespace {

// The report's MB: 1,048,576 bytes.
constexpr double kMB = 1048576.0;

std::string Rate(std::uint64_t bytes, double seconds) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", static_cast<double>(bytes) / kMB / seconds);
  return std::string(buffer) + text::kMBPerSecond;
}

}  // namespace

std::string ClockText(double seconds) {
  const auto whole = static_cast<long long>(std::floor(std::max(seconds, 0.0)));
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                whole % 60);
  return buffer;
}

std::string LiveLineText(const core::ProgressUpdate& u) {
  std::string line = u.phase;
  if (u.total > 0) {
    const double share = static_cast<double>(u.done) / static_cast<double>(u.total);
    line += std::string(text::kLiveGap) + std::to_string(static_cast<int>(std::floor(std::min(share, 1.0) * 100))) + "%";
  }
  if (u.bytesMoved > 0 && u.elapsedSeconds > 0) line += std::string(text::kLiveGap) + Rate(u.bytesMoved, u.elapsedSeconds);
  line += std::string(text::kLiveGap) + text::kElapsed + ClockText(u.elapsedSeconds);
  if (u.remainingSeconds >= 0) line += std::string(text::kLiveGap) + text::kRemainingTime + ClockText(u.remainingSeconds);
  return line;
}

std::string AverageSpeedsText(const core::RunRecord& run) {
  const report::Speed write = report::AverageSpeed(run, core::Direction::Write);
  const report::Speed read = report::AverageSpeed(run, core::Direction::Read);
  if (write.bytes == 0 && read.bytes == 0) return {};
  const auto figure = [](const report::Speed& s) {
    if (s.bytes == 0) return std::string(text::kNoSpeed);
    return s.seconds > 0 ? Rate(s.bytes, s.seconds) : std::string(text::kTooQuick);
  };
  return std::string(text::kAverageWrite) + figure(write) + text::kAverageRead + figure(read);
}

}  // namespace sw::frontends::cli
