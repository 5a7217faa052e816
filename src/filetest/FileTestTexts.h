// Every text the volume file test and the test-file clean-up show: report lines, message boxes
// and their titles. The consent's speed tip names a program of the system, so it is the
// platform's wording (platform/PlatformWording.h).
#pragma once

namespace sw::filetest::texts {

// Heading and run lines of the report.
inline constexpr const char* kHeading = "SWD - Volume File Test";
inline constexpr const char* kWarningTesting = "Warning: Testing ";
inline constexpr const char* kOutOfReportedSize = "MB out of reported drive size of ";
inline constexpr const char* kMB = "MB";
inline constexpr const char* kWriting = "Writing ";
inline constexpr const char* kFilesOf200MB = " x 200MB files...";
inline constexpr const char* kWriteError = "WRITE ERROR!";
inline constexpr const char* kDataError = "DATA ERROR!";
inline constexpr const char* kWritingLastFile = "Writing last file (";
inline constexpr const char* kLastFileMBClose = "MB)";
inline constexpr const char* kVerifyingFiles = "Verifying files 1 - ";
inline constexpr const char* kVerifyingFile = "Verifying file ";
inline constexpr const char* kEllipsis = "...";
inline constexpr const char* kAbortedWhileWriting = "TEST ABORTED (test files may be present)!";
inline constexpr const char* kAbortedWhileVerifying =
    "TEST ABORTED (use Clean-up to delete test files)!";

// Report figures and verdict lines.
inline constexpr const char* kRule = "-----------------------";
inline constexpr const char* kTestFinished = "TEST FINISHED";
inline constexpr const char* kFilespaceTested = "MB of filespace was tested.";
inline constexpr const char* kTestTime = "Test Time = ";
inline constexpr const char* kFailedOnly = "TEST FAILED: Only ";
inline constexpr const char* kOutOfThe = "MB out of the ";
inline constexpr const char* kTestedWereGood = "MB tested were good.";
inline constexpr const char* kPassed = "PASSED: ";
inline constexpr const char* kTestedAndOk = "MB tested and OK.";
inline constexpr const char* kDeletingTestFiles = "Deleting test files - please wait...";
inline constexpr const char* kFinishedDeleting = " Finished.";
inline constexpr const char* kNote = "Note: ";
inline constexpr const char* kOutOf = "MB out of ";
inline constexpr const char* kTestedForIntegrity = "MB were tested for integrity.";

// Message boxes.
inline constexpr const char* kNoSpaceText = "ERROR: Drive not formatted or volume too full!";
inline constexpr const char* kNoSpaceTitle = "No spare space or unformatted Drive!";
inline constexpr const char* kIncompatibleDrive = "Incompatible drive?";
inline constexpr const char* kConsentTitle = "File Test";
inline constexpr const char* kConsentOkToFill = "OK to fill ";
inline constexpr const char* kConsentWith = " with ";
inline constexpr const char* kConsentOfTestFiles = "MB of test files?";
inline constexpr const char* kConsentWarning =
    "WARNING: If this device is 'fake', this operation could corrupt all your files.";
inline constexpr const char* kSeemsGood =
    "The unused file space on this drive volume seems good, however to ensure the memory is not "
    "faulty, I recommend you run the Quick Size Test.";
inline constexpr const char* kFaulty = "THIS DRIVE IS FAULTY - THE CONTENTS MAY NOW BE CORRUPT!";
inline constexpr const char* kProbablyFake =
    "THIS DRIVE IS PROBABLY FAKE (COUNTERFEIT) OR FAULTY - THE CONTENTS MAY NOW BE CORRUPT!";

// A run that stops because of the volume, not the drive: the report line instead of PASSED
// or TEST FAILED, and the box that says what happened.
inline constexpr const char* kIncomplete = "TEST INCOMPLETE: ";
inline constexpr const char* kIncompleteTitle = "Test incomplete";
inline constexpr const char* kStopReadOnly =
    "The volume is read-only (write-protected), so the test files could not be written.";
inline constexpr const char* kStopFull =
    "The volume became full before the test was done (another program may be writing to it).";
inline constexpr const char* kStopGone =
    "The volume disappeared during the test (the drive was removed or stopped answering).";
inline constexpr const char* kNoVerdict =
    "This is no sign of a fake drive: the files written before it were checked and reported.";

// The thorough test (every byte, in the format H2testw and F3 read).
inline constexpr const char* kThoroughHeading = "Thorough test: ";
inline constexpr const char* kThoroughFiles = " .h2w files, ";
inline constexpr const char* kThoroughClose = ", every byte written and checked";
inline constexpr const char* kThoroughNothing = "ERROR: No space for test files, or no .h2w files to verify!";
inline constexpr const char* kThoroughWriting = " Writing ";
inline constexpr const char* kThoroughExt = ".h2w";
inline constexpr const char* kThoroughWritten = ": written at ";
inline constexpr const char* kThoroughSlow = "  SLOW (under 10% of the median speed)";
inline constexpr const char* kThoroughMBs = " MB/s";
inline constexpr const char* kThoroughSpeedUnknown = "- MB/s";
inline constexpr const char* kThoroughVerifyHeading = "Verifying the .h2w files on the volume: ";
inline constexpr const char* kThoroughVerifyClose = ", every byte read and checked (nothing is written)";
inline constexpr const char* kThoroughNotAFile =
    " is not a file this test can read or replace (a folder, a link or a locked file). Move or "
    "rename it, then start the test again.";
inline constexpr const char* kThoroughKeptLost1 = "Data that had read back intact (";
inline constexpr const char* kThoroughKeptLost2 = ".h2w at offset ";
inline constexpr const char* kThoroughKeptLost3 =
    ") is lost now: the drive gives its memory to newer writes, so the test stops filling here "
    "(--full goes on).";
inline constexpr const char* kThoroughWriteFailed = ": writing failed after ";
inline constexpr const char* kThoroughSystemErrorOpen = " (system error ";
inline constexpr const char* kThoroughGoingOn =
    "The test goes on with the next file; what was written is read back at the end.";
inline constexpr const char* kThoroughFailingStop =
    "Three files in a row could not be written: the test stops filling here.";
inline constexpr const char* kThoroughUnreadable = "Unreadable (could not be opened or read): ";
inline constexpr const char* kThoroughCouldNotRead = "The first unreadable file is ";
inline constexpr const char* kThoroughSystemError = ".h2w (system error ";
inline constexpr const char* kThoroughKept = "Kept the test files ";
inline constexpr const char* kThoroughKeptTo = " to ";
inline constexpr const char* kThoroughKeptClose =
    " for a check on another computer (f3read and H2testw read them; Clean-up deletes them).";
inline constexpr const char* kThoroughFinalRead = "Reading every file back... ";
inline constexpr const char* kThoroughFullAt = " (the volume was full after ";
inline constexpr const char* kThoroughFullClose = ")";
inline constexpr const char* kThoroughUnchecked = "Not written (the test stopped early): ";
inline constexpr const char* kThoroughFinished = "THOROUGH TEST FINISHED";
inline constexpr const char* kThoroughGood = "Good: ";
inline constexpr const char* kThoroughCorrupted = "Corrupted: ";
inline constexpr const char* kThoroughChanged = "Slightly changed (under 8 bits): ";
inline constexpr const char* kThoroughOverwritten = "Overwritten: ";
inline constexpr const char* kThoroughSectorsOpen = " (";
inline constexpr const char* kThoroughSectorsClose = " sectors)";
inline constexpr const char* kThoroughOverwriteAt = "First overwritten sector at offset ";
inline constexpr const char* kThoroughOverwriteFrom = " holds the data written for offset ";
inline constexpr const char* kThoroughFirstBad = "First bad byte at offset ";
inline constexpr const char* kThoroughExpected = ": expected ";
inline constexpr const char* kThoroughFound = ", found ";
inline constexpr const char* kThoroughAllGood =
    "Every byte of the free space was written and read back intact.";
inline constexpr const char* kThoroughAllVerified =
    "Every byte of the .h2w files on the volume was read back intact.";
inline constexpr const char* kThoroughTrace = " Thorough ";
// The phases of its live progress.
inline constexpr const char* kThoroughPhaseWriting = "Writing .h2w files";
inline constexpr const char* kThoroughPhaseSamples = "Checking samples of the .h2w files";
inline constexpr const char* kThoroughPhaseFinal = "Checking every .h2w file";
inline constexpr const char* kKeptForeign1 = "Kept ";
inline constexpr const char* kKeptForeign2 =
    ": it does not hold test data of its number (cleanup --all-h2w deletes it too)";
inline constexpr const char* kKeptForeignPlain = ": this program did not write it";

// The writer and the interim check.
inline constexpr const char* kWritingFile = " Writing ";
inline constexpr const char* kRemainingLead = ", ";
inline constexpr const char* kRemaining = " remaining ";
inline constexpr const char* kChecking = " Checking...";
inline constexpr const char* kCheckOk = " OK";
inline constexpr const char* kVerifyTrace = " VerifyTestFile ";

// Test file names and the clean-up.
inline constexpr const char* kFilePrefix = "\\WARDFILE";
inline constexpr const char* kFileSuffix = ".tmp";
inline constexpr const char* kFilePattern = "\\WARDFILE*.tmp";
inline constexpr const char* kDeleting = "Deleting ";
inline constexpr const char* kFilesEllipsis = " files...";
inline constexpr const char* kCleanupFinished = "finished.";
// The clean-up's question, and what a run says of files in its way.
inline constexpr const char* kCleanupTitle = "Delete Test Files";
inline constexpr const char* kCleanupAsk1 = "Delete these test files from ";
inline constexpr const char* kCleanupAsk2 = "?";
inline constexpr const char* kCleanupNothing = "No test files of this program to delete on ";
inline constexpr const char* kLeftoversWillGo =
    "Test files an earlier run left there will be deleted first (counted in the free space): ";
inline constexpr const char* kForeignInTheWay1 = "Nothing was written: ";
inline constexpr const char* kForeignInTheWay2 =
    " holds files named like this program's test files that it did not write, which the test "
    "would overwrite: ";
inline constexpr const char* kForeignInTheWay3 = ". Move or rename them, then start the test again.";
inline constexpr const char* kForeignH2w1 = "Nothing was written: ";
inline constexpr const char* kForeignH2w2 =
    " holds .h2w test files that this program did not write (another tool's, or its own from "
    "another computer): ";
inline constexpr const char* kForeignH2w3 =
    ". Check them with --verify-only (the window's Thorough test with SHIFT held), or move them "
    "away, then start the test again.";

}  // namespace sw::filetest::texts
