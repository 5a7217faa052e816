// Every text the fix shows: heading, questions, refusals, the steps and the verdict.
#pragma once

namespace sw::fix::text {

inline constexpr const char* kHeading = "SWD - Make Usable (partition and format to the verified size)";
inline constexpr const char* kTitle = "Make Usable";
inline constexpr const char* kConfirmDestroy =
    "WARNING: This writes a new partition table and a new file system on the drive and DESTROYS ALL DATA on it.";
inline constexpr const char* kConfirmSize = "The stick will have one partition of ";
inline constexpr const char* kConfirmSizeMiddle = " (sectors ";
inline constexpr const char* kConfirmSizeTo = " to ";
inline constexpr const char* kConfirmSizeEnd = ").";
inline constexpr const char* kConfirmErase = "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE ";
inline constexpr const char* kConfirmEraseEnd = "?";

// --- Refusals --------------------------------------------------------------------------------
inline constexpr const char* kNotMeasured =
    "The real end of this drive was not measured in this run: run the Exact Probe or the Full Surface "
    "Test first, or give the size.";
inline constexpr const char* kPastMeasured1 = "The size asked for ends at byte ";
inline constexpr const char* kPastMeasured2 = ", past the real end measured in this run (byte ";
inline constexpr const char* kPastMeasured3 = ").";
inline constexpr const char* kPastDisk = "The size asked for ends past the end of the drive.";
inline constexpr const char* kTooSmall = "The real memory is too small for a partition that starts at 1 MiB.";
inline constexpr const char* kBadFileSystem = "Unknown file system (fat32, exfat, ntfs or ext4): ";
inline constexpr const char* kBadLabel = "A label has at most 11 letters, digits, blanks, '_' or '-': ";
inline constexpr const char* kNothingWritten = "Nothing was written.";
inline constexpr const char* kRefusedError = "the fix was refused";

// --- The run ---------------------------------------------------------------------------------
inline constexpr const char* kMaking = "Making drive ";
inline constexpr const char* kMakingEnd = " usable: a new partition table, then the file system.";
inline constexpr const char* kTable = "Partition table: ";
inline constexpr const char* kPartition = "Partition 1: sectors ";
inline constexpr const char* kPartitionTo = " to ";
inline constexpr const char* kPartitionOf = " of ";
inline constexpr const char* kPartitionBytes = " bytes (";
inline constexpr const char* kPartitionEnd = "), from the real end measured by ";
inline constexpr const char* kPartitionGiven = "), from the size given";
inline constexpr const char* kFileSystem = "File system: ";
inline constexpr const char* kLabel = ", label ";
inline constexpr const char* kFileSystemSize = "The file system reads its own size as ";
inline constexpr const char* kFileSystemSizeEnd = ".";
inline constexpr const char* kOwnFat32 =
    "This system's formatter makes no FAT32 of this size: this program writes its own.";
inline constexpr const char* kTableReadBack = "The partition table reads back as written.";
inline constexpr const char* kLastSectorKept = "The partition's last sector holds what was written there.";
inline constexpr const char* kRemount =
    "The new volume is not mounted by this program: replug the stick, or mount it, before using it.";
inline constexpr const char* kNextFileTest = "To prove it, run the thorough file test of the new volume.";

// --- Failures --------------------------------------------------------------------------------
inline constexpr const char* kTableFailed = "*** ERROR *** the partition table could not be written: ";
inline constexpr const char* kTableWrong = "*** ERROR *** the partition table does not read back as written.";
inline constexpr const char* kMarkFailed = "*** ERROR *** the partition's sectors do not keep what is written to them: ";
inline constexpr const char* kFormatFailed = "*** ERROR *** the file system could not be made: ";
inline constexpr const char* kSizeWrong =
    "*** ERROR *** the new file system does not read back a size within its partition: ";
inline constexpr const char* kLastSectorLost = "*** ERROR *** the partition's last sector does not hold what was written there.";
inline constexpr const char* kIoFailed = "a raw transfer failed";

// --- Verdict ---------------------------------------------------------------------------------
inline constexpr const char* kDone = "The drive was made usable    *** PASSED ***";
inline constexpr const char* kFailed = "                         *** FAILED ***";
inline constexpr const char* kFailedNote = "The drive could not be made usable; do not trust it with data.";

}  // namespace sw::fix::text
