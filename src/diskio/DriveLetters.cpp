// Drive designators to physical drive numbers and back.
#include "diskio/DriveLetters.h"

#include <array>
#include <string>

#include "core/Log.h"
#include "platform/ByteOrder.h"
#include "diskio/DevicePaths.h"
#include "diskio/HandleGuards.h"
#include "diskio/TraceTexts.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

static_assert(win::kStorageDeviceNumberSize == 12);
static_assert(win::IOCTL_STORAGE_GET_DEVICE_NUMBER == 0x2D1080);

// STORAGE_DEVICE_NUMBER fields.
constexpr std::size_t kDeviceTypeOffset = 0;
constexpr std::size_t kDeviceNumberOffset = 4;

// Letters C: to Z: by index (A: and B: are floppy letters and never scanned).
constexpr int kFirstLetter = 2;
constexpr int kLastLetter = 25;
constexpr int kLetterSlots = 27;

std::string Designator(int index) { return std::string(1, static_cast<char>('A' + index)) + ":"; }

}  // namespace

std::int32_t GetDiskNumber(core::Context& ctx, const std::string& designator) {
  const OwnedHandle h(ctx.os, ctx.os.CreateFileA(DevicePath(designator), 0,
                                                 win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                                 win::OPEN_EXISTING, 0));
  if (!h.opened()) return kNoPhysicalDrive;
  std::array<std::uint8_t, win::kStorageDeviceNumberSize> number{};
  std::uint32_t bytesReturned = 0;
  if (!ctx.os.DeviceIoControl(h.get(), win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, number,
                              bytesReturned)) {
    return kNoPhysicalDrive;
  }
  if (platform::le32(number, kDeviceTypeOffset) != win::FILE_DEVICE_DISK) return kNoPhysicalDrive;
  return static_cast<std::int32_t>(platform::le32(number, kDeviceNumberOffset));
}

bool Get_Drive_Volumes(core::Context& ctx, std::int32_t drive, std::string& Volume1,
                       std::string& Volume2, std::string& Volume3, std::string& Volume4) {
  core::Trace(ctx, text::kGetDriveVolumesFor + std::to_string(drive));
  // Drive number + 1 per letter, so that 0 can stand for "no drive" while drive 0 still counts.
  std::array<std::int64_t, kLetterSlots> driveOfLetter{};
  for (int i = kFirstLetter; i <= kLastLetter; ++i) {
    const std::int32_t n = GetDiskNumber(ctx, Designator(i));
    if (n != kNoPhysicalDrive) driveOfLetter[static_cast<std::size_t>(i)] = std::int64_t{n} + 1;
  }
  Volume1.clear();
  Volume2.clear();
  Volume3.clear();
  Volume4.clear();
  for (int i = kFirstLetter; i <= kLastLetter; ++i) {
    if (driveOfLetter[static_cast<std::size_t>(i)] != std::int64_t{drive} + 1) continue;
    // The first empty variable takes the letter; a fifth letter of the drive is dropped.
    for (std::string* v : {&Volume1, &Volume2, &Volume3, &Volume4}) {
      if (v->empty()) {
        *v = Designator(i);
        break;
      }
    }
  }
  return !Volume1.empty();
}

std::string GetDriveLetter(core::Context& ctx, std::int32_t drive) {
  core::Trace(ctx, text::kGetDriveLetter + std::to_string(drive));
  core::State& st = ctx.state;
  Get_Drive_Volumes(ctx, drive, st.DriveLetter1, st.DriveLetter2, st.DriveLetter3,
                    st.DriveLetter4);
  core::Trace(ctx, text::kGetDriveLetterReturned + st.DriveLetter1);
  return st.DriveLetter1;
}

}  // namespace sw::diskio
