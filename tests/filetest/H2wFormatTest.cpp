// The shared test-file format on sectors whose bytes were worked out by hand, and how a sector
// read back is judged.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "filetest/H2wFormat.h"

namespace sw::filetest::h2w {
namespace {

using Sector = std::array<std::uint8_t, kSectorBytes>;

Sector Make(std::uint64_t offset) {
  Sector s{};
  FillSectors(s, offset);
  return s;
}

std::vector<std::uint8_t> Bytes(const Sector& s, std::size_t from, std::size_t count) {
  return {s.begin() + static_cast<std::ptrdiff_t>(from),
          s.begin() + static_cast<std::ptrdiff_t>(from + count)};
}

// Word 0 is the offset; then x * 4,294,967,311 + 17, i.e. x * (2^32 + 15) + 17 mod 2^64:
// from 0: 0x11, 0x11 * 2^32 + 0xFF + 0x11 = 0x1100000110, then 0x20F00001001; from 512:
// 512 * 2^32 + 7,680 + 17 = 0x20000001E11. All little-endian.
TEST(H2wFormat, SectorsHoldTheirOffsetAndTheSequenceFromIt) {
  const Sector first = Make(0);
  EXPECT_EQ(Bytes(first, 0, 32),
            (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0,                    // 0
                                       0x11, 0, 0, 0, 0, 0, 0, 0,                 // 0x11
                                       0x10, 0x01, 0, 0, 0x11, 0, 0, 0,           // 0x1100000110
                                       0x01, 0x10, 0, 0, 0x0F, 0x02, 0, 0}));     // 0x20F00001001
  const Sector second = Make(512);
  EXPECT_EQ(Bytes(second, 0, 16), (std::vector<std::uint8_t>{0, 0x02, 0, 0, 0, 0, 0, 0, 0x11,
                                                             0x1E, 0, 0, 0, 0x02, 0, 0}));
  // A buffer of several sectors is the same sectors one after another.
  std::vector<std::uint8_t> two(2 * kSectorBytes);
  FillSectors(two, 0);
  EXPECT_TRUE(std::equal(first.begin(), first.end(), two.begin()));
  EXPECT_TRUE(std::equal(second.begin(), second.end(), two.begin() + kSectorBytes));
}

// Far into a long buffer (each sector made from the one before by additions) every sector is
// still what the definition gives for its own offset: its offset, then the chain from it.
TEST(H2wFormat, LongBuffersHoldTheDefinitionsSectorsAllTheWay) {
  constexpr std::uint64_t kStart = 5 * kFileBytes - 64 * kSectorBytes;  // across a file's end
  std::vector<std::uint8_t> buffer(4096 * kSectorBytes);
  FillSectors(buffer, kStart);
  for (const std::size_t s : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64},
                              std::size_t{1000}, std::size_t{4095}}) {
    std::uint64_t word = kStart + s * kSectorBytes;
    for (std::size_t w = 0; w < kWordsPerSector; ++w) {
      std::uint64_t got = 0;
      for (int b = 7; b >= 0; --b) got = got << 8 | buffer[s * kSectorBytes + 8 * w + static_cast<std::size_t>(b)];
      ASSERT_EQ(got, word) << "sector " << s << " word " << w;
      word = NextWord(word);
    }
  }
}

TEST(H2wFormat, MatchingSectorsCountsUpToTheFirstThatDiffers) {
  std::vector<std::uint8_t> buffer(40 * kSectorBytes);
  FillSectors(buffer, 7 * kSectorBytes);
  EXPECT_EQ(MatchingSectors(buffer, 7 * kSectorBytes), 40u);
  EXPECT_EQ(MatchingSectors(buffer, 8 * kSectorBytes), 0u);  // the stream of another offset
  buffer[17 * kSectorBytes + kSectorBytes - 1] ^= 0x80;      // the last bit of sector 17
  EXPECT_EQ(MatchingSectors(buffer, 7 * kSectorBytes), 17u);
  // A piece that is no whole sector is not judged.
  EXPECT_EQ(MatchingSectors({buffer.data(), kSectorBytes - 1}, 7 * kSectorBytes), 0u);
}

TEST(H2wFormat, FilesAreNamedByNumber) {
  EXPECT_EQ(FilePath("E:", 1), "E:\\1.h2w");
  EXPECT_EQ(FilePath("E:", 12), "E:\\12.h2w");
  EXPECT_EQ(FilePattern("E:"), "E:\\*.h2w");
}

TEST(H2wFormat, SectorsReadBackAreJudged) {
  constexpr std::uint64_t kAt = 3 * kFileBytes + 4096;  // a sector of file 4
  struct Case {
    const char* what;
    Sector sector;
    SectorState state;
    std::uint64_t found;
  };
  Sector oneBit = Make(kAt);
  oneBit[100] ^= 0x08;
  Sector sevenBits = Make(kAt);
  sevenBits[200] ^= 0x7F;
  Sector eightBits = Make(kAt);
  eightBits[200] ^= 0xFF;
  Sector offsetBit = Make(kAt);
  offsetBit[1] ^= 0x01;  // the offset word itself: 4096 + 256
  Sector zeroed{};
  Sector copiedAndBit = Make(kAt - kFileBytes);
  copiedAndBit[300] ^= 0x01;
  const Case cases[] = {
      {"intact", Make(kAt), SectorState::Good, kAt},
      {"one flipped bit", oneBit, SectorState::Changed, kAt},
      {"seven flipped bits", sevenBits, SectorState::Changed, kAt},
      {"eight flipped bits", eightBits, SectorState::Corrupted, kAt},
      {"a flipped bit in the offset", offsetBit, SectorState::Changed, kAt + 256},
      {"zeroed", zeroed, SectorState::Corrupted, 0},
      {"the sector of file 3 (wrapped)", Make(kAt - kFileBytes), SectorState::Overwritten,
       kAt - kFileBytes},
      {"copied, with a flipped bit", copiedAndBit, SectorState::Overwritten, kAt - kFileBytes},
  };
  for (const Case& c : cases) {
    const SectorCheck check = CheckSector(c.sector, kAt);
    EXPECT_EQ(check.state, c.state) << c.what;
    EXPECT_EQ(check.foundOffset, c.found) << c.what;
  }
}

}  // namespace
}  // namespace sw::filetest::h2w
