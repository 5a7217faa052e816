// A drive's identity and usable size (whole cylinders, less one when the last sector cannot be
// read), and its one-line summary for the drive list and the reports.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::drives {

inline constexpr double CYLINDER_BYTES = 8225280.0;  // 255 heads x 63 sectors x 512 bytes

// Precondition: DiskNumber == DiskIndex. Sets DriveSizeBytes and the identity texts.
void GetUSBDiskDriveInfo(core::Context& ctx, std::int32_t DiskIndex);
void GetUSBDiskDriveInfo1(core::Context& ctx, std::int32_t DiskIndex);
// "[DRIVE n]   " + amount + unit + " " + model...; empty when DriveSizeBytes is 0.
std::string Print_Drive_Details(core::Context& ctx);

}  // namespace sw::drives
