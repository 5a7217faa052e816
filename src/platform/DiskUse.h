// What the seam tells beyond the Windows services, so that the core can refuse to write where it
// must not: which drive a device path names, and which file systems of a drive are still in use.
#pragma once

#include <cctype>
#include <string>
#include <vector>

namespace sw::platform {

// The drive behind a device path the user typed ("/dev/sdb1", "\\.\PhysicalDrive2").
struct NamedDevice {
  int diskNumber = -1;  // the physical drive; -1 when the path names none (error says why)
  std::string volume;   // the designator of the partition the path names ("E:"); empty: the disk
  std::string device;   // the whole disk as the user knows it ("/dev/sdb")
  std::string error;    // in words, for the user
};

// One mounted file system of a drive about to be written.
struct MountInUse {
  std::string device;                // "/dev/sdb1"
  std::string mountPoint;            // "/media/stick"
  std::vector<std::string> holders;  // "1234 (bash)": processes with a file, folder or map there
};

inline constexpr const char* kPhysicalDrivePrefix = "\\\\.\\PhysicalDrive";

// "\\.\PhysicalDrive2" (any case, "/" for "\") gives drive 2; anything else names no drive.
inline NamedDevice FindPhysicalDrivePath(const std::string& path) {
  NamedDevice found;
  const std::string prefix = kPhysicalDrivePrefix;
  bool same = path.size() > prefix.size();
  for (std::size_t i = 0; same && i < prefix.size(); ++i) {
    const char a = path[i] == '/' ? '\\' : path[i];
    same = std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(prefix[i]));
  }
  const std::string digits = same ? path.substr(prefix.size()) : std::string{};
  if (digits.empty() || digits.size() > 3 ||
      digits.find_first_not_of("0123456789") != std::string::npos) {
    found.error = "not a device path";
    return found;
  }
  found.diskNumber = std::stoi(digits);
  found.device = prefix + std::to_string(found.diskNumber);
  return found;
}

}  // namespace sw::platform
