// Every text the drive list and the drive summary write.
#pragma once

namespace sw::drives::text {

// Drive summary: "[DRIVE 2]      29.1GiB Model..." and, in debug mode, " 31,264,289,280 Bytes ".
inline constexpr const char* kDrivePrefix = "[DRIVE ";
inline constexpr const char* kDriveNumberEnd = "]   ";
inline constexpr const char* kKiB = "KiB";
inline constexpr const char* kMiB = "MiB";
inline constexpr const char* kGiB = "GiB";
inline constexpr const char* kAmountPattern = "###############0.0";
inline constexpr const char* kBytesPattern = "###,###,###,###,###0";
inline constexpr const char* kBytesTail = " Bytes ";
// Debug fragment that continues the last trace line of the capacity query.
inline constexpr const char* kScsiSize = " SCSI size=";

// Drive list entries.
inline constexpr const char* kNoLabel = "(no label)";
inline constexpr int kLabelBufferChars = 14;
inline constexpr int kFileSystemNameChars = 32;

// Refusals of a drive picked for a test of the raw disk.
inline constexpr const char* kNotSupported = "Drive is not supported!";
inline constexpr const char* kSystemDisk =
    "This drive holds the running system and cannot be tested.";

}  // namespace sw::drives::text
