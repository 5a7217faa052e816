// The claim of a drive for a destructive test, and the refusal when it is still in use.
#include "diskio/DriveClaim.h"

#include "core/Log.h"
#include "diskio/ClaimTexts.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/Volumes.h"
#include "platform/WinApi.h"

namespace sw::diskio {

namespace {

using core::kCrLf;

void Refuse(core::Context& ctx, std::int32_t disk, const std::vector<platform::MountInUse>& mounts,
            bool heldElsewhere) {
  // The locks go first: a volume locked by this program cannot be mounted again.
  Lock_Unlock_All_Volumes(ctx, disk, kUnlockMode);
  MyCloseHandle(ctx, ctx.state.hDrive);
  const std::vector<std::string> notRemounted = ctx.os.RemountDisk(disk);
  std::string message = heldElsewhere ? std::string(text::kHeldElsewhere) : StillMountedText(mounts, {});
  if (!notRemounted.empty()) message += kCrLf + StillMountedText({}, notRemounted);
  core::LogMsgBox(ctx, kCrLf + message, win::MB_OK | win::MB_ICONCRITICAL);
}

}  // namespace

std::string StillMountedText(const std::vector<platform::MountInUse>& mounts,
                             const std::vector<std::string>& notRemounted) {
  std::string message;
  if (!mounts.empty()) {
    message = text::kStillMounted;
    for (const platform::MountInUse& m : mounts) {
      message += kCrLf + std::string(text::kIndent) + m.device + text::kMountedOn + m.mountPoint;
      for (std::size_t i = 0; i < m.holders.size(); ++i) {
        message += (i == 0 ? text::kHeldBy : text::kHolderSeparator) + m.holders[i];
      }
    }
    message += kCrLf + std::string(text::kStillMountedAdvice);
  }
  if (!notRemounted.empty()) {
    if (!message.empty()) message += kCrLf;
    message += text::kNotRemounted;
    for (std::size_t i = 0; i < notRemounted.size(); ++i) {
      message += (i == 0 ? "" : text::kHolderSeparator) + notRemounted[i];
    }
  }
  return message;
}

bool ClaimDriveForWriting(core::Context& ctx, std::int32_t disk) {
  const std::vector<platform::MountInUse> mounts = ctx.os.MountsOfDisk(disk);
  if (!mounts.empty()) {
    Refuse(ctx, disk, mounts, false);
    return false;
  }
  std::uint32_t error = win::ERROR_SUCCESS;
  if (!Open_Physical_Disk_hDrive(ctx, disk, DriveSharing::NoOtherWriter, &error) &&
      error == win::ERROR_SHARING_VIOLATION) {
    Refuse(ctx, disk, {}, true);
    return false;
  }
  // Any other failed open goes on as it always has: the transfers fail and say so.
  return true;
}

}  // namespace sw::diskio
