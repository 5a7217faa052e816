// Texts this provider shows: what a drive letter stands for.
#pragma once

namespace sw::platform::linuxos {

inline constexpr const char* kDescribeMountedOn = " on ";
inline constexpr const char* kDescribeNotMounted = " (not mounted)";

}  // namespace sw::platform::linuxos
