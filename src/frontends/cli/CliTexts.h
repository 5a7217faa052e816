// Every text of the terminal front end: help, errors, the message-box prompts.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sw::frontends::cli::text {

inline constexpr const char* kProgram = "sizewarden";
inline constexpr const char* kDescription =
    "SizeWarden exposes counterfeit USB flash drives and memory cards: drives that report a large "
    "size but hold far less memory.";

inline constexpr const char* kDemo = "demo";  // --simulate demo: the demo machine
inline constexpr const char* kSimulateHelp =
    "Use a simulated drive instead of the real ones (repeatable; the drives are numbered 1, 2, ... "
    "in the order given). 'demo' loads the demo machine.";
inline constexpr const char* kListHelp =
    "List the drives that can be tested, as the drive list shows them";
inline constexpr const char* kQuickHelp =
    "Quick Size Test (DESTROYS ALL DATA on the whole drive): markers across the drive, read back";
inline constexpr const char* kProbeHelp =
    "Exact Probe (keeps the data: every block it writes is saved first and put back): the exact "
    "last good sector, the kind of fake, its wrap, I/O-error boundary and write cache";
inline constexpr const char* kDestructiveHelp =
    "skip the backup and restore of the probe's blocks: faster, and destroys data on the drive";
inline constexpr const char* kFullSurfaceHelp =
    "Full Surface Test (DESTROYS ALL DATA on the whole drive): test blocks on every sector, read "
    "back; stops writing soon after a fake's memory runs out (--yes), and maps the good sectors";
inline constexpr const char* kFixHelp =
    "Make Usable (DESTROYS ALL DATA on the drive): one partition from 1 MiB to the real end, formatted "
    "and read back; runs the Exact Probe first unless --size or --last-sector is given";
inline constexpr const char* kFsHelp = "file system: fat32 (default up to 32 GiB), exfat (default above), ntfs, ext4";
inline constexpr const char* kSizeHelp = "the partition's size (e.g. 7.5GiB), never past the measured real end";
inline constexpr const char* kLastSectorHelp = "the partition's last sector, in the drive's logical sectors";
inline constexpr const char* kLabelHelp = "the new volume's label (at most 11 characters; default VERIFIED)";
inline constexpr const char* kFilesHelp =
    "Test Empty Space (slow, not destructive): fill the volume's free space with test files and "
    "verify them";
inline constexpr const char* kRestoreHelp =
    "Put back the blocks that an Exact Probe saved, when it ended before it could (a crash, a "
    "kill, a power cut, a pulled stick): on each drive it probed that is connected";
inline constexpr const char* kCleanupHelp =
    "Delete test files left on the volume by a cancelled run";
inline constexpr const char* kDriveHelp =
    "The drive: its device (/dev/sdb, /dev/sdb1, /dev/disk/by-id/..., \\\\.\\PhysicalDrive2), as "
    "the list shows it first, or a volume letter such as E:";
inline constexpr const char* kAllHelp = "List all drives, not only USB drives";
inline constexpr const char* kAllDriveHelp =
    "Find DRIVE among all drives, not only USB drives (a device path is always found)";
inline constexpr const char* kYesHelp = "Answer OK to every question (no prompts)";
inline constexpr const char* kDebugHelp =
    "Debug mode: trace every disk and volume routine in the report";

inline constexpr const char* kExitStatus = R"(Exit status:
  0  the test PASSED, the probe found a genuine drive (list, cleanup: done)
  1  the test FAILED, the probe found a counterfeit or faulty drive
  2  not run: refused, answered Cancel before the test started, bad input,
     unknown drive, no rights to open drives
  3  cancelled (Ctrl-C) or aborted while the test ran)";
inline constexpr const char* kQuestions = R"(Questions are asked on the terminal ([O]K/[C]ancel); Enter alone answers
Cancel to the questions before a test writes to a drive. Without a terminal on
stdin and without --yes every question is answered Cancel, so nothing
destructive happens unattended. Ctrl-C is the Cancel button while a test runs;
--debug stands for holding SHIFT.)";
// After each command's own options: where the rest is told.
inline constexpr const char* kCommandFooter1 = "Exit status: 0 passed, 1 failed, 2 not run, 3 cancelled. '";
inline constexpr const char* kCommandFooter2 = " --help' tells more, and how to simulate drives.";

inline constexpr const char* kSimulateHead =
    "--simulate DESC: DESC is LETTER:SIZE[:OPTION...], such as E:32G:real=8G:limbo";
inline constexpr const char* kSimulateLetter = "LETTER";
inline constexpr const char* kSimulateLetterHelp = "the first volume, D: to Z:";
inline constexpr const char* kSimulateSize = "SIZE";
inline constexpr const char* kSimulateSizeHelp =
    "announced size: bytes, or with k M G T (powers of 1000) or Ki Mi Gi Ti (powers of 1024): "
    "32G, 7.5G, 512Mi";
inline constexpr const char* kSimulateDemoHelp =
    "E: a 32 GB counterfeit holding 8 GB, F: a genuine 16 GB stick";
// The columns of the option lines: "  usage            help, wrapped at the width".
inline constexpr std::size_t kHelpIndent = 2;
inline constexpr std::size_t kHelpColumn = 20;
inline constexpr std::size_t kHelpWidth = 79;

// The probe's bound on its writes, after the footer: "... 2,050 sectors (1 MB) on a 16 GB drive,
// ...". The bound holds for any drive; these sizes show what it comes to.
struct BoundSize {
  double bytes;
  const char* name;
};
inline constexpr std::uint64_t kSectorBytes = 512;
inline constexpr const char* kGroupedPattern = "###,###,###,###,###0";
inline constexpr BoundSize kProbeBoundSizes[] = {
    {16e9, "16 GB drive"}, {256e9, "256 GB drive"}, {2e12, "2 TB drive"}};
inline constexpr const char* kProbeBound =
    "\n\nThe probe writes at most ";
inline constexpr const char* kProbeBoundSectors = " sectors (";
inline constexpr const char* kProbeBoundOn = " MB) on a ";
inline constexpr const char* kProbeBoundSeparator = ", ";
inline constexpr const char* kProbeBoundEnd =
    ", the restore of the saved blocks included; whatever the drive, never more.";

// Errors and notes (on stderr).
inline constexpr const char* kErrorPrefix = "sizewarden: ";
inline constexpr const char* kNoRealDrives =
    "real drives are not supported in this build; use --simulate (see --help)";
inline constexpr const char* kBadLetter = "not a drive letter: ";
inline constexpr const char* kUnknownCommand1 = "unknown command '";
inline constexpr const char* kUnknownCommand2 =
    "'; the commands are list, quick, probe, full, files and cleanup (see --help)";
inline constexpr const char* kSeeHelp = "Run with --help for more information.";
// Arguments are echoed back at most this long, then "...": a pasted blob stays readable.
inline constexpr std::size_t kEchoedArgumentMax = 80;
inline constexpr const char* kCut = "...";
inline constexpr const char* kUnknownDrive1 = "no drive ";
inline constexpr const char* kUnknownDrive2 = " in the drive list";
inline constexpr const char* kUnknownDriveUsbOnly =
    " (USB drives only; --all lists every drive; 'sizewarden list' shows them)";
inline constexpr const char* kNotFirstVolume1 =
    " is not the first volume of its drive; this command works on ";
inline constexpr const char* kNotFirstVolume2 = ", the volume the drive list selects for it";
inline constexpr const char* kBadDevice = "not a device path: ";
inline constexpr const char* kSystemDevice =
    " is the disk of the running system; it is never tested";
inline constexpr const char* kDeviceNotListed =
    " is not in the drive list: it has no usable size, or cannot be opened";
inline constexpr const char* kDeviceNoVolume = " has no volume for this command";
inline constexpr const char* kLetterWithYes =
    ": with --yes, name the drive by its device (such as /dev/sdb, see 'sizewarden list'): a "
    "letter moves to another drive when a device comes or goes. Without --yes the prompts name "
    "the drive for you to check.";
inline constexpr const char* kLetterTwice = "a volume letter is used twice: ";
inline constexpr const char* kDemoTwice = "--simulate demo can be given once, before other drives";
inline constexpr const char* kNotRunWithoutReason = "the test did not run";
inline constexpr const char* kNoDrives = "No drive to test was found.";
inline constexpr const char* kNoDrivesUsbOnly = " (USB drives only; --all lists every drive)";
inline constexpr const char* kNeedsRoot = " Opening drives for raw access needs root: run it with sudo.";

// Message boxes and prompts.
inline constexpr const char* kBoxRule = "----- ";
inline constexpr const char* kBoxRuleEnd = " -----";
inline constexpr const char* kAsk = "[O]K/[C]ancel? ";
inline constexpr const char* kAnswerOk[] = {"o", "ok"};  // typed answers, any case
inline constexpr const char* kAnswerCancel[] = {"c", "cancel"};
inline constexpr const char* kAnsweredOkYes = "OK (--yes)";
inline constexpr const char* kAnsweredCancelNoTerminal =
    "Cancel (no terminal to ask; --yes answers OK)";
inline constexpr const char* kAnsweredCancelInterrupt = "Cancel";
inline constexpr const char* kDeviceGap = "  ";  // "/dev/sdb  E:    STICK   [DRIVE 1] ..."
inline constexpr const char* kVolumeDescriptionGap = "  ";  // "E:  /dev/sdb1 on /media/stick"
inline constexpr const char* kCancelPressed =
    "Cancel pressed (Ctrl-C): the test stops at its next check, please wait...";
inline constexpr const char* kOpenPage = "Web page: ";
inline constexpr const char* kCancelledBeforeStart = "Cancelled (Ctrl-C or a signal) before the test began";
inline constexpr const char* kStopAtBoxGap = ": ";  // "Quick Size Test: WARNING: This test ..."

// The thorough file test.
inline constexpr const char* kThoroughHelp =
    "check every byte, in .h2w files that H2testw and f3read can verify too";
inline constexpr const char* kVerifyOnlyHelp =
    "only verify the .h2w files already on the volume (written by this or another tester)";
inline constexpr const char* kAllH2wHelp =
    "also delete .h2w files that do not hold test data (kept by default)";
inline constexpr const char* kFullHelp =
    "with --thorough: go on filling after the samples show the drive losing data it had kept";
inline constexpr const char* kKeepHelp =
    "with --thorough: leave the .h2w files for a check on another computer (cleanup deletes them)";
// Live progress and the closing speeds (terminal only, not report lines).
inline constexpr const char* kLiveGap = "  ";
inline constexpr const char* kMBPerSecond = " MB/s";
inline constexpr const char* kElapsed = "elapsed ";
inline constexpr const char* kRemainingTime = "remaining ";
inline constexpr const char* kAverageWrite = "Average speed: write ";
inline constexpr const char* kAverageRead = ", read ";
inline constexpr const char* kNoSpeed = "none";
inline constexpr const char* kTooQuick = "too quick to measure";
inline constexpr const char* kTooLittle = "too little data to measure";

// After a FAILED: one partition of the recommended size (this erases the drive), first in one
// step by the fix command, then by hand.
inline constexpr const char* kNextStep =
    "Next step: one partition of the recommended size holds only real memory. This command erases "
    "the drive and makes it, formatted and checked, in one step:\n";
inline constexpr const char* kFixStart = "  sizewarden fix ";
inline constexpr const char* kFixStartRoot = "  sudo sizewarden fix ";
inline constexpr const char* kFixSize = " --size ";
inline constexpr const char* kByHand = "\nOr by hand (these commands erase the drive too):\n";
inline constexpr const char* kDevFolder = "/dev/";
inline constexpr const char* kPartedStart = "  sudo parted --script ";
// Whole MiB rather than sectors: parted counts sectors in the drive's own logical size, 512 or
// 4096 bytes, and a size given in the wrong one would reach far past the real memory.
inline constexpr const char* kPartedTable = " mklabel msdos mkpart primary fat32 1MiB ";
inline constexpr const char* kMiBUnit = "MiB";
inline constexpr const char* kMkfs = "  sudo mkfs.vfat ";
inline constexpr const char* kDiskpart = "  diskpart, as administrator, then:\n";
inline constexpr const char* kDiskpartSelect = "    select disk ";
inline constexpr const char* kDiskpartClean = "\n    clean\n    create partition primary size=";
inline constexpr const char* kDiskpartFormat = "\n    format fs=fat32 quick\n    assign";

// Result files.
inline constexpr const char* kJsonHelp =
    "Write the result as a JSON document to PATH ('-': stdout, the report then goes to stderr); "
    "described in json.md (docs/ of the sources, /usr/share/doc/sizewarden/ of the package)";
inline constexpr const char* kReportHelp =
    "Save the report text to PATH ('-': stdout), without the progress lines";
inline constexpr const char* kMapHelp =
    "Draw the drive's address space as an SVG picture to PATH ('-': stdout): every checked "
    "location, the real end and the recommended partition";
inline constexpr const char* kStdoutPath = "-";
// A saved report's line break: the system's own, so that its editors and tools read it.
#ifdef _WIN32
inline constexpr const char* kSavedLineEnd = "\r\n";
#else
inline constexpr const char* kSavedLineEnd = "\n";
#endif
inline constexpr const char* kCannotOpen = "cannot write ";
inline constexpr const char* kTwoOnStdout =
    "only one of --json, --report and --map can go to stdout ('-')";
inline constexpr const char* kCannotOpenReason = ": ";

}  // namespace sw::frontends::cli::text
