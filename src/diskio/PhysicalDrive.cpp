// The handle of the open physical drive and the traced close of any handle.
#include "diskio/PhysicalDrive.h"

#include <string>

#include "core/Log.h"
#include "diskio/DevicePaths.h"
#include "diskio/PinnedDrive.h"
#include "diskio/TraceTexts.h"
#include "platform/WinApi.h"

namespace sw::diskio {

bool Open_Physical_Disk_hDrive(core::Context& ctx, std::int32_t n, DriveSharing sharing,
                               std::uint32_t* lastError) {
  const std::string number = std::to_string(n);
  const std::string path = DevicePath(PhysicalDriveName(number));
  core::State& st = ctx.state;
  if (st.hDrive > 0) MyCloseHandle(ctx, st.hDrive);
  const std::uint32_t share = sharing == DriveSharing::Shared
                                  ? win::FILE_SHARE_READ | win::FILE_SHARE_WRITE
                                  : win::FILE_SHARE_READ;
  st.hDrive = ctx.os.CreateFileA(path, win::GENERIC_READ | win::GENERIC_WRITE, share,
                                 win::OPEN_EXISTING, 0);
  if (st.hDrive == platform::kInvalidHandle) {
    const std::uint32_t error = ctx.os.GetLastError();
    if (lastError) *lastError = error;
    core::Trace(ctx, text::kOpenPhysicalNotObtained1 + number + text::kOpenPhysicalNotObtained2);
    if (st.TestRunning && st.Pinned && IsNoDeviceError(error)) st.IdentityLost = core::IdentityCheck::Gone;
    return false;
  }
  core::Trace(ctx, text::kOpenPhysicalOpened1 + number + text::kOpenPhysicalOpened2 +
                      std::to_string(st.hDrive));
  st.DriveSectorBytes = 0;  // asked of this handle at its first transfer
  // During a test the number may by now belong to another disk (the confirmed one unplugged,
  // the next one renumbered into its place): such a handle is given back before any transfer.
  if (st.TestRunning && CheckPinnedHandle(ctx, st.hDrive) != core::IdentityCheck::Same) {
    MyCloseHandle(ctx, st.hDrive);
    return false;
  }
  return true;
}

void MyCloseHandle(core::Context& ctx, platform::Handle& h) {
  core::Trace(ctx, text::kCloseHandleClosed + std::to_string(h));
  // Only real handles reach the system; the variable is then marked closed so that no later
  // close (a second open of hDrive, an UNLOCK) can hit a value the system may have reused.
  if (h > 0) ctx.os.CloseHandle(h);
  h = platform::kInvalidHandle;
}

}  // namespace sw::diskio
