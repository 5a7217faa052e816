// The handle of the open physical drive ("\\.\PhysicalDriveN") and the traced close of any handle.
#pragma once

#include <cstdint>

#include "core/Context.h"

namespace sw::diskio {

// How the drive is shared while open: the drive list and the identity report share it with
// everyone; a destructive test keeps every other writer out (no FILE_SHARE_WRITE), so that a
// second run on the same disk is refused instead of writing between the first one's markers.
enum class DriveSharing { Shared, NoOtherWriter };

// Opens physical drive n read-write into hDrive (closing a still-open hDrive first).
// Returns false, with hDrive = -1, when the drive cannot be opened, or when a test is running
// and the disk behind the number is not the pinned one (IdentityLost then tells how);
// lastError, when given, receives the system's error code of a failed open.
bool Open_Physical_Disk_hDrive(core::Context& ctx, std::int32_t n,
                               DriveSharing sharing = DriveSharing::Shared,
                               std::uint32_t* lastError = nullptr);
// Traces, then closes h; afterwards h is -1 so that the same value is never closed twice.
// Closing -1 (or 0) writes the trace and does nothing else.
void MyCloseHandle(core::Context& ctx, platform::Handle& h);

}  // namespace sw::diskio
