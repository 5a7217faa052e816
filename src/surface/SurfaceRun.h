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
  const std::int32_t request;  // sectors a request moves
  std::mt19937_64 random;
  SurfaceFindings findings;

  std::uint8_t* Data() { return ctx.state.SectorBuffer.data(); }
  // Each returns whether the transfer went through; the time it took counts for the region
  // of `sector` (a sample's read says little of the speed and counts for none). A failed write
  // checks the pinned drive. Writes are not flushed until Flush.
  bool Write(std::int64_t sector, std::int32_t count);
  bool Read(std::int64_t sector, std::int32_t count, diskio::Retry retry = diskio::Retry::Once);
  bool ReadSample(std::int64_t sector, std::int32_t count);
  // Flushes the writes made since the last flush to the device, its time counted as writing
  // time of the region of the last write; a failure is counted with the sectors written by
  // then, and checks the pinned drive. True when nothing was left to flush.
  bool Flush();
  // Hands control to the window; true once Cancel was seen or the drive was lost.
  bool Stopped();
  bool Lost() const { return lost_; }
  bool Cancelled() const { return cancelled_; }
  void Progress(const std::string& phase, std::uint64_t done, std::uint64_t totalSteps,
                std::uint64_t bytes, core::Direction direction);

 private:
  RegionSpeed& RegionOf(std::int64_t sector);
  bool Read(std::int64_t sector, std::int32_t count, diskio::Retry retry, bool timed);
  std::uint64_t failedReads_ = 0;
  std::int64_t lastWrite_ = -1;  // the first sector of the last write not yet flushed; -1: none
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

// Sectors a request moves when the options leave it open: 1/256 of the drive in whole MiB, at
// least 1 MiB (a small drive's speed figures stay fine-grained) and at most 4 MiB (a Cancel
// is seen within a second on a slow stick).
std::int32_t RequestSectors(std::int64_t totalSectors);

// Sectors written after a check of samples, made when `checkedSectors` were written, before the
// next: 1/256 of the drive or 64 MiB, whichever is smaller, or 1/16 of what was written by the
// check when that is more; in whole requests, at least one. So the checks come often while
// little is written, and a drive whose memory runs out is told before 17/16 of the 16/15 of
// its memory at which the loss grows two slices long is written.
std::int64_t StepSectors(std::int64_t totalSectors, std::int64_t checkedSectors, std::int64_t requestSectors);

// How many sectors each sample reads: an aligned 4 KiB, one sector of a 4Kn drive, which costs
// a stick about what one of 512 bytes costs.
inline constexpr std::int32_t kSampleSectors = 8;

// How many samples each check reads, one at random in each of that many equal slices of what was
// written: a run of bad sectors twice a slice long is always hit, wherever it lies. The check
// reads after a flush: the samples come from the flash, not from a cache in front of it.
inline constexpr std::uint32_t kSamples = 32;

}  // namespace sw::surface::detail
