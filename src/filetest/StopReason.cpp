// Which system errors end a volume file test without a verdict on the drive.
#include "filetest/StopReason.h"

#include "filetest/FileTestTexts.h"
#include "platform/WinApi.h"

namespace sw::filetest {

StopReason ClassifyStop(std::uint32_t win32Error) {
  switch (win32Error) {
    case win::ERROR_WRITE_PROTECT:
      return StopReason::ReadOnly;
    case win::ERROR_DISK_FULL:
    case win::ERROR_HANDLE_DISK_FULL:
      return StopReason::Full;
    case win::ERROR_NOT_READY:
    case win::ERROR_PATH_NOT_FOUND:
    case win::ERROR_DEV_NOT_EXIST:
    case win::ERROR_DEVICE_NOT_CONNECTED:
    case win::ERROR_NO_MEDIA_IN_DRIVE:
    case win::ERROR_UNRECOGNIZED_VOLUME:
      return StopReason::Gone;
    default:
      return StopReason::None;
  }
}

const char* StopMessage(StopReason reason) {
  switch (reason) {
    case StopReason::ReadOnly:
      return texts::kStopReadOnly;
    case StopReason::Full:
      return texts::kStopFull;
    case StopReason::Gone:
      return texts::kStopGone;
    case StopReason::None:
      break;
  }
  return "";
}

}  // namespace sw::filetest
