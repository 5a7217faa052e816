// The device paths the disk routines open: "\\.\PhysicalDrive2" and "\\.\E:".
#pragma once

#include <string>

#include "diskio/TraceTexts.h"

namespace sw::diskio {

// "PhysicalDrive" + the drive's text, as the traces name the drive.
inline std::string PhysicalDriveName(const std::string& driveText) {
  return text::kPhysicalDrive + driveText;
}

// "\\.\" + name: a physical drive name or a designator such as "E:".
inline std::string DevicePath(const std::string& name) { return text::kDevicePrefix + name; }

}  // namespace sw::diskio
