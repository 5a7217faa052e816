// The Quick Size Test engine: marker blocks written across the whole drive, read back, judged.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"

namespace sw::quicktest {

inline constexpr std::int64_t kSectorBytes = 512;
inline constexpr double kMiB = 1048576.0;

// Marker spacing in sectors for a drive of this many bytes (25 MiB below 14 decimal GB, doubling
// at 14, 29, 59, 125 and 249 GB, up to 800 MiB).
std::int64_t ChooseIntervalSectors(double driveSizeBytes);

enum class TestEnd {
  NotStarted,        // refused: drive 0, above 80, the system disk, or no size
  Passed,
  Failed,
  Cancelled,         // Cancel during the write pass
  AbortedWriteError, // Cancel in the slow write-error box
  AbortedDriveLost,  // the confirmed drive changed or disappeared; nothing more was written
  WriteFailed,       // every marker read back right, but the drive refused other writes
};

// What one run found; the analysis values are set only when MismatchCount is not 0.
struct QuickTestResult {
  TestEnd end = TestEnd::NotStarted;
  std::int64_t TotalSectors = 0;
  std::int64_t IntervalSectors = 0;
  std::int64_t SectorsChecked = 0;
  std::int64_t MismatchCount = 0;
  std::int64_t MinBadSector = 0;
  std::int64_t MaxBadSector = 0;
  std::int64_t MinFoundNumber = 0;
  double RecommendedMiB = 0;  // as reported: never below 0
  // Each write the test needed that failed even when tried again, as its report line says it.
  std::vector<std::string> writeFailures;
};

// Runs the whole test on DiskNumber with DriveSizeBytes, DebugMode and CancelRequested from the
// shared state. Every way out after the volumes were locked unlocks them and closes hDrive.
// withCacheCheck false leaves out the flood and second read-back that defeat a write cache (for
// the benchmark, which sets the two side by side).
QuickTestResult QuickSizeTest(core::Context& ctx, bool withCacheCheck = true);

}  // namespace sw::quicktest
