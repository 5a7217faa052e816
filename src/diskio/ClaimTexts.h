// Texts of the refusals to test a drive that is still in use.
#pragma once

namespace sw::diskio::text {

inline constexpr const char* kStillMounted =
    "Nothing was written: the drive is still in use. These file systems on it could not be "
    "unmounted:";
inline constexpr const char* kMountedOn = " is mounted on ";
inline constexpr const char* kHeldBy = ", in use by ";
inline constexpr const char* kHolderSeparator = ", ";
inline constexpr const char* kStillMountedAdvice =
    "Close what uses it (a terminal or a file manager inside it, an open file), or unmount it "
    "yourself, then start the test again.";
inline constexpr const char* kNotRemounted = "These could not be mounted again: ";
inline constexpr const char* kHeldElsewhere =
    "Nothing was written: another program is using the drive, perhaps another test of it. Start "
    "this test again when that one has ended.";
inline constexpr const char* kIndent = "  ";
inline constexpr const char* kClaimedByAnotherRun =
    "Nothing was done: another SizeWarden run is testing this drive right now. Let it finish (or "
    "cancel it), then start this one again.";

}  // namespace sw::diskio::text
