// Reading a drive's identity through a handle, pinning the user's pick, and checking it again
// before the opens that write.
#include "diskio/PinnedDrive.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/ByteOrder.h"
#include "diskio/DevicePaths.h"
#include "diskio/DriveLetters.h"
#include "diskio/HandleGuards.h"
#include "diskio/IdentityTexts.h"
#include "platform/WinApi.h"

namespace sw::diskio {

namespace {
using platform::le32;
using platform::le64s;

using core::DriveIdentity;
using core::IdentityCheck;

static_assert(win::kStorageDeviceNumberExSize == 40);
static_assert(win::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX == 0x2D1084);

// STORAGE_DEVICE_DESCRIPTOR: offsets of the vendor, product and serial texts (0 = none).
constexpr std::size_t kVendorOffsetAt = 12;
constexpr std::size_t kProductOffsetAt = 16;
constexpr std::size_t kSerialOffsetAt = 24;
constexpr std::size_t kDescriptorBufferSize = 1024;
// STORAGE_DEVICE_NUMBER: DeviceType, DeviceNumber, PartitionNumber.
constexpr std::size_t kNumberTypeAt = 0;
constexpr std::size_t kNumberAt = 4;
constexpr std::size_t kNumberPartitionAt = 8;

std::string Trimmed(std::string s) {
  const auto first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  s.erase(s.find_last_not_of(' ') + 1);
  return s.substr(first);
}

// The NUL-terminated text at the offset stored at `at`, within the bytes returned.
std::string DescriptorText(std::span<const std::uint8_t> d, std::size_t at) {
  if (at + 4 > d.size()) return {};
  const std::size_t offset = le32(d, at);
  if (offset == 0 || offset >= d.size()) return {};
  std::string text;
  for (std::size_t i = offset; i < d.size() && d[i] != 0; ++i) text.push_back(static_cast<char>(d[i]));
  return Trimmed(text);
}

// Number, key and partition from STORAGE_DEVICE_NUMBER_EX, or from the plain answer where the
// system has no EX query. False when neither answers for a disk.
bool ReadNumber(platform::Os& os, platform::Handle h, DriveIdentity& id, std::uint32_t& partition) {
  std::array<std::uint8_t, win::kStorageDeviceNumberExSize> ex{};
  std::uint32_t got = 0;
  if (os.DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX, {}, ex, got) &&
      got >= win::kStorageDeviceNumberExSize) {
    if (le32(ex, win::sdnx::DeviceType) != win::FILE_DEVICE_DISK) return false;
    id.DiskNumber = static_cast<std::int32_t>(le32(ex, win::sdnx::DeviceNumber));
    partition = le32(ex, win::sdnx::PartitionNumber);
    std::array<std::uint8_t, win::sdnx::DeviceGuidSize> key{};
    std::copy_n(ex.begin() + win::sdnx::DeviceGuid, key.size(), key.begin());
    if (std::any_of(key.begin(), key.end(), [](std::uint8_t b) { return b != 0; })) id.Key = key;
    return true;
  }
  std::array<std::uint8_t, win::kStorageDeviceNumberSize> number{};
  if (!os.DeviceIoControl(h, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, {}, number, got) ||
      got < win::kStorageDeviceNumberSize || le32(number, kNumberTypeAt) != win::FILE_DEVICE_DISK) {
    return false;
  }
  id.DiskNumber = static_cast<std::int32_t>(le32(number, kNumberAt));
  partition = le32(number, kNumberPartitionAt);
  return true;
}

void ReadDescription(platform::Os& os, platform::Handle h, DriveIdentity& id) {
  std::array<std::uint8_t, win::kStoragePropertyQuerySize> query{};  // device property, standard query
  std::array<std::uint8_t, kDescriptorBufferSize> descriptor{};
  std::uint32_t got = 0;
  if (!os.DeviceIoControl(h, win::IOCTL_STORAGE_QUERY_PROPERTY, query, descriptor, got)) return;
  const std::span<const std::uint8_t> d(descriptor.data(), std::min<std::size_t>(got, descriptor.size()));
  const std::string vendor = DescriptorText(d, kVendorOffsetAt);
  const std::string product = DescriptorText(d, kProductOffsetAt);
  id.Model = Trimmed(vendor + " " + product);
  id.Serial = DescriptorText(d, kSerialOffsetAt);
}

IdentityCheck Record(core::Context& ctx, IdentityCheck result) {
  if (result != IdentityCheck::Same) ctx.state.IdentityLost = result;
  return result;
}

IdentityCheck VerifyPath(core::Context& ctx, const std::string& path) {
  if (!ctx.state.Pinned) return IdentityCheck::Same;
  // Read access: the disk length is one of the things compared, and Windows answers it only to
  // a handle that may read.
  const OwnedHandle h(ctx.os, ctx.os.CreateFileA(path, win::GENERIC_READ,
                                                 win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                                 win::OPEN_EXISTING, 0));
  if (!h.opened()) return Record(ctx, IdentityCheck::Gone);
  return CheckPinnedHandle(ctx, h.get());
}

std::string Grouped(std::uint64_t n) {
  // Built forwards rather than by inserting in place: mingw's optimiser warns falsely on the insert.
  const std::string digits = std::to_string(n);
  std::string grouped;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

std::optional<DriveIdentity> ReadDriveIdentity(core::Context& ctx, platform::Handle h) {
  if (h == platform::kInvalidHandle) return std::nullopt;
  DriveIdentity id;
  std::uint32_t partition = 0;
  if (!ReadNumber(ctx.os, h, id, partition)) return std::nullopt;
  // A volume's length is its partition's, not the disk's, so only a whole disk tells its size.
  if (partition == 0) {
    std::array<std::uint8_t, win::kGetLengthInformationSize> length{};
    std::uint32_t got = 0;
    if (ctx.os.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, {}, length, got) &&
        got >= win::kGetLengthInformationSize) {
      id.SizeBytes = static_cast<std::uint64_t>(le64s(length, 0));
    }
  }
  ReadDescription(ctx.os, h, id);
  return id;
}

bool SameDisk(const DriveIdentity& pinned, const DriveIdentity& now) {
  if (pinned.DiskNumber != now.DiskNumber) return false;
  if (pinned.Key && now.Key && *pinned.Key != *now.Key) return false;
  // A key on one side only means the system answered differently for the same number: not
  // something to trust as the same disk.
  if (pinned.Key.has_value() != now.Key.has_value()) return false;
  if (pinned.SizeBytes != 0 && now.SizeBytes != 0 && pinned.SizeBytes != now.SizeBytes) return false;
  return pinned.Model == now.Model && pinned.Serial == now.Serial;
}

bool PinDrive(core::Context& ctx, std::int32_t drive) {
  core::State& st = ctx.state;
  st.Pinned.reset();
  st.IdentityLost = IdentityCheck::Same;
  const OwnedHandle h(ctx.os, ctx.os.CreateFileA(DevicePath(PhysicalDriveName(std::to_string(drive))),
                                                 win::GENERIC_READ,
                                                 win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                                 win::OPEN_EXISTING, 0));
  std::optional<DriveIdentity> id = ReadDriveIdentity(ctx, h.get());
  if (!id || id->DiskNumber != drive) return false;
  core::PinnedDrive pin;
  pin.identity = std::move(*id);
  // "\\.\PhysicalDrive2" says no more than the "drive 2" of the line that names the pick.
  const std::string device = ctx.os.DeviceName(drive);
  if (device != DevicePath(PhysicalDriveName(std::to_string(drive)))) pin.Device = device;
  // The letters of the drive's volumes, looked up without the trace lines of the routines that
  // lock them: this is a query, not a step of a test.
  for (const std::string& letter : ctx.os.LogicalDrives()) {
    if (GetDiskNumber(ctx, letter) != drive) continue;
    if (!pin.Letters.empty()) pin.Letters += ' ';
    pin.Letters += letter;
  }
  st.Pinned = std::move(pin);
  return true;
}

void PinSelectedVolume(core::Context& ctx, const std::string& designator) {
  const std::int32_t drive = GetDiskNumber(ctx, designator);
  if (drive == kNoPhysicalDrive || !PinDrive(ctx, drive)) {
    ctx.state.Pinned.reset();
    ctx.state.IdentityLost = IdentityCheck::Same;
  }
}

IdentityCheck CheckPinnedHandle(core::Context& ctx, platform::Handle h) {
  const core::State& st = ctx.state;
  if (!st.Pinned) return IdentityCheck::Same;
  const std::optional<DriveIdentity> now = ReadDriveIdentity(ctx, h);
  if (!now) return Record(ctx, IdentityCheck::Gone);
  return Record(ctx, SameDisk(st.Pinned->identity, *now) ? IdentityCheck::Same : IdentityCheck::Changed);
}

IdentityCheck VerifyPinnedDrive(core::Context& ctx) {
  if (!ctx.state.Pinned) return IdentityCheck::Same;
  return VerifyPath(
      ctx, DevicePath(PhysicalDriveName(std::to_string(ctx.state.Pinned->identity.DiskNumber))));
}

IdentityCheck VerifyPinnedVolume(core::Context& ctx, const std::string& designator) {
  return VerifyPath(ctx, DevicePath(designator));
}

bool IsNoDeviceError(std::uint32_t win32Error) {
  return win32Error == win::ERROR_FILE_NOT_FOUND || win32Error == win::ERROR_PATH_NOT_FOUND ||
         win32Error == win::ERROR_DEVICE_NOT_CONNECTED || win32Error == win::ERROR_NOT_READY;
}

std::string IdentityLostLine(IdentityCheck check) {
  switch (check) {
    case IdentityCheck::Changed:
      return text::kDriveChanged;
    case IdentityCheck::Gone:
      return text::kDriveGone;
    case IdentityCheck::Same:
      break;
  }
  return {};
}

std::string PinnedDriveLine(const core::State& state) {
  if (!state.Pinned) return {};
  const core::PinnedDrive& pin = *state.Pinned;
  const core::DriveIdentity& id = pin.identity;
  std::string where = text::kDriveWord + std::to_string(id.DiskNumber);
  if (!pin.Letters.empty()) where += " (" + pin.Letters + ")";
  std::string line = text::kDeviceLine + (pin.Device.empty() ? where : pin.Device + " = " + where);
  line += ":";
  std::string separator = " ";
  if (!id.Model.empty()) {
    line += separator + id.Model;
    separator = ", ";
  }
  if (!id.Serial.empty()) {
    line += separator + text::kSerialWord + id.Serial;
    separator = ", ";
  }
  if (id.SizeBytes != 0) line += separator + Grouped(id.SizeBytes) + text::kBytesWord;
  return line;
}

}  // namespace sw::diskio
