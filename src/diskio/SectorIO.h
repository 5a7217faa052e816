// Raw 512-byte sector transfers of the open physical drive through SectorBuffer, on drives whose
// own logical sectors are 512 or 4,096 bytes.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::diskio {

inline constexpr std::int64_t kSectorBytes = 512;

// Once: a failed transfer is tried a second time, unless the drive is gone (a no-device error,
// or during a test a handle that no longer reaches the pinned drive), and the second result is
// the verdict. None: one attempt, for a caller that words the failure and retries itself.
enum class Retry { Once, None };

// Now: every write is flushed to the device before it counts as done. Later: the caller flushes
// once after a run of writes with FlushDrive (and must, before it reads them back to check them).
enum class Flush { Now, Later };

// Reads count sectors from sector into SectorBuffer. False when the seek or the read failed or
// read fewer bytes than asked, or when count is not positive or count x 512 exceeds SectorBuffer
// (then no system call is made).
bool ReadSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry = Retry::Once);
// Writes the first count x 512 bytes of SectorBuffer at sector and flushes them to the device.
// False as for a read, and also when the flush failed: the bytes may not be on the device.
// With Flush::Later the bytes are handed to the device unflushed.
bool WriteSectors(core::Context& ctx, std::int64_t sector, std::int32_t count, Retry retry = Retry::Once,
                  Flush flush = Flush::Now);
// Flushes what was written to hDrive to the device itself. False when the flush failed: what
// was written since the last good flush may not be on the device.
bool FlushDrive(core::Context& ctx);

// The whole of hDrive in 512-byte sectors, as the device reports its length (the list's size is
// cut to whole cylinders, and a fake that lacks only what lies past them must not pass for
// that); DriveSizeBytes when the device does not say.
std::int64_t DriveSectors(core::Context& ctx);

// hDrive's logical sector in bytes, asked of the drive once per open (512 when it does not say,
// or says something no drive has).
std::uint32_t DriveSectorBytes(core::Context& ctx);

}  // namespace sw::diskio
