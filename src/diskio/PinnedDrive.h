// The identity of the drive the user picked, pinned at the pick and checked before every open
// of the drive or its volumes writes a byte.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Context.h"

namespace sw::diskio {

// What the drive behind an open handle says it is; nothing when the handle answers no device
// number (the drive is gone, or the handle is no disk).
std::optional<core::DriveIdentity> ReadDriveIdentity(core::Context& ctx, platform::Handle h);

// Same when the two name one disk: the same number, model and serial; the same key (the one
// thing that tells two sticks of one model and size apart; a key that only one side has means
// the system answered for another device); and the same size where both know it (0: the handle
// could not tell).
bool SameDisk(const core::DriveIdentity& pinned, const core::DriveIdentity& now);

// Pins physical drive `drive` as the user's pick, with the letters it has now. False (and
// nothing pinned) when the drive does not answer.
bool PinDrive(core::Context& ctx, std::int32_t drive);
// Pins the drive behind a designator such as "E:"; with no drive behind it nothing is pinned.
void PinSelectedVolume(core::Context& ctx, const std::string& designator);

// Checks an open handle of the drive or of one of its volumes against the pin, and records a
// failure in IdentityLost. Same when nothing is pinned.
core::IdentityCheck CheckPinnedHandle(core::Context& ctx, platform::Handle h);

// Opens the pinned drive for queries only and checks it: the call to make before any open
// that will write. Same when nothing is pinned; a failure is recorded in IdentityLost.
core::IdentityCheck VerifyPinnedDrive(core::Context& ctx);
// The same for a volume of the pinned drive, opened as "\\.\" + designator.
core::IdentityCheck VerifyPinnedVolume(core::Context& ctx, const std::string& designator);

// True for the errors of an open that finds no device under the name (unplugged, renumbered).
bool IsNoDeviceError(std::uint32_t win32Error);

// The report line for a check that failed; empty for Same.
std::string IdentityLostLine(core::IdentityCheck check);

// "Device: /dev/sdb = drive 2 (E: F:): SIMTEK Flash Disk, serial SIM0000001, 16,000,000,000
// bytes": the pinned disk in one line, for the questions and the report. Empty when none.
std::string PinnedDriveLine(const core::State& state);

}  // namespace sw::diskio
