// Opening, locking, dismounting and releasing the volumes of a physical drive.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::diskio {

// The modes of Lock_Unlock_All_Volumes; the mode is compared case-sensitively, and anything other
// than kLockMode unlocks.
inline constexpr const char kLockMode[] = "LOCK";
inline constexpr const char kUnlockMode[] = "UNLOCK";

// FSCTL_LOCK_VOLUME, retried briefly while the volume is busy; false at once (no call) for a
// negative handle.
bool MyLock_Volume(core::Context& ctx, platform::Handle& h);
// FSCTL_UNLOCK_VOLUME / FSCTL_DISMOUNT_VOLUME; false at once (no call) for a handle below 1.
bool MyUnlock_Volume(core::Context& ctx, platform::Handle h);
bool MyDismount_Volume(core::Context& ctx, platform::Handle h);
// Opens "\\.\" + name into lngHandle (-1 on failure), after one yield to the message loop.
// A handle still held in lngHandle is released first.
void Open_Volume_get_lngHandle(core::Context& ctx, const std::string& name);
// Opens the volume named by the first two characters, locks and dismounts it; the handle stays
// in lngHandle for UnLock_Close_Volume.
void Open_Lock_Dismount_Volume(core::Context& ctx, const std::string& volume);
// Unlocks and closes lngHandle (which becomes -1).
void UnLock_Close_Volume(core::Context& ctx);
// Locks, dismounts, unlocks and closes each volume of the drive in turn.
void DisMount_All_Volumes(core::Context& ctx, std::int32_t drive);
// mode "LOCK": open, lock and dismount every volume of the drive, keeping the handles in
// hVolumes (releasing any an earlier LOCK left there first); any other mode: unlock and close
// them, leaving their entries empty (0).
void Lock_Unlock_All_Volumes(core::Context& ctx, std::int32_t drive, const std::string& mode);

}  // namespace sw::diskio
