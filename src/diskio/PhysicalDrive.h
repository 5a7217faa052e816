// The handle of the open physical drive ("\\.\PhysicalDriveN") and the traced close of any handle.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::diskio {

// Opens physical drive n read-write into hDrive (closing a still-open hDrive first).
// Returns false, with hDrive = -1, when the drive cannot be opened, or when a test is running
// and the disk behind the number is not the pinned one (IdentityLost then tells how).
bool Open_Physical_Disk_hDrive(core::Context& ctx, std::int32_t n);
// Traces, then closes h; afterwards h is -1 so that the same value is never closed twice.
// Closing -1 (or 0) writes the trace and does nothing else.
void MyCloseHandle(core::Context& ctx, platform::Handle& h);

}  // namespace sw::diskio
