// Run state of one Quick Size Test and the steps the engine runs in order (engine-internal).
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/Context.h"
#include "platform/Os.h"
#include "quicktest/QuickSizeTest.h"

namespace sw::quicktest::detail {

struct QuickTestRun {
  std::int32_t disk = 0;
  bool withCacheCheck = true;
  std::int64_t TotalSectors = 0;
  // The device's own last sector when it lies past the whole cylinders the markers cover: a
  // fake that lacks only that tail must not pass. -1: the cylinders reach the end.
  std::int64_t DeviceLastSector = -1;
  std::int64_t IntervalSectors = 0;
  double IntervalBytes = 0;
  double TotalBytes = 0;
  double RemainingBytes = 0;
  std::int64_t OffsetFromEnd = 0;
  platform::LocalTime TestStart = 0;
  platform::LocalTime PassStart = 0;
  int LastPercent = 0;

  std::int64_t SectorsChecked = 0;
  // The blocks that read back with the wrong number: how many, the lowest and highest such
  // sector, and the lowest number found in one (-1: a block without any marker).
  std::int64_t MismatchCount = 0;
  std::int64_t MinBadSector = 0;
  std::int64_t MaxBadSector = 0;
  std::int64_t MinFoundNumber = 0;
  // The addresses were seen to wrap: everything from the wrap to the last sector is bad.
  bool WrapFound = false;
  // The numbers of markers the read-back found at other sectors than their own (a drive that
  // answers every read past its memory with its last write there hands one marker out
  // everywhere, and that marker reads back right without any cache).
  std::set<std::int64_t> MisplacedNumbers;
  // The markers the read-back read and found right: only these can have been in a cache (the
  // lowest marker of a drive is not read back when less than an interval lies below it).
  std::set<std::int64_t> ReadRight;
  // Markers whose writes failed twice: bad blocks whatever they read back (an earlier run left
  // the same markers in the same places).
  std::vector<std::int64_t> UnwrittenMarkers;
  std::vector<std::string> WriteFailures;  // the report lines of failed writes, for the record
};

enum class WritePassEnd { Completed, Cancelled, AbortedWriteError, DriveLost };

// On the claimed drive: wipes sector 0 and reopens the drive for the markers. False, with the
// reason logged and the drive released, when the wipe or the reopen failed.
bool PrepareDrive(core::Context& ctx, QuickTestRun& run);
// Writes every marker from the end of the drive towards its start, then sector 0's. A Cancel,
// an aborted write error or a failed write after which the drive is no longer the pinned one
// releases the drive before returning.
WritePassEnd WriteMarkers(core::Context& ctx, QuickTestRun& run);
// Reads every marker back, records mismatches, checks N - 1 and 0 and whether the addresses
// wrap, then the device's last sector, releases the drive.
void ReadBackMarkers(core::Context& ctx, QuickTestRun& run);
// Analysis lines, test time, zeroed sector 0 and the verdict boxes.
void ReportVerdict(core::Context& ctx, QuickTestRun& run, QuickTestResult& result);

// The line that says the confirmed drive changed or disappeared, as IdentityLost tells.
void LogDriveLost(core::Context& ctx);

// Logs a failed write's line and keeps it for the record.
void NoteWriteFailure(core::Context& ctx, QuickTestRun& run, const std::string& line);

// Counts a mismatch into the bad range.
void RecordMismatch(QuickTestRun& run, std::int64_t sector, std::int64_t foundNumber);

}  // namespace sw::quicktest::detail
