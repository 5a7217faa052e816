// One full-surface run: its drive, salt and findings, and the counted, timed and polled
// transfers the phases make through the raw transfer layer.
#pragma once

#include <cstdint>
#include <random>
#include <string>

#include "core/Context.h"
#include "diskio/SectorIO.h"
#include "surface/SurfaceBlocks.h"
#include "surface/SurfaceEngine.h"

namespace sw::surface::detail {

class SurfaceRun {
 public:
  SurfaceRun(core::Context& ctx, const SurfaceOptions& options, std::uint64_t salt);

  core::Context& ctx;
  const SurfaceOptions options;
  const std::uint64_t salt;
  const std::int64_t total;  // announced sectors
  std::mt19937_64 random;
  SurfaceFindings findings;

  std::uint8_t* Data() { return ctx.state.SectorBuffer.data(); }
  // Each returns whether the transfer went through; the time it took counts for the region
  // of `sector`. A failed write checks the pinned drive.
  bool Write(std::int64_t sector, std::int32_t count);
  bool Read(std::int64_t sector, std::int32_t count, diskio::Retry retry = diskio::Retry::Once);
  // Hands control to the window; true once Cancel was seen or the drive was lost.
  bool Stopped();
  bool Lost() const { return lost_; }
  bool Cancelled() const { return cancelled_; }
  void Progress(const std::string& phase, std::uint64_t done, std::uint64_t totalSteps,
                std::uint64_t bytes, core::Direction direction);

 private:
  RegionSpeed& RegionOf(std::int64_t sector);
  std::uint64_t failedReads_ = 0;
  bool cancelled_ = false;
  bool lost_ = false;
};

// The phases, in order.
void WritePhase(SurfaceRun& run);
void ReadBackPhase(SurfaceRun& run);
// The figures drawn from the read-back: the real end, the collapse of the write speed.
void ConcludeFindings(SurfaceFindings& findings);

// The wrong samples counted, with an overwritten one's example: "3 lost, 1 overwritten; e.g. ...".
std::string AlarmWords(const SampleAlarm& alarm);

// Sectors written between two checks of samples: 1/256 of the drive or 64 MiB, whichever is
// smaller, in whole requests, at least one.
std::int64_t StepSectors(std::int64_t totalSectors, std::int64_t requestSectors);

// How many samples each check reads, one at random in each of that many equal slices of what was
// written: a run of bad sectors twice a slice long is always hit, wherever it lies.
inline constexpr std::uint32_t kSamples = 32;

}  // namespace sw::surface::detail
