// The handle of the open physical drive and the traced close of any handle.
#include "diskio/PhysicalDrive.h"

#include <string>

#include "core/Log.h"
#include "diskio/DevicePaths.h"
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
    if (lastError) *lastError = ctx.os.GetLastError();
    core::Trace(ctx, text::kOpenPhysicalNotObtained1 + number + text::kOpenPhysicalNotObtained2);
    return false;
  }
  core::Trace(ctx, text::kOpenPhysicalOpened1 + number + text::kOpenPhysicalOpened2 +
                      std::to_string(st.hDrive));
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
