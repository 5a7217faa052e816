// Bus type, SCSI identity and capacity of a physical drive.
#include "diskio/DiskIdentity.h"

#include <array>
#include <string>
#include <vector>

#include "core/Log.h"
#include "diskio/DevicePaths.h"
#include "diskio/HandleGuards.h"
#include "diskio/ScsiPassThrough.h"
#include "diskio/TraceTexts.h"
#include "platform/ByteOrder.h"
#include "platform/Trim.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

// The property query's answer buffer, of which kPropertyBytesOffered are offered to the driver;
// a STORAGE_DEVICE_DESCRIPTOR with its bus type fits well within them.
constexpr std::size_t kPropertyBufferBytes = 1025;
constexpr std::size_t kPropertyBytesOffered = 512;
static_assert(win::kStorageDeviceDescriptorBusTypeOffset < kPropertyBytesOffered);
static_assert(win::kStoragePropertyQuerySize == 12);
static_assert(win::kGetLengthInformationSize == 8);

// Standard INQUIRY data fields (first and last byte).
constexpr std::int32_t kVendorFirst = 8, kVendorLast = 15;
constexpr std::int32_t kProductFirst = 16, kProductLast = 31;
constexpr std::int32_t kRevisionFirst = 32, kRevisionLast = 35;
constexpr std::int32_t kSerialFirst = 36, kSerialLast = 43;
constexpr std::size_t kRemovableByte = 1;
constexpr std::uint8_t kRemovableBit = 0x80;

std::string Field(std::span<const std::uint8_t> data, std::int32_t first, std::int32_t last) {
  std::int32_t end = last;
  return ByteArrayToStr(data, first, end, true);
}

// Fills the identity texts from standard INQUIRY data.
void TakeInquiry(core::Context& ctx, std::span<const std::uint8_t> data) {
  core::State& st = ctx.state;
  core::Trace(ctx, text::kDrvModelBefore + st.DRV_MODEL + text::kStarEnd);
  st.DRV_SERIAL = platform::Trim(Field(data, kSerialFirst, kSerialLast));
  const std::string model = platform::Trim(Field(data, kVendorFirst, kVendorLast) + " " +
                                       Field(data, kProductFirst, kProductLast));
  core::Trace(ctx, text::kMyModel + model + text::kStarEnd);
  st.DRV_MODEL = model;
  st.DRV_FIRMWARE = Field(data, kRevisionFirst, kRevisionLast);
  const std::uint8_t removable = data[kRemovableByte] & kRemovableBit;
  core::Trace(ctx, text::kRemovableBit + std::to_string(removable));
  st.DRV_MEDIA = removable != 0 ? text::kRemovableMedia : text::kFixedMedia;
}

// Sends the command in the block; the driver's answer lands in the same block. Returns the
// count of bytes returned, by which alone each command is judged.
std::uint32_t SendScsi(core::Context& ctx, platform::Handle h, SptBlock& block) {
  std::uint32_t bytesReturned = 0;
  const std::span<std::uint8_t> sent(block.data(), kSptBytesSent);
  ctx.os.DeviceIoControl(h, win::IOCTL_SCSI_PASS_THROUGH, sent, sent, bytesReturned);
  return bytesReturned;
}

}  // namespace

bool IsUSBDisk(core::Context& ctx, const std::string& driveText) {
  const OwnedHandle h(ctx.os, ctx.os.CreateFileA(DevicePath(PhysicalDriveName(driveText.substr(0, 2))),
                                                 0, 0, win::OPEN_EXISTING, 0));
  if (!h.opened()) return false;
  const std::array<std::uint8_t, win::kStoragePropertyQuerySize> query{};
  std::vector<std::uint8_t> answer(kPropertyBufferBytes, 0);
  std::uint32_t bytesReturned = 0;
  ctx.os.DeviceIoControl(h.get(), win::IOCTL_STORAGE_QUERY_PROPERTY, query,
                         std::span<std::uint8_t>(answer.data(), kPropertyBytesOffered),
                         bytesReturned);
  // A failed query leaves the zeroed buffer, which reads as an unknown bus.
  return answer[win::kStorageDeviceDescriptorBusTypeOffset] == win::BusTypeUsb;
}

bool IsUSBDisk(core::Context& ctx, std::int32_t drive) {
  return IsUSBDisk(ctx, std::to_string(drive));
}

double GetSCSICapacity(core::Context& ctx, const std::string& driveText) {
  const std::string name = PhysicalDriveName(driveText);
  const platform::Handle opened =
      ctx.os.CreateFileA(DevicePath(name), win::GENERIC_READ | win::GENERIC_WRITE,
                         win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  if (opened == platform::kInvalidHandle) {
    core::Trace(ctx, text::kScsiNotObtained1 + name + text::kScsiNotObtained2);
    return 0;
  }
  const TracedHandle h(ctx, opened);

  // One block serves both commands and is not cleared between them: where the INQUIRY answer
  // is shorter than the READ CAPACITY answer, the latter's bytes stay in the data area.
  SptBlock block{};
  double size = 0;
  PrepareScsiCommand(block, win::kScsiReadCapacity10);
  if (SendScsi(ctx, h.get(), block) > 0) size = ReadCapacitySize(SptData(block));
  const auto length = static_cast<double>(GetDiskLength(ctx, h.get()));
  if (length > size) size = length;

  PrepareScsiCommand(block, win::kScsiInquiry);
  if (SendScsi(ctx, h.get(), block) > 0) TakeInquiry(ctx, SptData(block));
  return size;
}

double GetSCSICapacity(core::Context& ctx, std::int32_t drive) {
  return GetSCSICapacity(ctx, std::to_string(drive));
}

std::int64_t GetDiskLength(core::Context& ctx, platform::Handle h) {
  if (h == platform::kInvalidHandle) return 0;
  std::array<std::uint8_t, win::kGetLengthInformationSize> length{};
  std::uint32_t bytesReturned = 0;
  if (!ctx.os.DeviceIoControl(h, win::IOCTL_DISK_GET_LENGTH_INFO, {}, length, bytesReturned)) {
    return 0;
  }
  return platform::le64s(length, 0);
}

std::string ByteArrayToStr(std::span<const std::uint8_t> bytes, std::int32_t start,
                           std::int32_t& end, bool stopAtZero) {
  const auto upper = static_cast<std::int32_t>(bytes.size()) - 1;
  if (end == -1 || end > upper) end = upper;
  if (start < 0) start = 0;
  if (end - start < 0) return {};
  std::string out;
  for (std::int32_t i = start; i <= end; ++i) {
    const std::uint8_t b = bytes[static_cast<std::size_t>(i)];
    if (stopAtZero && b == 0) break;
    out.push_back(static_cast<char>(b));
  }
  return platform::Trim(out);
}

}  // namespace sw::diskio
