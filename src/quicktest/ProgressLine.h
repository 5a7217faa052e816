// The progress line both passes log: percentage and an estimate of the time still to go.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace sw::quicktest {

// Whole percent of a pass done: floor(100 - remaining / total x 100).
int PercentDone(double remainingBytes, double totalBytes);
// "m min s sec " for an estimate of one second or more (one second added), else "0 min 1 sec".
std::string TimeRemainingText(double estimateSeconds);
// CR LF + percent + separator + time text + " remaining". The estimate scales the seconds spent
// so far by the part still to go; none is left when remainingBytes is 0.
std::string ProgressLine(int percent, std::string_view separator, std::int64_t elapsedSeconds,
                         double remainingBytes, double totalBytes);

}  // namespace sw::quicktest
