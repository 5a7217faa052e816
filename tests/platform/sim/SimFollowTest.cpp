// Fakes whose memory follows the writes: any address written takes the next free real sector,
// and what happens once the real memory is full; and the fast start of a stick's writes.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

constexpr int kZeros = -1;
constexpr int kOnes = -2;
constexpr int kCrcError = -3;

// 4 real sectors behind 1,024 announced. The writes go in this order, so the order of mapping
// is not the order of the addresses.
const std::vector<std::uint64_t> kWrites = {900, 3, 500, 3, 17, 600, 700, 900};
// Read back afterwards: each written address, and one never written.
const std::vector<std::uint64_t> kReads = {900, 3, 500, 17, 600, 700, 42};

struct FollowRow {
  const char* description;
  std::vector<int> expected;  // per entry of kReads: the address whose tag comes back, or a fill
  std::vector<std::uint64_t> failingWrites;
};

TEST(SimFollow, WrittenAddressesTakeTheNextFreeSectorUntilTheMemoryIsFull) {
  const FollowRow rows[] = {
      // 900, 3, 500, 17 fill the four sectors; 600 and 700 are lost; 900 is rewritten in place.
      {"E:512Ki:real=2Ki:follow", {900, 3, 500, 17, kZeros, kZeros, kZeros}, {}},
      {"E:512Ki:real=2Ki:follow:full=drop:fill=ones", {900, 3, 500, 17, kOnes, kOnes, kZeros}, {}},
      // 600 evicts 900 (the first mapped), 700 evicts 3; the last write of 900 then evicts 500.
      {"E:512Ki:real=2Ki:follow:full=evict", {900, kZeros, kZeros, 17, 600, 700, kZeros}, {}},
      {"E:512Ki:real=2Ki:follow:full=evict:fill=ones", {900, kOnes, kOnes, 17, 600, 700, kZeros}, {}},
      // Lost addresses that fail to read; a never-written one still reads.
      {"E:512Ki:real=2Ki:follow:readerr", {900, 3, 500, 17, kCrcError, kCrcError, kZeros}, {}},
      // A full dropping follower that refuses the new writes instead.
      {"E:512Ki:real=2Ki:follow:writeerr", {900, 3, 500, 17, kZeros, kZeros, kZeros}, {600, 700}},
      // A cache in front of the lost writes keeps the last one readable.
      {"E:512Ki:real=2Ki:follow:cache=1", {900, 3, 500, 17, kZeros, 700, kZeros}, {}},
  };
  for (const FollowRow& row : rows) {
    SCOPED_TRACE(row.description);
    const ParsedSimDrive parsed = ParseSimDrive(row.description);
    ASSERT_EQ(parsed.error, "");
    SimOs os;
    os.AddDrive(1, parsed.config);
    const Handle h = Open(os, DiskPath(1));
    ASSERT_NE(h, kInvalidHandle);
    for (const std::uint64_t lba : kWrites) {
      const bool fails = std::find(row.failingWrites.begin(), row.failingWrites.end(), lba) !=
                         row.failingWrites.end();
      EXPECT_EQ(WriteAt(os, h, lba, Tagged(lba)), !fails) << "write of " << lba;
      if (fails) {
        EXPECT_EQ(os.GetLastError(), win::ERROR_WRITE_FAULT);
      }
    }
    for (std::size_t i = 0; i < kReads.size(); ++i) {
      std::vector<std::uint8_t> data(512, 0x5C);
      const bool ok = ReadAt(os, h, kReads[i], data);
      if (row.expected[i] == kCrcError) {
        EXPECT_FALSE(ok) << "read of " << kReads[i];
        EXPECT_EQ(os.GetLastError(), win::ERROR_CRC);
        continue;
      }
      ASSERT_TRUE(ok) << "read of " << kReads[i];
      const std::vector<std::uint8_t> want =
          row.expected[i] == kZeros  ? std::vector<std::uint8_t>(512, 0)
          : row.expected[i] == kOnes ? std::vector<std::uint8_t>(512, 0xFF)
                                     : Tagged(static_cast<std::uint64_t>(row.expected[i]));
      EXPECT_EQ(data, want) << "read of " << kReads[i];
    }
    os.CloseHandle(h);
  }
}

// An evicted address that is written again gets a sector back, and its data stays.
TEST(SimFollow, AnEvictedAddressWrittenAgainIsMappedAgain) {
  SimOs os;
  os.AddDrive(1, ParseSimDrive("E:512Ki:real=1Ki:follow:full=evict:readerr").config);
  const Handle h = Open(os, DiskPath(1));
  for (const std::uint64_t lba : {10, 20, 30, 10}) ASSERT_TRUE(WriteAt(os, h, lba, Tagged(lba)));
  // 30 evicted 10, the second 10 evicted 20: 10 reads again, 20 no longer does.
  std::vector<std::uint8_t> data(512);
  ASSERT_TRUE(ReadAt(os, h, 10, data));
  EXPECT_EQ(data, Tagged(10));
  EXPECT_FALSE(ReadAt(os, h, 20, data));
  ASSERT_TRUE(ReadAt(os, h, 30, data));
  EXPECT_EQ(data, Tagged(30));
  os.CloseHandle(h);
}

// A whole-drive write in address order keeps exactly the real memory's worth: the first part
// when the drive drops, the last part when it evicts.
TEST(SimFollow, ASequentialFillKeepsTheFirstOrTheLastRealSectors) {
  struct Row {
    const char* description;
    std::uint64_t firstKept;
  };
  for (const Row row : {Row{"E:64Ki:real=16Ki:follow", 0}, Row{"E:64Ki:real=16Ki:follow:full=evict", 96}}) {
    SCOPED_TRACE(row.description);
    SimOs os;
    os.AddDrive(1, ParseSimDrive(row.description).config);
    const Handle h = Open(os, DiskPath(1));
    std::vector<std::uint8_t> all;
    for (std::uint64_t lba = 0; lba < 128; ++lba) {
      const auto tag = Tagged(lba);
      all.insert(all.end(), tag.begin(), tag.end());
    }
    ASSERT_TRUE(WriteAt(os, h, 0, all));
    std::vector<std::uint8_t> back(all.size());
    ASSERT_TRUE(ReadAt(os, h, 0, back));
    for (std::uint64_t lba = 0; lba < 128; ++lba) {
      const bool kept = lba >= row.firstKept && lba < row.firstKept + 32;
      const std::vector<std::uint8_t> sector(back.begin() + static_cast<std::ptrdiff_t>(lba * 512),
                                             back.begin() + static_cast<std::ptrdiff_t>(lba * 512 + 512));
      EXPECT_EQ(sector, kept ? Tagged(lba) : std::vector<std::uint8_t>(512, 0)) << lba;
    }
    os.CloseHandle(h);
  }
}

// speed=1M:fast=100K: the first 100 KiB-ish go at 4 MB/s, the rest at 1 MB/s.
TEST(SimFollow, TheFastStartOfTheWritesGoesFourTimesAsFast) {
  struct Row {
    const char* description;
    std::uint32_t firstMs;   // 409,600 bytes
    std::uint32_t secondMs;  // 409,600 more
  };
  for (const Row row : {Row{"E:64M:speed=1M", 409, 410}, Row{"E:64M:speed=1M:fast=409600", 102, 410},
                        Row{"E:64M:speed=1M:fast=204800", 256, 409}}) {
    SCOPED_TRACE(row.description);
    SimOs os;
    os.AddDrive(1, ParseSimDrive(row.description).config);
    const Handle h = Open(os, DiskPath(1));
    const std::vector<std::uint8_t> block(409'600, 0x11);
    const std::uint32_t start = os.GetTickCount();
    ASSERT_TRUE(WriteAt(os, h, 0, block));
    const std::uint32_t middle = os.GetTickCount();
    ASSERT_TRUE(WriteAt(os, h, 800, block));
    EXPECT_EQ(middle - start, row.firstMs);
    EXPECT_EQ(os.GetTickCount() - middle, row.secondMs);
    os.CloseHandle(h);
  }
}

}  // namespace
}  // namespace sw::platform::sim::testing
