// Bus type, SCSI identity (INQUIRY) and capacity (READ CAPACITY(10), disk length) of a drive.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "core/Context.h"

namespace sw::diskio {

// True when the drive sits on the USB bus. Only the first two characters of the drive's text
// count ("123" queries drive 12).
bool IsUSBDisk(core::Context& ctx, const std::string& driveText);
bool IsUSBDisk(core::Context& ctx, std::int32_t drive);
// Reported capacity in bytes (the larger of READ CAPACITY and the disk length; 0 when neither),
// and the identity texts DRV_MODEL, DRV_FIRMWARE, DRV_SERIAL, DRV_MEDIA when INQUIRY answers.
double GetSCSICapacity(core::Context& ctx, const std::string& driveText);
double GetSCSICapacity(core::Context& ctx, std::int32_t drive);
// Length in bytes of an open disk; 0 when h is -1 or the length is not available.
std::int64_t GetDiskLength(core::Context& ctx, platform::Handle h);
// Text of bytes[start..end], cut at the first NUL when stopAtZero, trimmed of spaces. end = -1
// or beyond the last index is clipped to the last index and written back.
std::string ByteArrayToStr(std::span<const std::uint8_t> bytes, std::int32_t start,
                           std::int32_t& end, bool stopAtZero);

}  // namespace sw::diskio
