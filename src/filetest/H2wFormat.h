// The test-file format that H2testw and f3write/f3read share: files 1.h2w, 2.h2w, ... of 1 GiB
// each (the last one smaller), every 512-byte sector holding, as little-endian 64-bit words,
// its own byte offset in the whole stream of files followed by 63 words of a pseudo-random
// sequence that starts from that offset. Either tool can verify what the other wrote.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace sw::filetest::h2w {

inline constexpr std::uint64_t kFileBytes = 1'073'741'824;  // 1 GiB
inline constexpr std::size_t kSectorBytes = 512;
inline constexpr std::size_t kWordsPerSector = kSectorBytes / 8;
// A sector with no more than this many flipped bits still counts as the sector it claims to be.
inline constexpr int kMaxChangedBits = 7;

// The sequence: each word is the previous one times 4,294,967,311 plus 17 (mod 2^64).
inline constexpr std::uint64_t kMultiplier = 4'294'967'311ULL;
inline constexpr std::uint64_t NextWord(std::uint64_t previous) {
  return previous * kMultiplier + 17;
}

// "E:" and 3 give "E:\3.h2w".
std::string FilePath(const std::string& volume, std::uint64_t n);
// "E:" gives "E:\*.h2w".
std::string FilePattern(const std::string& volume);

// The stream sector by sector, as it lies on the disk. Word i of a sector is K^i * offset + c_i
// (K the multiplier, c_i what the additions add up to), so the sector 512 bytes further on is
// this one plus K^i * 512 in each word: one addition per word instead of a chain of
// multiplications, and the next sector costs about what copying it does.
class SectorStream {
 public:
  // Starts at the sector of stream offset `offset` (a multiple of 512).
  explicit SectorStream(std::uint64_t offset);
  // The current sector's 512 bytes, little-endian words as on the disk.
  const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(words_.data()); }
  void Next();

 private:
  alignas(64) std::array<std::uint64_t, kWordsPerSector> words_;  // in the disk's byte order
};

// Fills whole sectors; the first one sits at stream offset `offset` (a multiple of 512).
void FillSectors(std::span<std::uint8_t> sectors, std::uint64_t offset);

// How many whole sectors at the start of `sectors` hold exactly what the stream from `offset`
// does: one comparison per sector, so a sound drive's data is checked at the speed of memory.
std::size_t MatchingSectors(std::span<const std::uint8_t> sectors, std::uint64_t offset);

enum class SectorState { Good, Changed, Overwritten, Corrupted };

struct SectorCheck {
  SectorState state = SectorState::Good;
  std::uint64_t foundOffset = 0;  // the offset the sector claims (where it came from)
};

// What a 512-byte sector read from stream offset `expected` holds: itself (Good), itself with
// 1 to 7 bits flipped (Changed), a sector of another offset (Overwritten: a drive that wraps or
// remaps its addresses), or anything else (Corrupted).
SectorCheck CheckSector(std::span<const std::uint8_t> sector, std::uint64_t expected);

}  // namespace sw::filetest::h2w
