// The words that name the pinned disk and tell that it changed or disappeared.
#pragma once

namespace sw::diskio::text {

inline constexpr const char* kDeviceLine = "Device: ";
inline constexpr const char* kDriveWord = "drive ";
inline constexpr const char* kSerialWord = "serial ";
inline constexpr const char* kBytesWord = " bytes";

inline constexpr const char* kDriveChanged =
    "TEST ABORTED: the drive changed (another disk now answers as this drive) - nothing more "
    "was written.";
inline constexpr const char* kDriveGone =
    "TEST ABORTED: the drive disappeared - nothing more was written.";

}  // namespace sw::diskio::text
