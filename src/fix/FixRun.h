// The fix on the claimed drive: the marks that prove the partition's sectors real, the table,
// the file system, and the read-back of all three.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Context.h"
#include "fix/FixPlan.h"

namespace sw::fix {

enum class FixEnd {
  Done,
  MarksLost,     // the partition's sectors do not keep their marks: nothing else was written
  TableFailed,   // a layout control failed
  FormatFailed,  // the system's formatter said why
  TableWrong,    // the table read back is not the one written
  SizeWrong,     // the file system's own size is missing or not that of the partition
  LastSectorLost,
  DriveLost,
};

struct FixOutcome {
  FixEnd end = FixEnd::Done;
  std::string detail;  // the failure's own words, where it has some
  std::optional<std::uint64_t> fileSystemBytes;
};

// With hDrive open on the claimed, pinned drive `disk`. Leaves hDrive open (or -1).
FixOutcome RunFix(core::Context& ctx, std::int32_t disk, const FixPlan& plan);

// The sectors (of 512 bytes) that get a mark before the table is written: the partition's last,
// then below it at distances of 1, 2, 4, ... sectors down to its first, and its first: a wrap at
// any power of two folds the last onto one of them.
std::vector<std::int64_t> MarkedSectors(const FixPlan& plan);

}  // namespace sw::fix
