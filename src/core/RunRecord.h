// The last test run as data, beside its report text: what the JSON document, the drive map and
// the terminal's closing figures are made from. Each command fills the parts it knows; whatever
// it leaves at its default was not measured (an empty optional, a zero count).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sw::core {

struct VolumeRecord {
  std::string letter;       // "E:"
  std::string label;        // as the drive list shows it
  std::string description;  // what the system calls it: "/dev/sdb1 on /media/stick"; may be empty
};

// A drive as the user was shown it.
struct DriveRecord {
  std::int32_t number = 0;  // physical drive number
  std::string device;       // "/dev/sdb", "\\.\PhysicalDrive2": the name users know it by
  std::string line;         // the drive line of the list and the reports, without padding
  std::string model;
  std::string serial;
  std::string media;        // "Removable Media", "Fixed hard disk media"
  std::uint64_t announcedBytes = 0;  // the usable size the drive list reports
  bool usb = false;
  std::vector<VolumeRecord> volumes;
};

enum class Verdict { None, Passed, Failed, Cancelled, Aborted, Refused };

// What the drive was found to be: one vocabulary for every test. Fake is a counterfeit of a
// kind the test cannot tell; the probe names the kind.
enum class FakeKind { Unknown, Genuine, Fake, Limbo, Wraparound, Chain, IoErrors, NoMemory, Faulty };

// Why a run did not run or did not finish, or what else went wrong in it: a stable code for
// scripts and the words for people.
struct RunError {
  std::string code;
  std::string message;
};

// The codes (docs/json.md explains each).
namespace error_code {
// The run did not start.
inline constexpr const char* kBadArguments = "bad_arguments";
inline constexpr const char* kUnknownDrive = "unknown_drive";
inline constexpr const char* kSystemDisk = "system_disk";
inline constexpr const char* kNoVolume = "no_volume";
inline constexpr const char* kLetterWithYes = "letter_with_yes";
inline constexpr const char* kNeedsRoot = "needs_root";
inline constexpr const char* kCannotWriteOutput = "cannot_write_output";
inline constexpr const char* kRefused = "refused";            // the program refused, in a box
inline constexpr const char* kAnsweredCancel = "answered_cancel";
inline constexpr const char* kNotRun = "not_run";             // no other reason was given
// The run stopped before its end.
inline constexpr const char* kCancelled = "cancelled";
inline constexpr const char* kWriteError = "write_error";
inline constexpr const char* kDriveLost = "drive_lost";
inline constexpr const char* kUnreadable = "unreadable";
inline constexpr const char* kProbeLimit = "probe_limit";  // the probe's write bound or rounds
inline constexpr const char* kNoJournal = "no_journal";    // the probe's journal could not be kept
inline constexpr const char* kStoppedEarly = "stopped_early";  // the full test's samples went wrong, its
                                                               // read-back found nothing bad
// The run ended, with this going wrong on the way.
inline constexpr const char* kNotRestored = "not_restored";
inline constexpr const char* kFailedWrites = "failed_writes";
inline constexpr const char* kWriteFailed = "write_failed";  // a write the test needed, named
inline constexpr const char* kFailedReads = "failed_reads";
inline constexpr const char* kFixCheckFailed = "fix_check_failed";  // the fix's read-back found it wrong
}  // namespace error_code

// One location a test checked, for the drive map.
enum class CellState { Good, Lost, WrongNumber, ReadError, WriteError };
struct CheckedCell {
  std::uint64_t sector = 0;
  CellState state = CellState::Good;
};

struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

// Every read and write request the run sent, from raw sectors to test-file chunks.
struct TransferFigures {
  std::uint64_t bytesWritten = 0;
  std::uint64_t bytesRead = 0;
  std::uint64_t writeRequests = 0;
  std::uint64_t readRequests = 0;
  std::uint64_t writeErrors = 0;
  std::uint64_t readErrors = 0;
  // Mean time of one request, where a test timed them one by one (the exact probe).
  std::optional<double> writeLatencySeconds;
  std::optional<double> readLatencySeconds;
};

// Which way the data of a phase moves; the averages add up the phases of each direction. Both:
// a phase that writes and reads by turns, whose speeds come from its requests' own times.
enum class Direction { None, Write, Read, Both };

// One long phase as its progress reports measured it.
struct PhaseRecord {
  std::string name;
  Direction direction = Direction::None;
  std::uint64_t bytes = 0;  // data moved in the phase
  double seconds = 0;
};

// What the fix made: the partition in the drive's logical sectors, and the file system as it
// reads its own size back.
struct FixRecord {
  std::string table;       // "mbr", "gpt"
  std::string fileSystem;  // "fat32", "exfat", "ntfs", "ext4"
  std::string label;
  std::uint32_t sectorBytes = 512;
  std::uint64_t firstSector = 0;
  std::uint64_t lastSector = 0;  // inclusive
  std::uint64_t partitionBytes = 0;
  std::optional<std::uint64_t> fileSystemBytes;  // as read back from the new file system
  std::string measuredBy;  // "probe", "full", "quick", or "size" when the user gave it
};

struct RunRecord {
  std::string command;  // "quick", "probe", "full", "files", "fix"; empty: no test has run
  DriveRecord drive;
  std::string volume;   // the volume a file test used
  Verdict verdict = Verdict::None;
  std::optional<std::uint64_t> realBytes;         // memory found to be real
  std::optional<std::uint64_t> recommendedBytes;  // the partition size advised
  std::optional<std::uint64_t> lastGoodSector;    // last sector proven good (quick test: a marker)
  std::optional<std::uint64_t> writeCacheBytes;   // a write cache found (and flooded)
  std::optional<std::uint64_t> testedBytes;       // the file test's tested and good space
  std::optional<std::uint64_t> goodBytes;
  std::uint64_t totalSectors = 0;     // the address space the cells lie in
  std::uint64_t intervalSectors = 0;  // spacing of the checked locations, 0: none
  FakeKind fakeKind = FakeKind::Unknown;
  std::vector<SectorRange> badRanges;
  std::vector<CheckedCell> cells;
  TransferFigures transfers;
  std::vector<PhaseRecord> phases;
  double elapsedSeconds = 0;
  std::vector<RunError> errors;  // one per thing that went wrong
  std::optional<FixRecord> fix;  // the fix only
};

}  // namespace sw::core
