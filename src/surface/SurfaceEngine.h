// The full-surface test's engine: salted blocks over the whole drive in large requests, samples
// of everything written read back as it goes (so that a fake whose memory runs out is told soon
// after its real end), then the read-back of all that was written, sector by sector classified.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "core/Context.h"
#include "core/RunRecord.h"

namespace sw::surface {

struct SurfaceOptions {
  std::uint64_t seed = 0;              // salt of this run's blocks; 0: drawn from a random device
  // Sectors one request moves; 0: 1/256 of the drive in whole MiB, from 1 MiB to 4 MiB.
  std::int32_t requestSectors = 0;
  std::uint32_t regions = 64;          // the drive's slices for the speed figures
};

enum class SurfaceEnd {
  Completed,   // everything written was read back and classified
  Cancelled,   // Cancel seen; what was read back by then is classified
  DriveLost,   // the pinned drive changed or went away: nothing more was written
  Unfinished,  // writing stopped at the samples' alarm, yet every sector read back was good
};

// What one sector read back as.
enum class SectorState { Kept, Lost, Overwritten, Changed, Unreadable };

// Why the samples went wrong, as the question and the report word it.
struct SampleAlarm {
  std::int64_t writtenSectors = 0;  // written when the samples went wrong
  std::uint32_t samples = 0;
  std::uint32_t lost = 0, overwritten = 0, changed = 0, unreadable = 0;
  std::int64_t example = -1;      // a sample that went wrong
  std::int64_t exampleFrom = -1;  // overwritten: whose block it held
};

struct RegionSpeed {
  std::int64_t firstWrite = -1;  // the first sector of the first write request timed here
  std::uint64_t writeBytes = 0, writeMs = 0;
  std::uint64_t readBytes = 0, readMs = 0;
};

struct SurfaceFindings {
  SurfaceEnd end = SurfaceEnd::Completed;
  std::int64_t totalSectors = 0;
  std::int64_t writtenSectors = 0;  // [0, writtenSectors) was written
  std::int64_t readSectors = 0;     // [0, readSectors) was read back and classified
  std::optional<SampleAlarm> alarm;  // the samples went wrong
  bool wroteOn = false;              // ... and the user chose to go on writing to the end
  std::vector<core::SectorRange> goodRanges;  // runs of sectors that kept their blocks
  // The real end: the last sector of the run of good sectors from 0; on a drive whose sector 0
  // held a later sector's block (a wrap), the last below that distance of the run of sectors
  // that kept their block or a later one's. -1: none.
  std::int64_t lastGoodSector = -1;
  std::int64_t wrapSectors = 0;      // sector 0 held the block of this sector; 0: it did not
  std::int64_t aliasRunEnd = 0;      // the first sector from 0 that kept neither
  std::uint64_t kept = 0, lost = 0, overwritten = 0, changed = 0, unreadable = 0;
  std::int64_t overwriteExample = -1;      // a sector holding another sector's block ...
  std::int64_t overwriteExampleFrom = -1;  // ... this one's
  std::uint64_t failedWriteRequests = 0;
  std::int64_t firstFailedWrite = -1;
  // Flushes that failed: what was written before them may never have reached the flash.
  std::uint64_t failedFlushes = 0;
  std::int64_t firstFailedFlush = -1;  // sectors written when the first failed
  std::vector<RegionSpeed> regions;
  std::int32_t collapseRegion = -1;  // the first region whose writes collapsed; -1: none
  double collapseMedianMBps = 0;     // the median write speed of the regions before it
  double collapseMBps = 0;           // its own
  std::uint64_t writeMs = 0, readMs = 0, bytesWritten = 0, bytesRead = 0;
  // Sampled locations for the drive map: every `cellInterval` sectors, what it read back as.
  std::uint64_t cellInterval = 0;
  std::vector<core::CheckedCell> cells;
};

// Runs the test on the physical drive open in ctx.state.hDrive (opened, pinned and claimed by
// the caller), of ctx.state.DriveSizeBytes. Destroys the drive's data. Asks through the window
// when the samples go wrong (OK: stop writing and read back; Cancel: write to the end). Polls
// CancelRequested through ctx.win.DoEvents. Writes nothing to the report.
SurfaceFindings SurfaceTest(core::Context& ctx, const SurfaceOptions& options);

// Every announced sector kept its block, and every flush went through.
bool Passed(const SurfaceFindings& findings);
// A sector read back wrong, or a write or a flush failed: the drive is bad whatever else stopped
// the run.
bool ProvenBad(const SurfaceFindings& findings);
// Where the writes collapsed: the first request timed in the region; -1: no collapse.
std::int64_t CollapseSector(const SurfaceFindings& findings);
// The partition size advised: the real end rounded down to a whole MiB, less one MiB, as the
// probe advises it; 0 when there is none.
std::uint64_t RecommendedBytes(const SurfaceFindings& findings);

}  // namespace sw::surface
