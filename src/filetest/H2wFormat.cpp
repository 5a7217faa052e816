// Writing and judging sectors of the shared test-file format.
#include "filetest/H2wFormat.h"

#include <bit>
#include <cstring>

namespace sw::filetest::h2w {

namespace {

// Little-endian on disk whatever the machine: the files travel between tools and systems.
// On a little-endian machine a word is one copy.
void PutWord(std::uint8_t* at, std::uint64_t v) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &v, 8);
  } else {
    for (int i = 0; i < 8; ++i) at[i] = static_cast<std::uint8_t>(v >> (8 * i));
  }
}

std::uint64_t GetWord(const std::uint8_t* at) {
  std::uint64_t v = 0;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(&v, at, 8);
  } else {
    for (int i = 7; i >= 0; --i) v = v << 8 | at[i];
  }
  return v;
}

// Flipped bits between the sector and the sequence its first word starts, stopping early once
// there are more than kMaxChangedBits.
int FlippedBits(const std::uint8_t* sector, std::uint64_t first) {
  int flipped = 0;
  std::uint64_t word = first;
  for (std::size_t i = 1; i < kWordsPerSector && flipped <= kMaxChangedBits; ++i) {
    word = NextWord(word);
    // Nearly every word read matches; counting bits only for the others keeps the check at the
    // speed of the read.
    const std::uint64_t diff = GetWord(sector + 8 * i) ^ word;
    if (diff != 0) flipped += std::popcount(diff);
  }
  return flipped;
}

// What each word of a sector grows by from one sector to the next: K^i * 512 (mod 2^64).
struct Steps {
  std::array<std::uint64_t, kWordsPerSector> step{};
  constexpr Steps() {
    std::uint64_t power = 1;
    for (std::size_t i = 0; i < kWordsPerSector; ++i) {
      step[i] = power * kSectorBytes;
      power *= kMultiplier;
    }
  }
};
constexpr Steps kSteps;

}  // namespace

std::string FilePath(const std::string& volume, std::uint64_t n) {
  return volume + "\\" + std::to_string(n) + ".h2w";
}

std::string FilePattern(const std::string& volume) { return volume + "\\*.h2w"; }

SectorStream::SectorStream(std::uint64_t offset) {
  std::uint64_t word = offset;
  for (std::size_t i = 0; i < kWordsPerSector; ++i) {
    PutWord(reinterpret_cast<std::uint8_t*>(&words_[i]), word);
    word = NextWord(word);
  }
}

void SectorStream::Next() {
  if constexpr (std::endian::native == std::endian::little) {
    // Independent additions: the compiler turns this into a few vector instructions.
    for (std::size_t i = 0; i < kWordsPerSector; ++i) words_[i] += kSteps.step[i];
  } else {
    for (std::size_t i = 0; i < kWordsPerSector; ++i) {
      auto* at = reinterpret_cast<std::uint8_t*>(&words_[i]);
      PutWord(at, GetWord(at) + kSteps.step[i]);
    }
  }
}

void FillSectors(std::span<std::uint8_t> sectors, std::uint64_t offset) {
  SectorStream stream(offset);
  for (std::size_t at = 0; at + kSectorBytes <= sectors.size(); at += kSectorBytes) {
    std::memcpy(sectors.data() + at, stream.Bytes(), kSectorBytes);
    stream.Next();
  }
}

std::size_t MatchingSectors(std::span<const std::uint8_t> sectors, std::uint64_t offset) {
  SectorStream stream(offset);
  std::size_t n = 0;
  for (std::size_t at = 0; at + kSectorBytes <= sectors.size(); at += kSectorBytes, ++n) {
    if (std::memcmp(sectors.data() + at, stream.Bytes(), kSectorBytes) != 0) break;
    stream.Next();
  }
  return n;
}

SectorCheck CheckSector(std::span<const std::uint8_t> sector, std::uint64_t expected) {
  SectorCheck check;
  check.foundOffset = GetWord(sector.data());
  // Judged against the sequence of the offset it claims: a sector that carries its own offset
  // but a few flipped bits is changed; a whole valid sector of another offset was overwritten.
  const int flipped = FlippedBits(sector.data(), check.foundOffset);
  if (check.foundOffset == expected) {
    check.state = flipped == 0 ? SectorState::Good
                  : flipped <= kMaxChangedBits ? SectorState::Changed
                                               : SectorState::Corrupted;
  } else if (flipped <= kMaxChangedBits && check.foundOffset % kSectorBytes == 0) {
    check.state = SectorState::Overwritten;
  } else {
    // A flipped bit in the offset word itself: measured against the sequence it should hold.
    const int own = std::popcount(check.foundOffset ^ expected) + FlippedBits(sector.data(), expected);
    check.state = own <= kMaxChangedBits ? SectorState::Changed : SectorState::Corrupted;
  }
  return check;
}

}  // namespace sw::filetest::h2w
