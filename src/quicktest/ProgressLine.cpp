// Percentages and time estimates of the write and read-back passes.
#include "quicktest/ProgressLine.h"

#include <cmath>

#include "core/Log.h"
#include "quicktest/QuickTestTexts.h"

namespace sw::quicktest {

namespace {
std::string WholeNumber(double value) {
  return std::to_string(static_cast<std::int64_t>(std::floor(value)));
}
}  // namespace

int PercentDone(double remainingBytes, double totalBytes) {
  return static_cast<int>(std::floor(100.0 - remainingBytes / totalBytes * 100.0));
}

std::string TimeRemainingText(double estimateSeconds) {
  if (std::floor(estimateSeconds) <= 0) return text::kLessThanASecond;
  const double estimate = estimateSeconds + 1;
  const double minutes = std::floor(estimate / 60);
  return WholeNumber(minutes) + text::kMinutes + WholeNumber(estimate - 60 * minutes) +
         text::kSeconds;
}

std::string ProgressLine(int percent, std::string_view separator, std::int64_t elapsedSeconds,
                         double remainingBytes, double totalBytes) {
  double estimate = 0;
  if (remainingBytes != 0) {
    estimate = static_cast<double>(elapsedSeconds) * remainingBytes / (totalBytes - remainingBytes);
  }
  return std::string(core::kCrLf) + std::to_string(percent) + std::string(separator) +
         TimeRemainingText(estimate) + text::kRemaining;
}

}  // namespace sw::quicktest
