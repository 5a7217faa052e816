// What a Windows name given to CreateFileA and friends stands for: a physical drive, a volume,
// or a file on a volume.
#pragma once

#include <string>

namespace sw::platform::linuxos {

struct WinPath {
  enum class Kind { Invalid, PhysicalDrive, Volume, File, VolumeRoot };
  Kind kind = Kind::Invalid;
  int driveNumber = -1;   // PhysicalDrive
  char letter = 0;        // Volume, File, VolumeRoot: upper case
  std::string relative;   // File: "WARDFILE1.tmp" or "sub/x.tmp", with "/" and no "." or ".."
};

// "\\.\PhysicalDrive3" -> PhysicalDrive 3; "\\.\e:" -> Volume E; "E:\WARDFILE1.tmp" -> File;
// "E:" and "E:\" -> VolumeRoot. Separators may be "\" or "/"; ".." never climbs above the root.
WinPath ParseWinPath(const std::string& name);

}  // namespace sw::platform::linuxos
