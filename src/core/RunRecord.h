// The last test run as data, beside its report text: what the JSON document, the drive map and
// the terminal's closing figures are made from. Each test command fills the parts it knows;
// whatever it leaves at its default was not measured.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace sw::core {

// The drive a run was about, as the user was shown it.
struct DriveRecord {
  std::string device;  // "/dev/sdb", "\\.\PhysicalDrive2", "simulated USB drive 1"
  std::string letters; // "E: F:"
  std::string model;
  std::string serial;
  std::uint64_t announcedBytes = 0;
};

enum class Verdict { None, Passed, Failed, Cancelled, Aborted, Refused };

// One location the test checked, for the drive map.
enum class CellState { Good, Lost, WrongNumber, ReadError, WriteError };
struct CheckedCell {
  std::uint64_t sector = 0;
  CellState state = CellState::Good;
};

struct SectorRange {
  std::uint64_t first = 0;
  std::uint64_t last = 0;  // inclusive
};

// Moved data and time per phase, so speeds can be derived (bytes / seconds).
struct TransferFigures {
  std::uint64_t bytesWritten = 0;
  std::uint64_t bytesRead = 0;
  std::uint64_t writeRequests = 0;
  std::uint64_t readRequests = 0;
  std::uint64_t writeErrors = 0;
  std::uint64_t readErrors = 0;
  double writeSeconds = 0;
  double readSeconds = 0;
};

struct RunRecord {
  std::string command;  // "quick", "probe", "files", "list"
  DriveRecord drive;
  Verdict verdict = Verdict::None;
  std::optional<std::uint64_t> realBytes;         // memory found to be real
  std::optional<std::uint64_t> recommendedBytes;  // the partition size advised
  std::optional<std::uint64_t> lastGoodSector;    // the exact probe's answer
  std::optional<std::uint64_t> writeCacheBytes;   // a cache found (and flooded)
  std::string fakeKind;                           // "genuine", "limbo", "wraparound", ...
  std::vector<SectorRange> badRanges;
  std::vector<CheckedCell> cells;
  TransferFigures transfers;
  double elapsedSeconds = 0;
  std::vector<std::string> errors;  // plain words, one per thing that went wrong
};

}  // namespace sw::core
