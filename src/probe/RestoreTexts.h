// Every text of putting back the blocks of an interrupted Exact Probe.
#pragma once

namespace sw::probe::text {

inline constexpr const char* kRestoreHeading = "SWD - Restore after an interrupted Exact Probe";
inline constexpr const char* kRestoreTitle = "Restore";
inline constexpr const char* kRestoreQuestion1 = "An Exact Probe of this drive, begun ";
inline constexpr const char* kRestoreQuestion2 = ", ended before it put back the ";
inline constexpr const char* kRestoreQuestion3 =
    " blocks it had saved. Put them back now? The drive's volumes are unmounted while they are "
    "written.";
inline constexpr const char* kRestoreAtStart1 = "An Exact Probe did not end: ";
inline constexpr const char* kRestoreAtStart2 =
    " blocks it had changed on this drive can be put back from the journal it kept.";
inline constexpr const char* kRestoring = "Putting back the saved blocks of drive ";
inline constexpr const char* kRestoringEnd = "...";
inline constexpr const char* kNothingToRestore = "No interrupted Exact Probe: there is nothing to put back.";
inline constexpr const char* kWaiting1 = "Blocks of an interrupted Exact Probe of ";
inline constexpr const char* kWaiting2 = " (begun ";
inline constexpr const char* kWaiting3 = " on ";
inline constexpr const char* kWaiting4 = ") are kept in ";
inline constexpr const char* kWaiting5 = ": connect that drive and restore again.";
inline constexpr const char* kNoSerial = "a drive without a serial number";
inline constexpr const char* kRemountHint =
    "Volumes that were not mounted when the restore began stay so: unplug the drive and plug it "
    "in again, or mount them.";
inline constexpr const char* kJournalKept = "The journal stays in ";
inline constexpr const char* kJournalKeptEnd = " for another try.";
// The terminal's note at the start of every other command.
inline constexpr const char* kPendingNote1 = "Note: an interrupted Exact Probe left ";
inline constexpr const char* kPendingNote2 = " blocks to put back on ";
inline constexpr const char* kPendingNote3 = ": run '";
inline constexpr const char* kPendingNote4 = " restore'.";

}  // namespace sw::probe::text
