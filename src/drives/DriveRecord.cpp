// The identified drive as a record.
#include "drives/DriveRecord.h"

#include <string>

#include "drives/DriveInfo.h"
#include "drives/TextFormat.h"

namespace sw::drives {

core::DriveRecord DescribeDrive(core::Context& ctx) {
  const core::State& s = ctx.state;
  core::DriveRecord d;
  d.number = s.DiskNumber;
  d.device = ctx.os.DeviceName(s.DiskNumber);
  d.line = StripNulls(Print_Drive_Details(ctx));
  d.model = StripNulls(s.DRV_MODEL);
  d.serial = StripNulls(s.DRV_SERIAL);
  d.media = StripNulls(s.DRV_MEDIA);
  d.announcedBytes = s.DriveSizeBytes > 0 ? static_cast<std::uint64_t>(s.DriveSizeBytes) : 0;
  for (const core::DriveRecord& listed : s.ListedDrives) {
    if (listed.number != s.DiskNumber) continue;
    d.usb = listed.usb;
    d.volumes = listed.volumes;
    return d;
  }
  for (const std::string* letter : {&s.DriveLetter1, &s.DriveLetter2, &s.DriveLetter3, &s.DriveLetter4}) {
    if (!letter->empty()) d.volumes.push_back({*letter, {}, ctx.os.DescribeVolume(*letter)});
  }
  return d;
}

void TakePinnedIdentity(core::State& s) {
  core::DriveRecord& d = s.LastRun.drive;
  if (!s.Pinned || s.Pinned->identity.DiskNumber != d.number) return;
  const core::DriveIdentity& id = s.Pinned->identity;
  if (!id.Serial.empty()) d.serial = StripNulls(id.Serial);
  if (id.SizeBytes > 0) d.announcedBytes = id.SizeBytes;
}

}  // namespace sw::drives
