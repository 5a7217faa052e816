// The drive list: one entry per listed physical drive, "E: F:    LABEL   [DRIVE 1] ...".
#include "drives/DriveList.h"

#include <cctype>
#include <cstdint>
#include <vector>

#include "diskio/DiskIdentity.h"
#include "diskio/DriveLetters.h"
#include "diskio/PinnedDrive.h"
#include "drives/DriveInfo.h"
#include "drives/DriveRecord.h"
#include "drives/TextFormat.h"
#include "drives/DriveTexts.h"

namespace sw::drives {

void Drive1_Change(core::Context& ctx) {
  core::State& s = ctx.state;
  core::Window& w = ctx.win;
  const std::int32_t lastNumber = ctx.os.LastDriveNumberToList();
  w.ClearItems(core::Control::Combo1);
  s.ListedDrives.clear();

  for (std::int32_t n = 1; n <= lastNumber; ++n) {
    s.DiskNumber = n;
    diskio::GetDriveLetter(ctx, n);
    GetUSBDiskDriveInfo(ctx, n);
    if (s.DriveSizeBytes <= 0) continue;
    const bool usb = diskio::IsUSBDisk(ctx, n);
    if (!s.ShowAllDrives && !usb) continue;
    std::string label;
    GetVolumeLabel(ctx, s.DriveLetter1, label);
    w.AddItem(core::Control::Combo1, s.DriveLetter1 + " " + s.DriveLetter2 + " " + s.DriveLetter3 +
                                        " " + s.DriveLetter4 + "  " + label + "   " +
                                        Print_Drive_Details(ctx));
    core::DriveRecord listed = DescribeDrive(ctx);
    listed.usb = usb;
    if (!listed.volumes.empty()) listed.volumes.front().label = StripNulls(label);
    s.ListedDrives.push_back(std::move(listed));
  }

  if (w.ListCount(core::Control::Combo1) > 0) w.SetListIndex(core::Control::Combo1, 0);
  Combo1_Change(ctx);
}

void Combo1_Change(core::Context& ctx) {
  const std::string entry = ctx.win.Text(core::Control::Combo1);
  std::string volume;
  if (!entry.empty()) {
    volume.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(entry.front()))));
  }
  ctx.state.SelectedVolume = volume + ":";
  // The pick is what the user saw: from here on the tests write only to this disk.
  diskio::PinSelectedVolume(ctx, ctx.state.SelectedVolume);
}

void GetVolumeLabel(core::Context& ctx, const std::string& root, std::string& label) {
  label.assign(static_cast<std::size_t>(text::kLabelBufferChars), ' ');
  // An empty root would name the current directory's volume, not the drive being listed.
  if (root.empty()) return;
  std::vector<char> buffer(label.begin(), label.end());
  std::vector<char> fileSystemName(static_cast<std::size_t>(text::kFileSystemNameChars), '\0');
  std::uint32_t serial = 0;
  std::uint32_t maxComponentLength = 0;
  std::uint32_t fileSystemFlags = 0;
  if (!ctx.os.GetVolumeInformationA(root, buffer, serial, maxComponentLength, fileSystemFlags,
                                    fileSystemName)) {
    return;
  }
  std::string result(buffer.begin(), buffer.end());
  if (const auto nul = result.find('\0'); nul != std::string::npos) result.erase(nul);
  if (result.find_first_not_of(' ') == std::string::npos) result = text::kNoLabel;
  label = result;
}

}  // namespace sw::drives
