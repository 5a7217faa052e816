// Drive designators (E:) to physical drive numbers and back.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::diskio {

inline constexpr std::int32_t kNoPhysicalDrive = 99;

// Physical drive number of a designator such as "E:", or 99 when it does not lead to a disk.
std::int32_t GetDiskNumber(core::Context& ctx, const std::string& designator);
// The designators of up to four volumes of a drive, in letter order (C: to Z:); true when at
// least one was found.
bool Get_Drive_Volumes(core::Context& ctx, std::int32_t drive, std::string& Volume1,
                       std::string& Volume2, std::string& Volume3, std::string& Volume4);
// Fills DriveLetter1..DriveLetter4 and returns DriveLetter1.
std::string GetDriveLetter(core::Context& ctx, std::int32_t drive);

}  // namespace sw::diskio
