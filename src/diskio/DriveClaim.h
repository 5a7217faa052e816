// The last check before a destructive test writes its first byte: nothing of the drive may be
// mounted any more, and no other program (another test) may be writing to it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"
#include "platform/DiskUse.h"

namespace sw::diskio {

// Called with the drive's volumes locked and dismounted. Opens the drive into hDrive with no
// other writer allowed and returns true. Returns false when the drive must not be written: a
// file system of it is still mounted, or another program holds it. Then the volumes are
// unlocked and mounted again, hDrive is closed, and the reason (mount points and the processes
// holding them) is logged and shown in a box.
bool ClaimDriveForWriting(core::Context& ctx, std::int32_t disk);

// The words of that refusal for mounts still in place; the remount failures are named too.
std::string StillMountedText(const std::vector<platform::MountInUse>& mounts,
                             const std::vector<std::string>& notRemounted);

}  // namespace sw::diskio
