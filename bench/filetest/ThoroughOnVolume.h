// The thorough test's write and read-back passes on a real volume, timed, beside plain O_DIRECT
// transfers of the same size in the same chunks, round by round so that both sides meet the
// same moments of a shared machine.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/LinuxOs.h"

namespace sw::bench {

// Seconds of one round.
struct ThoroughRound {
  double write = 0;        // the thorough writer, all files
  double read = 0;         // reading them back, every byte judged
  double directWrite = 0;  // plain O_DIRECT of the same bytes
  double directRead = 0;
  // Processor seconds of this process (all its threads, user and system) in each pass: what
  // making and checking the data costs, whatever else the machine is doing.
  double cpuWrite = 0, cpuRead = 0, cpuDirectWrite = 0, cpuDirectRead = 0;
};

struct ThoroughFigures {
  std::string where;
  std::vector<ThoroughRound> rounds;
  std::uint64_t bytesPerRound = 0;
  bool failed = false;
  // Thorough throughput over plain O_DIRECT throughput: over all rounds, and of each side's
  // best round (the figure least disturbed by other work on the machine).
  double WriteRatio() const;
  double ReadRatio() const;
  double BestWriteRatio() const;
  double BestReadRatio() const;
};

// One round: `files` files of `fileBytes` on `volume` (the provider's name for `folder`).
void MeasureThorough(platform::linuxos::LinuxOs& os, const std::string& volume,
                     const std::filesystem::path& folder, int files, std::uint64_t fileBytes,
                     ThoroughFigures& t);

void PrintThorough(const ThoroughFigures& t);
// The ratios of every volume measured, side by side.
void PrintThoroughSummary(const std::vector<ThoroughFigures>& all);

}  // namespace sw::bench
