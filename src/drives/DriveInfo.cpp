// A drive's identity and usable size, and its one-line summary.
#include "drives/DriveInfo.h"

#include <cmath>

#include "core/Log.h"
#include "diskio/DiskIdentity.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/SectorIO.h"
#include "drives/DriveTexts.h"
#include "drives/TextFormat.h"

namespace sw::drives {
namespace {

constexpr int kModelWidth = 31;
constexpr int kBytesWidth = 13;
constexpr int kAmountWidth = 7;
constexpr double kUnitStep = 1024.0;
constexpr double kUnitLimit = 1000.0;

void ClearIdentity(core::State& s) {
  s.DRV_MEDIA.clear();
  s.DRV_MODEL.clear();
  s.DRV_FIRMWARE.clear();
  s.DRV_SERIAL.clear();
  s.DriveSizeBytes = 0;
}

// Right-aligned in width, but a longer number keeps all its digits: cutting "10,000.0" to
// "0,000.0" (or 14 byte digits to 13) would report a size that is plainly wrong.
std::string RightAlignedWhole(const std::string& text, int width) {
  if (text.size() >= static_cast<std::size_t>(width)) return text;
  return PadField(text, " ", width, false);
}

}  // namespace

void GetUSBDiskDriveInfo(core::Context& ctx, std::int32_t DiskIndex) {
  ClearIdentity(ctx.state);
  if (ctx.state.ShowAllDrives || diskio::IsUSBDisk(ctx, DiskIndex)) {
    GetUSBDiskDriveInfo1(ctx, DiskIndex);
  }
}

void GetUSBDiskDriveInfo1(core::Context& ctx, std::int32_t DiskIndex) {
  core::State& s = ctx.state;
  ClearIdentity(s);

  const double capacity = diskio::GetSCSICapacity(ctx, DiskIndex);
  if (capacity > s.DriveSizeBytes) s.DriveSizeBytes = capacity;
  if (s.DebugMode) core::LogText(ctx, text::kScsiSize + NumberText(capacity));

  s.DriveSizeBytes = std::floor(s.DriveSizeBytes / CYLINDER_BYTES) * CYLINDER_BYTES;

  // The probe reads one sector; a buffer not yet sized by start-up would refuse it and cost the
  // drive a cylinder it may well have.
  if (s.SectorBuffer.size() < static_cast<std::size_t>(diskio::kSectorBytes)) {
    s.SectorBuffer.Resize(static_cast<std::size_t>(diskio::kSectorBytes));
  }
  diskio::Open_Physical_Disk_hDrive(ctx, s.DiskNumber);
  if (s.DriveSizeBytes > 0) {
    const auto lastSector =
        static_cast<std::int64_t>(s.DriveSizeBytes / static_cast<double>(diskio::kSectorBytes)) - 1;
    if (!diskio::ReadSectors(ctx, lastSector, 1)) s.DriveSizeBytes -= CYLINDER_BYTES;
  }
  diskio::MyCloseHandle(ctx, s.hDrive);
}

std::string Print_Drive_Details(core::Context& ctx) {
  const core::State& s = ctx.state;
  if (s.DriveSizeBytes == 0) return {};

  const std::string model = PadField(s.DRV_MODEL, " ", kModelWidth, true);
  const std::string bytes = RightAlignedWhole(NumberText(s.DriveSizeBytes), kBytesWidth);

  double value = s.DriveSizeBytes / kUnitStep;
  const char* unit = text::kKiB;
  if (value > kUnitLimit) {
    value /= kUnitStep;
    unit = text::kMiB;
    if (value > kUnitLimit) {
      value /= kUnitStep;
      unit = text::kGiB;
    }
  }
  const std::string amount =
      RightAlignedWhole(FormatDecimals(value, text::kAmountPattern), kAmountWidth);

  std::string line = text::kDrivePrefix;
  line += std::to_string(s.DiskNumber) + text::kDriveNumberEnd + amount + unit + " " + model;
  if (s.DebugMode) {
    line += ' ';
    line += FormatDecimals(bytes, text::kBytesPattern);
    line += text::kBytesTail;
  }
  return line;
}

}  // namespace sw::drives
