// Our own FAT32 on the fix's partition, written through the pinned drive's raw sectors where the
// system's formatter makes none of that size.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"
#include "fix/FixPlan.h"

namespace sw::fix {

// With hDrive open for writing on the drive the plan was made for. Writes the partition's
// reserved sectors (boot sector, FSInfo and their copies), both FATs and the root directory's
// cluster, nothing past them, the boot sector last so that a format cut short leaves no volume
// that looks whole; then flushes the drive. Empty when every write and the flush succeeded;
// otherwise which of them failed, in words for the report.
std::string WriteOwnFat32(core::Context& ctx, const FixPlan& plan, std::uint32_t volumeId);

}  // namespace sw::fix
