// Every text the Exact Probe shows: heading, confirmations, the engine's phases, report lines and
// verdict boxes.
#pragma once

#include <cstddef>

namespace sw::probe::text {

// --- The command: heading and confirmations -------------------------------------------------
inline constexpr const char* kHeading = "SWD - Exact Probe (non-destructive)";
inline constexpr const char* kHeadingDestructive = "SWD - Exact Probe (destructive)";
inline constexpr const char* kConfirmTitle = "Exact Probe";
inline constexpr const char* kConfirmKeep =
    "The Exact Probe writes test blocks across the whole drive. Every block it overwrites is "
    "read and saved first and written back at the end, so the data on the drive is kept.";
inline constexpr const char* kConfirmKeepNote =
    "Do not unplug the drive or close this program until the probe has ended: the saved blocks "
    "are put back only then.";
inline constexpr const char* kConfirmDestroy =
    "WARNING: This test will DESTROY DATA on the whole drive: the blocks it writes are not saved "
    "(destructive probe).";
inline constexpr const char* kConfirmReformat = "You will need to reformat it afterwards.";
inline constexpr const char* kConfirmProbe = "ARE YOU SURE IT IS OK TO PROBE DRIVE ";
inline constexpr const char* kConfirmProbeEnd =
    "? Its volumes are unmounted while the probe runs; their data is kept.";
inline constexpr const char* kConfirmErase = "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE ";
inline constexpr const char* kConfirmEraseEnd = "?";

// --- The engine's phases, as the live progress shows them -----------------------------------
inline constexpr const char* kPhaseWrap = "Probing for a wrap";
inline constexpr const char* kPhaseCache = "Sizing the write cache";
inline constexpr const char* kPhaseSearch = "Searching the last good sector";
inline constexpr const char* kPhaseRestore = "Restoring the probed sectors";

// --- The run --------------------------------------------------------------------------------
inline constexpr const char* kProbing = "Probing drive ";
inline constexpr const char* kProbingKeep =
    ": every block written is saved first and put back at the end.";
inline constexpr const char* kProbingDestroy = ": the blocks written are not saved (destructive).";

// --- The findings ---------------------------------------------------------------------------
inline constexpr const char* kKind = "Kind of drive: ";
inline constexpr const char* kKindGenuine =
    "NO FAKE FOUND (every sector the probe wrote, across the whole drive, kept what was written)";
inline constexpr const char* kKindLimbo = "LIMBO (writes past the real memory are lost)";
inline constexpr const char* kKindWraparound =
    "WRAPAROUND (addresses past the real memory land on earlier sectors)";
inline constexpr const char* kKindChain =
    "CHAIN (addresses wrap onto sectors that lie past the real memory themselves)";
inline constexpr const char* kKindIoErrors = "I/O ERRORS (reads or writes past the real memory fail)";
inline constexpr const char* kKindNoMemory = "NO MEMORY (not one sector keeps its data)";
inline constexpr const char* kAnnounced = "Announced size: ";
inline constexpr const char* kBytes = " bytes (";
inline constexpr const char* kSectorsEnd = " sectors)";
inline constexpr const char* kOwnSectors = "The drive's own sectors are ";
inline constexpr const char* kOwnSectorsEnd =
    " bytes long; every sector named here is one of 512 bytes, moved inside the drive's own.";
inline constexpr const char* kUsable = "Usable size: ";
inline constexpr const char* kMiBEnd = "MiB)";
inline constexpr const char* kLastGood = "Last good sector: ";
inline constexpr const char* kNoGoodSector = "none";
inline constexpr const char* kWrap = "Wrap size: ";
inline constexpr const char* kErrorsFrom = "I/O errors from sector ";
inline constexpr const char* kCacheFound = "Write cache found: about ";
inline constexpr const char* kCacheSectors = " sectors (";
inline constexpr const char* kCacheEnd = " bytes)";
inline constexpr const char* kNoCache = "Write cache found: none";
// What a probe that found nothing cannot rule out, and the test that can.
inline constexpr const char* kNotRuledOut =
    "Not ruled out by a probe: a drive that keeps only its last writes, more than ";
inline constexpr const char* kNotRuledOutFollow =
    " bytes of them, or one that gives each newly written address the next free block of a "
    "smaller memory and holds the ";
inline constexpr const char* kNotRuledOutEnd = " bytes written here.";
inline constexpr const char* kFullSurfaceNamed =
    "The Full-Surface Test writes every sector and exposes such a drive soon after its real end.";
inline constexpr const char* kSectorsWritten = "Sectors written: ";
inline constexpr const char* kSectorsRead = ", read: ";
inline constexpr const char* kLatency = "Mean latency per request: write ";
inline constexpr const char* kLatencyRead = " ms, read ";
inline constexpr const char* kLatencyEnd = " ms";
inline constexpr const char* kRestored = "Original blocks restored: all of them.";
inline constexpr const char* kNotRestored = "Original blocks not restored (destructive probe).";
inline constexpr const char* kRestoreFailed = "*** RESTORE FAILED *** for ";
inline constexpr const char* kRestoreFailedSectors = " sectors, their data is lost: ";
inline constexpr const char* kUnrestoredError = " sectors could not be restored";
inline constexpr const char* kSectorSeparator = ", ";
// A restore that failed on more sectors than this lists the first ones and says how many more.
inline constexpr std::size_t kListedSectorsMax = 64;
inline constexpr const char* kMoreSectors = " and ";
inline constexpr const char* kMoreSectorsEnd = " more";
inline constexpr const char* kReformat =
    "The destructive probe overwrote data on the drive: reformat it before use.";
inline constexpr const char* kTestTook = "Test took ";
inline constexpr const char* kTestTookUnit = " seconds.";
inline constexpr const char* kSizePattern = "#########0.0##";
inline constexpr const char* kBytesPattern = "###,###,###,###,###0";
inline constexpr const char* kRecommended = "Recommended maximum usable partition size: ";
inline constexpr const char* kRecommendedUnit = "MiB (exact Last good Sector=";
inline constexpr const char* kRecommendedEnd = ")";

// --- Ends -----------------------------------------------------------------------------------
inline constexpr const char* kAborted = "TEST ABORTED!";
inline constexpr const char* kUnreadable =
    "*** ERROR *** the drive could not be read or written: nothing could be probed.";
inline constexpr const char* kNoJournal =
    "*** ERROR *** the probe stopped: the journal of the blocks it saves could not be written to ";
inline constexpr const char* kNoJournalEnd =
    ". The probe writes to the drive only what that journal covers, so that a crash cannot lose "
    "its data.";
inline constexpr const char* kUnfinishedBound =
    "The probe stopped before its end: it reached the most sectors it may write (";
inline constexpr const char* kUnfinishedBoundEnd = ").";
inline constexpr const char* kUnfinishedRounds =
    "The probe stopped before its end: its search took the most rounds it may take without "
    "finding the exact end.";
inline constexpr const char* kUnfinishedFlood =
    "The probe stopped before its end: the drive refused writes that flush its cache, even when "
    "tried again, so the search could not tell its memory from its cache.";
inline constexpr const char* kProvenGood = "Found up to then: sectors 0 to ";
inline constexpr const char* kProvenGoodEnd = " keep what was written.";
inline constexpr const char* kProvenBad = "Found up to then: sector ";
inline constexpr const char* kProvenBadEnd =
    " does not keep what was written: the drive holds less than it announces.";
inline constexpr const char* kUnfinishedError = "the probe stopped at its own limit before the exact end";
// --- An earlier probe's blocks still to be put back -----------------------------------------
inline constexpr const char* kJournalPending =
    "Nothing was done: an earlier Exact Probe of this drive was interrupted before it put back "
    "the blocks it had saved.";
inline constexpr const char* kJournalPendingEnd =
    " Put them back first (start the program again and answer OK, or run 'sizewarden restore'): "
    "a new probe would save the changed blocks as the originals.";

// --- Verdict boxes --------------------------------------------------------------------------
inline constexpr const char* kPassed = "Device exact probe was OK    *** PASSED ***";
inline constexpr const char* kPassedNote =
    "NOTE: Every sector the probe wrote, across the whole drive, held what was written to it.";
inline constexpr const char* kFailed = "                         *** FAILED ***";
inline constexpr const char* kCounterfeit = "DEVICE IS COUNTERFEIT OR FAULTY!";

}  // namespace sw::probe::text
