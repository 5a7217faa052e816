// Texts of the live progress line and the average speeds.
#include "frontends/cli/LiveLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "frontends/cli/CliTexts.h"
#include "report/RunFigures.h"

namespace sw::frontends::cli {

namespace {

// The report's MB: 1,048,576 bytes.
constexpr double kMB = 1048576.0;
// The least an average speed is given from.
constexpr std::uint64_t kMinSpeedBytes = 64 * 1'048'576;
constexpr double kMinSpeedSeconds = 1.0;

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

std::size_t LineWidthFor(int columns) {
  if (columns <= 1) return kUnknownLineWidth;
  return static_cast<std::size_t>(columns) - 1;
}

std::string LiveLineText(const core::ProgressUpdate& u, std::size_t width) {
  std::string share;
  if (u.total > 0) {
    const double part = static_cast<double>(u.done) / static_cast<double>(u.total);
    share = std::to_string(static_cast<int>(std::floor(std::min(part, 1.0) * 100))) + "%";
  }
  std::string rate;
  if (u.bytesMoved > 0 && u.elapsedSeconds > 0) rate = Rate(u.bytesMoved, u.elapsedSeconds);
  const std::string elapsed = text::kElapsed + ClockText(u.elapsedSeconds);
  std::string remaining;
  if (u.remainingSeconds >= 0) remaining = text::kRemainingTime + ClockText(u.remainingSeconds);

  // Too wide a line wraps, and every redraw then leaves a stale line behind. The figures go in
  // the order they matter least: the time spent, the rate, the time left.
  std::string optional[] = {elapsed, rate, remaining};
  const auto join = [&] {
    std::string line = u.phase;
    for (const std::string* part : {&share, &optional[1], &optional[0], &optional[2]}) {
      if (!part->empty()) line += text::kLiveGap + *part;
    }
    return line;
  };
  std::string line = join();
  for (std::string& dropped : optional) {
    if (line.size() <= width) return line;
    dropped.clear();
    line = join();
  }
  if (line.size() <= width) return line;
  // Even the phase and its share are too wide: the phase's name is cut.
  const std::string tail = share.empty() ? "" : text::kLiveGap + share;
  const std::size_t cut = std::string(text::kCut).size();
  if (width < tail.size() + cut + 1) return line.substr(0, width);
  return u.phase.substr(0, width - tail.size() - cut) + text::kCut + tail;
}

std::string AverageSpeedsText(const core::RunRecord& run) {
  const report::Speed write = report::AverageSpeed(run, core::Direction::Write);
  const report::Speed read = report::AverageSpeed(run, core::Direction::Read);
  if (write.bytes == 0 && read.bytes == 0) return {};
  const auto figure = [](const report::Speed& s) {
    if (s.bytes == 0) return std::string(text::kNoSpeed);
    // A few MB of samples take a few milliseconds, or come from a cache: any figure they give
    // says nothing of the drive.
    if (s.bytes < kMinSpeedBytes) return std::string(text::kTooLittle);
    return s.seconds >= kMinSpeedSeconds ? Rate(s.bytes, s.seconds) : std::string(text::kTooQuick);
  };
  return std::string(text::kAverageWrite) + figure(write) + text::kAverageRead + figure(read);
}

}  // namespace sw::frontends::cli
