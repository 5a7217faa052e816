// Every text the Quick Size Test shows: report lines, box prompts and titles, progress pieces.
// The sentences that name things of one system (rights, disk classes, tools) are the platform's
// wording (platform/PlatformWording.h).
#pragma once

namespace sw::quicktest::text {

// --- The command: heading, refusals, confirmations ----------------------------------------
inline constexpr const char* kHeading = "SWD - Quick Size Test (destructive)";
inline constexpr const char* kConfirmTitle = "Quick Size Test";
inline constexpr const char* kConfirmDestroy =
    "WARNING: This test will DESTROY ALL DATA on the whole drive.";
inline constexpr const char* kConfirmReformat = "You will need to reformat it afterwards.";
inline constexpr const char* kConfirmErase = "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE ";
inline constexpr const char* kConfirmEraseEnd = "?";

// --- Volume routine modes -------------------------------------------------------------------
inline constexpr const char* kUnlock = "UNLOCK";

// --- Write pass -----------------------------------------------------------------------------
inline constexpr const char* kWritingMarkers = "Writing marker blocks to drive ";
inline constexpr const char* kWritingMarkersAt = " at ";
inline constexpr const char* kWritingMarkersUnit = "MiB intervals.";
inline constexpr const char* kWriteSectorTo = "Write sector to ";
inline constexpr const char* kEdgeWriteError = "*** ERROR *** writing to drive at Sector ";
inline constexpr const char* kWriteError = "WRITE ERROR: Sector = ";
inline constexpr const char* kSlowWriteTitle = "WRITE ERROR CAUSING SLOW ACCESS!";
inline constexpr const char* kSlowWriteAt = "*** WRITE ERROR *** at Sector ";
inline constexpr const char* kSlowWriteNote =
    "Note: This could be caused by poor quality USB cable or bad device.";
inline constexpr const char* kSlowWriteContinue = "Continue?";
inline constexpr const char* kAbortedOnWriteError = "TEST ABORTED DUE TO WRITE ERROR!";
inline constexpr const char* kAborted = "TEST ABORTED!";
inline constexpr const char* kWipeFailed = "Sector 0 could not be wiped: the drive refused the write.";
inline constexpr const char* kReopenFailed = "The drive could not be opened again after sector 0 was wiped.";
inline constexpr const char* kRetryFailed = "The second write of sector ";
inline constexpr const char* kRetryFailedEnd = " failed as well: it counts as a bad block.";
inline constexpr const char* kSectorWritesFailed = " sector writes failed";
inline constexpr const char* kSectorReadsFailed = " sector reads failed";

// --- Progress line --------------------------------------------------------------------------
inline constexpr const char* kWriteSeparator = "% complete  - ";
inline constexpr const char* kReadSeparator = "% complete - ";
inline constexpr const char* kMinutes = " min ";
inline constexpr const char* kSeconds = " sec ";
inline constexpr const char* kLessThanASecond = "0 min 1 sec";
inline constexpr const char* kRemaining = " remaining";

// --- Live progress (not report lines) ------------------------------------------------------
inline constexpr const char* kPhaseWriting = "Writing markers";
inline constexpr const char* kPhaseReading = "Reading markers";

// --- Read-back pass -------------------------------------------------------------------------
inline constexpr const char* kReadingBack = "Reading back marker blocks...";
inline constexpr const char* kReadFromSector = "Read from sector ";
inline constexpr const char* kReadError = "*** ERROR *** reading from drive ";
inline constexpr const char* kReadErrorAt = " at Sector ";
inline constexpr const char* kFinalReadError = "*** ERROR *** at Sector ";

// --- Write cache check (a line of its own after the read-back) ----------------------------
inline constexpr const char* kCacheFound = "WRITE CACHE FOUND: ";
inline constexpr const char* kCacheFoundAfter =
    " marker blocks read back right at first but not after ";
inline constexpr const char* kCacheFoundEnd =
    "MiB of other writes: the drive answered from a cache, not from its memory.";
inline constexpr const char* kFloodWritesFailed =
    " writes of the cache check failed even when tried again: the drive refused them.";

// --- Analysis -------------------------------------------------------------------------------
inline constexpr const char* kBlocksOf = "Memory tested in blocks of ";
inline constexpr const char* kBlocksSectors = " sectors [";
inline constexpr const char* kBlocksChecked = "sectors checked].";
inline constexpr const char* kBadFrom = "BAD MEMORY from sector ";
inline constexpr const char* kSizeOpen = " (";
inline constexpr const char* kBadFromUnit = "MiB) ";
inline constexpr const char* kBadTo = "to sector ";
inline constexpr const char* kBadToUnit = "Mib)";
inline constexpr const char* kNoMemoryWarning =
    "WARNING: no memory detected at one or more locations.";
inline constexpr const char* kRecommended = "Recommended maximum usable partition size: ";
inline constexpr const char* kRecommendedUnit = "Mib (approx. Last good Sector=";
inline constexpr const char* kRecommendedEnd = ")";
inline constexpr const char* kSizePattern = "#########0.0##";

// --- Closing lines and verdict --------------------------------------------------------------
inline constexpr const char* kTestTook = "Test took ";
inline constexpr const char* kTestTookUnit = " seconds.";
inline constexpr const char* kSectorsChecked = " sectors checked.";
inline constexpr const char* kPassed = "Device quick test was OK    *** PASSED ***";
inline constexpr const char* kRemovableMedia = "REMOVABLE";
inline constexpr const char* kFailed = "                         *** FAILED ***";
inline constexpr const char* kDuplicateBlocks = "DEVICE HAS DUPLICATE OR BAD BLOCKS!";
inline constexpr const char* kZeroFailed =
    "Sector 0 could not be zeroed: the drive refused the write, so it may still hold a marker block.";
inline constexpr const char* kRefusedWrites = "THE DRIVE REFUSED WRITES THAT WERE TRIED TWICE!";

}  // namespace sw::quicktest::text
