// Opening, locking, dismounting and releasing the volumes of a physical drive.
#pragma once

#include <cstdint>
#include <string>

#include "app/Context.h"

namespace sw::diskio {

bool MyLock_Volume(app::Context& ctx, platform::Handle& h);
bool MyUnlock_Volume(app::Context& ctx, platform::Handle h);
bool MyDismount_Volume(app::Context& ctx, platform::Handle h);
// Opens "\\.\" + name into lngHandle (-1 on failure).
void Open_Volume_get_lngHandle(app::Context& ctx, const std::string& name);
void Open_Lock_Dismount_Volume(app::Context& ctx, const std::string& volume);
void UnLock_Close_Volume(app::Context& ctx);
// Locks, dismounts, unlocks and closes each volume of the drive in turn.
void DisMount_All_Volumes(app::Context& ctx, std::int32_t drive);
// mode "LOCK": open, lock and dismount every volume of the drive, keeping the handles in
// hVolumes; any other mode: unlock and close them.
void Lock_Unlock_All_Volumes(app::Context& ctx, std::int32_t drive, const std::string& mode);

}  // namespace sw::diskio
