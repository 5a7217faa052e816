// Opening, locking, dismounting and releasing the volumes of a physical drive.
#include "diskio/Volumes.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/Log.h"
#include "diskio/DevicePaths.h"
#include "diskio/DriveLetters.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/TraceTexts.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

// A volume that is briefly busy (Explorer or a virus scanner still holding a file open) refuses
// the lock with "access denied" and accepts it moments later, so the lock is tried a few times.
// The wait is short because the caller dismounts the volume whether or not it was locked.
constexpr int kLockAttempts = 3;
constexpr std::uint32_t kLockRetryDelayMs = 100;

constexpr std::uint32_t kVolumeAccess = win::GENERIC_READ | win::GENERIC_WRITE;
constexpr std::uint32_t kVolumeShare = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;

bool WorthRetrying(std::uint32_t error) {
  return error == win::ERROR_ACCESS_DENIED || error == win::ERROR_SHARING_VIOLATION ||
         error == win::ERROR_LOCK_VIOLATION || error == win::ERROR_BUSY;
}

bool SendVolumeControl(core::Context& ctx, platform::Handle h, std::uint32_t code) {
  std::uint32_t bytesReturned = 0;
  return ctx.os.DeviceIoControl(h, code, {}, {}, bytesReturned);
}

std::string Num(std::int64_t v) { return std::to_string(v); }

// Unlocks and closes every volume handle still held in hVolumes; closed entries become empty.
void ReleaseLockedVolumes(core::Context& ctx) {
  ctx.state.lockedVolumes.fill({});
  for (platform::Handle& entry : ctx.state.hVolumes) {
    if (entry < 1) continue;
    MyUnlock_Volume(ctx, entry);
    core::Trace(ctx, text::kLockAllCloseHandle + Num(entry));
    MyCloseHandle(ctx, entry);
    entry = 0;
  }
}

void LockAll(core::Context& ctx, std::int32_t drive) {
  // Handles that an earlier LOCK left behind would otherwise stay open and locked for good.
  ReleaseLockedVolumes(ctx);
  ctx.state.hVolumes.fill(0);
  std::array<std::string, 4> volumes;
  Get_Drive_Volumes(ctx, drive, volumes[0], volumes[1], volumes[2], volumes[3]);
  std::size_t slot = 0;
  for (const std::string& v : volumes) {
    if (v.empty()) continue;
    const std::size_t at = slot++;
    platform::Handle& entry = ctx.state.hVolumes[at];
    entry = ctx.os.CreateFileA(DevicePath(v), kVolumeAccess, kVolumeShare, win::OPEN_EXISTING, 0);
    bool locked = false;
    std::uint32_t error = 0;
    if (entry == platform::kInvalidHandle) {
      // No control is sent to a handle that was never opened; the open's error is reported.
      error = ctx.os.GetLastError();
      core::Trace(ctx, text::kLockAllCannotOpen1 + v + text::kLockAllCannotOpen2 + Num(error));
    } else {
      core::Trace(ctx, text::kLockAllOpened1 + v + text::kLockAllOpened2 + Num(entry));
      locked = SendVolumeControl(ctx, entry, win::FSCTL_LOCK_VOLUME);
      if (!locked) error = ctx.os.GetLastError();
    }
    if (locked) {
      ctx.state.lockedVolumes[at] = v.substr(0, 2);
      core::Trace(ctx, text::kLockAllLocked1 + v + text::kLockAllLocked2);
    } else {
      core::Trace(ctx, text::kLockAllCannotLock + v + " " + Num(error));
    }
    MyDismount_Volume(ctx, entry);
  }
  core::Trace(ctx, text::kLockAllEnd);
}

}  // namespace

// Up to kLockAttempts tries, kLockRetryDelayMs apart, while the volume answers that it is busy
// (access denied, sharing or lock violation, busy); other errors end the attempts at once.
// "access denied" gets its own trace, every other failure the general one.
namespace {

bool LockVolumeTries(core::Context& ctx, platform::Handle& h, int attempts) {
  if (h < 0) return false;
  std::uint32_t error = 0;
  for (int attempt = 1; attempt <= attempts; ++attempt) {
    if (SendVolumeControl(ctx, h, win::FSCTL_LOCK_VOLUME)) {
      core::Trace(ctx, text::kLocked + Num(h));
      return true;
    }
    error = ctx.os.GetLastError();
    if (!WorthRetrying(error) || attempt == attempts) break;
    ctx.os.Sleep(kLockRetryDelayMs);
  }
  core::Trace(ctx, (error == win::ERROR_ACCESS_DENIED ? text::kCannotLockDenied : text::kCannotLock) +
                      Num(h));
  return false;
}

}  // namespace

bool MyLock_Volume(core::Context& ctx, platform::Handle& h) { return LockVolumeTries(ctx, h, kLockAttempts); }

bool MyUnlock_Volume(core::Context& ctx, platform::Handle h) {
  if (h < 1) return false;
  if (SendVolumeControl(ctx, h, win::FSCTL_UNLOCK_VOLUME)) {
    core::Trace(ctx, text::kUnlocked + Num(h));
    return true;
  }
  core::Trace(ctx, text::kCannotUnlock + Num(h));
  return false;
}

bool MyDismount_Volume(core::Context& ctx, platform::Handle h) {
  if (h < 1) return false;
  if (SendVolumeControl(ctx, h, win::FSCTL_DISMOUNT_VOLUME)) {
    core::Trace(ctx, text::kDismounted + Num(h));
    return true;
  }
  core::Trace(ctx, text::kCannotDismount + Num(h));
  return false;
}

void Open_Volume_get_lngHandle(core::Context& ctx, const std::string& name) {
  core::Trace(ctx, text::kOpenVolumeFor + name);
  ctx.win.DoEvents();
  core::State& st = ctx.state;
  // A handle still held from an open without its UnLock_Close_Volume is released first, so it
  // cannot stay open (and the volume locked) after lngHandle is overwritten.
  if (st.lngHandle > 0) UnLock_Close_Volume(ctx);
  st.lngHandle = ctx.os.CreateFileA(DevicePath(name), kVolumeAccess, kVolumeShare,
                                    win::OPEN_EXISTING, win::FILE_FLAG_NO_BUFFERING);
  if (st.lngHandle == platform::kInvalidHandle) {
    core::Trace(ctx, text::kOpenVolumeCannot + name);
  } else {
    core::Trace(ctx, text::kOpenVolumeOpened1 + name + text::kOpenVolumeOpened2 + Num(st.lngHandle));
  }
}

void Open_Lock_Dismount_Volume(core::Context& ctx, const std::string& volume) {
  core::Trace(ctx, text::kOpenLockDismount + volume);
  Open_Volume_get_lngHandle(ctx, volume.substr(0, 2));
  core::Trace(ctx, text::kReturnedFromOpen);
  core::State& st = ctx.state;
  // A volume this run's LOCK holds refuses every other handle's lock, however long it waits.
  const auto& held = st.lockedVolumes;
  const bool ours = volume.size() >= 2 && std::find(held.begin(), held.end(), volume.substr(0, 2)) != held.end();
  if (st.lngHandle > 0) LockVolumeTries(ctx, st.lngHandle, ours ? 1 : kLockAttempts);
  core::Trace(ctx, text::kReturnedFromLock);
  if (st.lngHandle > 0) MyDismount_Volume(ctx, st.lngHandle);
  core::Trace(ctx, text::kReturnedFromDismount);
}

void UnLock_Close_Volume(core::Context& ctx) {
  core::State& st = ctx.state;
  if (st.lngHandle > 0) MyUnlock_Volume(ctx, st.lngHandle);
  const platform::Handle closed = st.lngHandle;
  MyCloseHandle(ctx, st.lngHandle);
  core::Trace(ctx, text::kCloseVolume + Num(closed));
}

void DisMount_All_Volumes(core::Context& ctx, std::int32_t drive) {
  core::Trace(ctx, text::kDismountAllFor + Num(drive));
  std::array<std::string, 4> volumes;
  Get_Drive_Volumes(ctx, drive, volumes[0], volumes[1], volumes[2], volumes[3]);
  // Each volume is released before the next is opened. An empty designator is opened as well
  // ("\\.\" fails), which keeps the trace one block per slot.
  for (const std::string& v : volumes) {
    Open_Lock_Dismount_Volume(ctx, v);
    UnLock_Close_Volume(ctx);
  }
}

void Lock_Unlock_All_Volumes(core::Context& ctx, std::int32_t drive, const std::string& mode) {
  if (mode == kLockMode) {
    LockAll(ctx, drive);
    return;
  }
  ReleaseLockedVolumes(ctx);
  core::Trace(ctx, text::kLockAllEnd);
}

}  // namespace sw::diskio
