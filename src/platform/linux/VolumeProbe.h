// A volume's file system as its superblock says (libblkid), and the Windows names for it.
#pragma once

#include <cstdint>
#include <string>

namespace sw::platform::linuxos {

struct ProbedVolume {
  bool found = false;   // a file system was recognised
  int error = 0;        // errno when the device could not be read
  std::string type;     // blkid TYPE: "vfat", "exfat", "ext4", ...
  std::string version;  // blkid VERSION: "FAT32", "FAT16", ...
  std::string label;
  std::string uuid;     // "1234-ABCD" on FAT, a long UUID elsewhere
};

// Reads the superblock of devNode. Cached pages of the node are dropped first, so that a volume
// just overwritten through the whole disk is not described from memory.
ProbedVolume ProbeVolume(const std::string& devNode);

// Windows' name of a file system: "FAT32", "FAT", "exFAT", "NTFS", "UDF", "CDFS"; others keep
// their Linux name.
std::string WindowsFileSystemName(const std::string& type, const std::string& version);

// The volume serial number from a UUID: its first eight hex digits ("1234-ABCD" -> 0x1234ABCD).
std::uint32_t SerialFromUuid(const std::string& uuid);

}  // namespace sw::platform::linuxos
