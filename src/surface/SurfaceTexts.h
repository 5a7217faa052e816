// Every text the Full Surface Test shows: heading, confirmations, the question when its samples
// go wrong, the phases, the report lines and the verdict boxes.
#pragma once

#include <cstddef>

namespace sw::surface::text {

// --- The command: heading and confirmations -------------------------------------------------
inline constexpr const char* kHeading = "SWD - Full Surface Test (destructive)";
inline constexpr const char* kTitle = "Full Surface Test";
inline constexpr const char* kConfirmDestroy =
    "WARNING: This test writes test blocks over the WHOLE drive and DESTROYS ALL DATA on it.";
inline constexpr const char* kConfirmReformat = "You will need to reformat it afterwards.";
inline constexpr const char* kConfirmErase = "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE ";
inline constexpr const char* kConfirmEraseEnd = "?";

// --- The run --------------------------------------------------------------------------------
inline constexpr const char* kTesting = "Testing the whole surface of drive ";
inline constexpr const char* kTestingEnd =
    ": writing test blocks from its first sector, reading samples of what was written as it goes.";
inline constexpr const char* kPhaseWrite = "Writing the surface";
inline constexpr const char* kPhaseRead = "Reading the surface back";

// --- The question when the samples go wrong -------------------------------------------------
inline constexpr const char* kAlarm = "The drive's memory has run out: after ";
inline constexpr const char* kAlarmWritten = " were written, ";
inline constexpr const char* kAlarmOf = " of ";
inline constexpr const char* kAlarmSamples = " sectors read back from them did not hold what was written (";
inline constexpr const char* kAlarmEnd = ").";
inline constexpr const char* kAlarmChoice =
    "OK: stop writing now and read back everything written (the verdict is clear already).\r\n"
    "Cancel: go on writing to the end of the drive, to map all of it.";

// --- The findings ---------------------------------------------------------------------------
inline constexpr const char* kStopped = "Writing stopped after ";
inline constexpr const char* kStoppedEnd =
    ": samples of what was written showed that the drive's memory had run out.";
inline constexpr const char* kWroteOn = "The samples went wrong after ";
inline constexpr const char* kWroteOnEnd = "; writing went on to the end of the drive, as asked.";
inline constexpr const char* kAnnounced = "Announced size: ";
inline constexpr const char* kChecked = "Sectors read back: ";
inline constexpr const char* kCheckedOf = " of ";
inline constexpr const char* kKept = "Kept their data: ";
inline constexpr const char* kLost = "Lost (read back as a fill): ";
inline constexpr const char* kOverwritten = "Overwritten by other sectors' blocks: ";
inline constexpr const char* kOverwrittenExample = " (e.g. sector ";
inline constexpr const char* kOverwrittenHolds = " holds the block of sector ";
inline constexpr const char* kOverwrittenEnd = ")";
inline constexpr const char* kChanged = "Changed (neither its data nor a fill): ";
inline constexpr const char* kUnreadable = "Unreadable: ";
inline constexpr const char* kFailedWrites = "*** ERROR *** write requests that failed, even when tried again: ";
inline constexpr const char* kFailedWritesFrom = " (the first at sector ";
inline constexpr const char* kFailedWritesEnd = ")";
inline constexpr const char* kFailedFlushes =
    "*** ERROR *** flushes to the drive that failed (what was written may not be on its memory): ";
inline constexpr const char* kFailedFlushesFrom = " (the first after ";
inline constexpr const char* kFailedFlushesEnd = " sectors written)";
inline constexpr const char* kGoodRanges = "Sectors that kept their data: ";
inline constexpr const char* kGoodNone = "none";
inline constexpr const char* kRangeTo = " to ";
inline constexpr const char* kRangeSeparator = ", ";
inline constexpr std::size_t kListedRangesMax = 8;
inline constexpr const char* kMoreRanges = " and ";
inline constexpr const char* kMoreRangesEnd = " more runs";
inline constexpr const char* kLastGood = "Last good sector (the real end): ";
inline constexpr const char* kNoGoodSector = "none (sector 0 does not keep its data)";
inline constexpr const char* kRealSize = "Real size: ";
inline constexpr const char* kBytes = " bytes (";
inline constexpr const char* kSectorsEnd = " sectors)";
inline constexpr const char* kMiBEnd = "MiB)";
inline constexpr const char* kSpeeds = "Mean speed: write ";
inline constexpr const char* kSpeedsRead = " MB/s, read ";
inline constexpr const char* kSpeedsEnd = " MB/s";
inline constexpr const char* kCollapse = "Write speed collapses at ";
inline constexpr const char* kCollapseFrom = ": from a median of ";
inline constexpr const char* kCollapseTo = " MB/s before it to ";
inline constexpr const char* kCollapseEnd = " MB/s";
inline constexpr const char* kNoCollapse = "Write speed: no collapse along the drive";
inline constexpr const char* kReformat = "The test overwrote the whole drive: reformat it before use.";
inline constexpr const char* kUnfinished =
    "The samples went wrong, yet every sector read back kept its data: the drive is not proven "
    "good or bad past ";
inline constexpr const char* kUnfinishedEnd = ". Test it again.";
inline constexpr const char* kTestTook = "Test took ";
inline constexpr const char* kTestTookUnit = " seconds.";
inline constexpr const char* kSizePattern = "#########0.0##";
inline constexpr const char* kBytesPattern = "###,###,###,###,###0";
inline constexpr const char* kMiB = "MiB";
inline constexpr const char* kRecommended = "Recommended maximum usable partition size: ";
inline constexpr const char* kRecommendedUnit = "MiB (exact Last good Sector=";
inline constexpr const char* kRecommendedEnd = ")";

// --- Ends -----------------------------------------------------------------------------------
inline constexpr const char* kAborted = "TEST ABORTED!";
inline constexpr const char* kAbortedError = "the full surface test did not reach its end";
inline constexpr const char* kUnfinishedError = "the samples went wrong, yet the read-back found no bad sector";

// --- Verdict boxes --------------------------------------------------------------------------
inline constexpr const char* kPassed = "Full surface test was OK    *** PASSED ***";
inline constexpr const char* kPassedNote =
    "NOTE: Every sector the drive announces kept what was written to it.";
inline constexpr const char* kFailed = "                         *** FAILED ***";
inline constexpr const char* kCounterfeit = "DEVICE IS COUNTERFEIT OR FAULTY!";

}  // namespace sw::surface::text
