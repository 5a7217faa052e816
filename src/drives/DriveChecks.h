// The checks every test of the raw disk makes when its button is clicked, before it writes: the
// drive behind the selected volume may be written at all, has a usable size, is still the drive
// the user picked, and the report starts with its title, summary and heading.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"
#include "platform/WinApi.h"

namespace sw::drives {

inline constexpr std::int32_t kHighestDiskNumber = 80;

// The style of both questions before a test writes to the raw disk: the warning icon, and
// Cancel as the default button, so that a hasty Enter never erases a drive.
inline constexpr std::uint32_t kWriteQuestionStyle =
    win::MB_OKCANCEL | win::MB_ICONWARNING | win::MB_DEFBUTTON2;

enum class DiskCheck {
  Testable,
  OutOfRange,  // drive 0 (the system disk as numbered), above 80, or no physical drive (99)
  SystemDisk,  // the drive that holds the running system, wherever it is numbered
};
// Whether this physical drive may be written to at all. Drive 0 is taken as the system disk
// whatever the system says; a system disk number of -1 (unknown) rules out nothing else.
DiskCheck CheckDisk(core::Context& ctx, std::int32_t disk);

// Clears LastOutcome (NotRun) and Cancel, and takes debug mode from SHIFT held at the click.
void BeginTestCommand(core::Context& ctx);

// Sets DiskNumber from SelectedVolume and, for a drive that may be tested, reads its identity
// and size (GetUSBDiskDriveInfo). False when refused: silently for a drive out of range, with a
// box for the system disk.
bool TakeSelectedDisk(core::Context& ctx);

// After TakeSelectedDisk: refuses a drive without a usable size (a box), then makes sure the drive
// picked is the drive tested (a letter that now leads to another disk, or a disk that is no
// longer the one picked, ends the command with the reason in the report). Without a pick the
// drive behind the letter now is pinned here. False when the command must end.
bool AcceptPickedDrive(core::Context& ctx);

// Replaces the report with the title, the drive summary and the heading, then the chosen entry
// and the pinned disk's line. Returns that line (empty when nothing is pinned).
std::string StartTestReport(core::Context& ctx, const std::string& heading);

// The specified words of a question stay as they are; the disk they are about follows in a line
// of its own, so that the user can tell it from every other disk before saying yes.
std::string WithDeviceLine(const std::string& prompt, const std::string& deviceLine);

// After the questions: the drive may have been unplugged or swapped while they were open. False,
// with the reason in the report and LastOutcome Cancelled, when it is no longer the one picked.
bool StillPickedAfterQuestions(core::Context& ctx);

// The report line that says the confirmed drive changed or disappeared, and LastOutcome
// Cancelled.
void EndAsDriveLost(core::Context& ctx);

}  // namespace sw::drives
