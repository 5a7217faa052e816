// Raw 512-byte sector transfers of the open physical drive through SectorBuffer.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::diskio {

inline constexpr std::int64_t kSectorBytes = 512;

// Reads count sectors from sector into SectorBuffer. False when the seek or the read failed, or
// when count is not positive or count x 512 exceeds SectorBuffer (then no system call is made).
bool ReadSectors(core::Context& ctx, std::int64_t sector, std::int32_t count);
// Writes the first count x 512 bytes of SectorBuffer at sector and flushes them to the device.
bool WriteSectors(core::Context& ctx, std::int64_t sector, std::int32_t count);

}  // namespace sw::diskio
