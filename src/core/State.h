// The module state the routines share, in one object so that every run (and every test)
// starts clean. Names are the ones the rest of the program and its reports use.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/AlignedBuffer.h"
#include "core/DriveIdentity.h"
#include "core/RunRecord.h"
#include "platform/Os.h"

namespace sw::core {

// How the last test command ended; the terminal turns it into its exit status.
enum class Outcome { NotRun, Passed, Failed, Cancelled };

// The real end of a disk as a test of this run measured it, for the fix: whose end (the pinned
// identity), where (bytes from the start: everything below is real memory) and by which test.
struct MeasuredEnd {
  DriveIdentity drive;
  std::uint64_t endBytes = 0;
  std::string command;  // "probe", "full" (exact) or "quick" (its recommended size)
};

// What the user asked of the fix beyond the drive: the file system ("fat32", "exfat", "ntfs",
// "ext4"; empty: by size), a size or a last sector in place of the measured end, the label.
struct FixRequest {
  std::string fileSystem;
  std::optional<std::uint64_t> sizeBytes;
  std::optional<std::uint64_t> lastSector;
  std::string label;
};

struct State {
  // Flags of the shell and the tests.
  bool DebugMode = false;
  bool CancelRequested = false;
  bool TestRunning = false;  // between Show_Cancel and Hide_Cancel
  Outcome LastOutcome = Outcome::NotRun;  // set by the test commands
  RunRecord LastRun;                      // the last run as data; restarted by each command
  std::vector<DriveRecord> ListedDrives;  // the drive list's entries as data, in list order
  std::uint32_t PhaseStartTick = 0;       // when the phase of the last progress report began
  std::uint64_t PhaseDone = 0;            // and how far it had come

  // Drive discovery and selection.
  std::string SelectedVolume;
  std::int32_t DiskNumber = 0;
  double DriveSizeBytes = 0;
  bool ShowAllDrives = false;
  std::string WindowTitle;
  // The drive the user picked, pinned at the pick; every open of it or its volumes afterwards
  // checks that the same disk answers. IdentityLost tells the test how the last failed check
  // went (Same while none has failed).
  std::optional<PinnedDrive> Pinned;
  IdentityCheck IdentityLost = IdentityCheck::Same;

  // Physical drive handle and the buffer every raw transfer goes through.
  platform::Handle hDrive = platform::kInvalidHandle;
  AlignedBuffer SectorBuffer;
  // hDrive's logical sector in bytes: 512, or 4,096 on a 4Kn drive, whose transfers then go
  // through BlockScratch in whole sectors of its own; 0: not asked yet since hDrive was opened.
  std::uint32_t DriveSectorBytes = 512;
  AlignedBuffer BlockScratch;
  // When a failed transfer last found hDrive still the pinned drive (GetTickCount); empty: never.
  std::optional<std::uint32_t> PinSeenAfterFailureTick;

  // Identity texts of the drive queried last.
  std::string DRV_MODEL;
  std::string DRV_FIRMWARE;
  std::string DRV_SERIAL;
  std::string DRV_MEDIA;

  // Designators of the physical drive mapped last.
  std::string DriveLetter1;
  std::string DriveLetter2;
  std::string DriveLetter3;
  std::string DriveLetter4;

  // Volume handles: the locked volumes of a drive (0 = empty entry) and the one being dismounted.
  std::array<platform::Handle, 31> hVolumes{};
  // The designators ("E:") whose lock hVolumes holds, slot by slot ("" where none is held): a
  // second handle of this run cannot lock them, and need not wait to find that out.
  std::array<std::string, 31> lockedVolumes{};
  platform::Handle lngHandle = 0;

  // Volume file test run state.
  AlignedBuffer TestPattern;  // allocated on the first run, then kept for the program's lifetime
  std::int32_t TestFileSize = 0;
  bool FileTestError = false;
  std::int32_t GoodFileCount = 0;
  std::int32_t TestFileCount = 0;
  std::int32_t LastFileSize = 0;
  platform::LocalTime TestStartTime = 0;
  // Why the volume file test stopped writing, when the reason is no sign of a fake (a read-only,
  // full or vanished volume): the system's error code, 0 when it did not stop so.
  std::uint32_t FileTestLastError = 0;  // of the last failed create or write
  std::uint32_t FileTestStopError = 0;
  std::int32_t LostDataFileCount = 0;  // files read back and found not to hold their data
  double PlannedLastFileBytes = 0;     // what the last file should get, known at the sizing
  double VerifiedBytes = 0;            // timed verification so far, for the estimate
  double VerifySeconds = 0;
  // The thorough test (every byte, in the format other testers read) and its variants.
  bool ThoroughMode = false;
  bool VerifyOnly = false;  // verify the files on the volume, write nothing
  bool KeepTestFiles = false;  // the thorough test leaves its files for a check elsewhere
  bool FullRun = false;     // go on filling after a file that lost data
  std::uint64_t ThoroughFileBytes = 1'073'741'824;  // 1 GiB, as other testers read them
  bool DeleteForeignH2w = false;  // the clean-up deletes .h2w files that are no test files too
  // The exact probe skips the backup and restore of the blocks it writes (faster, destroys data).
  bool ProbeDestructive = false;
  // The real ends measured in this run, one per disk (the newest exact one wins), and the
  // fix's options.
  std::vector<MeasuredEnd> MeasuredEnds;
  FixRequest Fix;
};

}  // namespace sw::core
