// Texts this provider shows: what a drive letter stands for.
#pragma once

namespace sw::platform::linuxos {

inline constexpr const char* kDescribeMountedOn = " on ";
inline constexpr const char* kDescribeNotMounted = " (not mounted)";
inline constexpr const char* kDescribeWholeDisk1 = ", but the whole disk ";  // + node, " on ", mount
inline constexpr const char* kDescribeWholeDisk2 = " is mounted";

}  // namespace sw::platform::linuxos

namespace sw::platform::linuxos {

// Why a device path names no drive (after the path).
inline constexpr const char* kPathNoSuchDevice = ": no such device";
inline constexpr const char* kPathNotBlockDevice = ": not a block device (name a disk such as /dev/sdb)";
inline constexpr const char* kPathNoVolume = ": a partition without a volume (an extended-partition container)";
inline constexpr const char* kPathNotTestable =
    ": not a drive that can be tested (a disk of the running system, or a stacked device such as dm or md)";

}  // namespace sw::platform::linuxos
