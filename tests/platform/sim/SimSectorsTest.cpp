// Sector-level behaviour of genuine and counterfeit simulated drives, through the handles and
// transfers the core uses.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

constexpr std::uint64_t kAnnouncedSectors = 2048;
constexpr std::uint64_t kRealSectors = 256;
// Written in this order; the read-back of each depends on the kind of fake.
const std::vector<std::uint64_t> kWritten = {0, 1, 255, 256, 257, 511, 512, 513, 1000, 2047};

// Expected read-back per written sector: a sector number whose tag comes back, or one of these.
constexpr int kZeros = -1;
constexpr int kOnes = -2;
constexpr int kCrcError = -3;

struct KindRow {
  const char* name;
  FakeKind kind;
  LimboFill fill;
  std::uint32_t cache;
  bool readErrors;
  bool writeErrors;
  std::vector<std::uint64_t> failingWrites;
  std::vector<int> expected;  // one per entry of kWritten
};

const std::vector<KindRow>& KindRows() {
  static const std::vector<KindRow> rows = {
      {"wraparound",
       FakeKind::Wraparound,
       LimboFill::Zeros,
       0,
       false,
       false,
       {},
       {512, 513, 2047, 512, 513, 2047, 512, 513, 1000, 2047}},
      {"limbo zeros",
       FakeKind::Limbo,
       LimboFill::Zeros,
       0,
       false,
       false,
       {},
       {0, 1, 255, kZeros, kZeros, kZeros, kZeros, kZeros, kZeros, kZeros}},
      {"limbo ones",
       FakeKind::Limbo,
       LimboFill::Ones,
       0,
       false,
       false,
       {},
       {0, 1, 255, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes, kOnes}},
      {"limbo stale",
       FakeKind::Limbo,
       LimboFill::Stale,
       0,
       false,
       false,
       {},
       {0, 1, 255, 2047, 2047, 2047, 2047, 2047, 2047, 2047}},
      {"limbo with a 2-sector cache",
       FakeKind::Limbo,
       LimboFill::Zeros,
       2,
       false,
       false,
       {},
       {0, 1, 255, kZeros, kZeros, kZeros, kZeros, kZeros, 1000, 2047}},
      {"chain",
       FakeKind::Chain,
       LimboFill::Zeros,
       0,
       false,
       false,
       {},
       {256, 257, 511, 256, 257, 511, kZeros, kZeros, kZeros, kZeros}},
      {"chain with ones",
       FakeKind::Chain,
       LimboFill::Ones,
       0,
       false,
       false,
       {},
       {256, 257, 511, 256, 257, 511, kOnes, kOnes, kOnes, kOnes}},
      {"limbo with read errors",
       FakeKind::Limbo,
       LimboFill::Zeros,
       0,
       true,
       false,
       {},
       {0, 1, 255, kCrcError, kCrcError, kCrcError, kCrcError, kCrcError, kCrcError, kCrcError}},
      {"wraparound with write errors",
       FakeKind::Wraparound,
       LimboFill::Zeros,
       0,
       false,
       true,
       {256, 257, 511, 512, 513, 1000, 2047},
       {0, 1, 255, 0, 1, 255, 0, 1, kZeros, 255}},
  };
  return rows;
}

std::vector<std::uint8_t> ExpectedContent(int expected) {
  if (expected == kZeros) return std::vector<std::uint8_t>(512, 0);
  if (expected == kOnes) return std::vector<std::uint8_t>(512, 0xFF);
  return Tagged(static_cast<std::uint64_t>(expected));
}

TEST(SimSectors, EachKindOfFakeReadsBackWhatItsMemoryHolds) {
  for (const KindRow& row : KindRows()) {
    SCOPED_TRACE(row.name);
    SimOs os;
    SimDriveSpec config = Stick(kAnnouncedSectors * 512);
    config.realBytes = kRealSectors * 512;
    config.kind = row.kind;
    config.limboFill = row.fill;
    config.writeCacheSectors = row.cache;
    config.readErrorsPastReal = row.readErrors;
    config.writeErrorsPastReal = row.writeErrors;
    os.AddDrive(1, config);
    const Handle h = Open(os, DiskPath(1));
    ASSERT_NE(h, kInvalidHandle);

    for (const std::uint64_t lba : kWritten) {
      const bool shouldFail = std::find(row.failingWrites.begin(), row.failingWrites.end(), lba) !=
                              row.failingWrites.end();
      EXPECT_EQ(WriteAt(os, h, lba, Tagged(lba)), !shouldFail) << "write of " << lba;
      if (shouldFail) {
        EXPECT_EQ(os.GetLastError(), win::ERROR_WRITE_FAULT);
      }
    }
    for (std::size_t i = 0; i < kWritten.size(); ++i) {
      std::vector<std::uint8_t> data(512, 0x5C);
      const bool ok = ReadAt(os, h, kWritten[i], data);
      if (row.expected[i] == kCrcError) {
        EXPECT_FALSE(ok) << "read of " << kWritten[i];
        EXPECT_EQ(os.GetLastError(), win::ERROR_CRC);
        continue;
      }
      ASSERT_TRUE(ok) << "read of " << kWritten[i];
      EXPECT_EQ(data, ExpectedContent(row.expected[i])) << "read of " << kWritten[i];
      if (!row.readErrors) {
        EXPECT_EQ(os.PeekSector(1, kWritten[i]), data);
      }
    }
    EXPECT_TRUE(os.CloseHandle(h));
  }
}

TEST(SimSectors, GenuineDriveKeepsEverySectorOfATwoTerabyteDrive) {
  SimOs os;
  os.AddDrive(1, Stick(2'000'398'934'016ull));
  const Handle h = Open(os, DiskPath(1));
  const std::uint64_t last = 2'000'398'934'016ull / 512 - 1;
  for (const std::uint64_t lba : {std::uint64_t{0}, std::uint64_t{8'388'608}, last}) {
    ASSERT_TRUE(WriteAt(os, h, lba, Tagged(lba)));
  }
  for (const std::uint64_t lba : {std::uint64_t{0}, std::uint64_t{8'388'608}, last}) {
    std::vector<std::uint8_t> data(512);
    ASSERT_TRUE(ReadAt(os, h, lba, data));
    EXPECT_EQ(data, Tagged(lba));
  }
  std::vector<std::uint8_t> unwritten(512, 0x77);
  ASSERT_TRUE(ReadAt(os, h, 12345, unwritten));
  EXPECT_EQ(unwritten, std::vector<std::uint8_t>(512, 0));
  os.CloseHandle(h);
}

TEST(SimSectors, TransfersMustBeWholeSectorsInsideTheDrive) {
  SimOs os;
  os.AddDrive(1, Stick(64 * 512));
  const Handle h = Open(os, DiskPath(1));
  struct Row {
    const char* name;
    std::int64_t position;
    std::size_t length;
    std::uint32_t error;  // ERROR_SUCCESS when the transfer works
  };
  const Row rows[] = {
      {"one sector at 0", 0, 512, win::ERROR_SUCCESS},
      {"four sectors", 512, 2048, win::ERROR_SUCCESS},
      {"last sector", 63 * 512, 512, win::ERROR_SUCCESS},
      {"empty transfer", 0, 0, win::ERROR_SUCCESS},
      {"half a sector", 0, 256, win::ERROR_INVALID_PARAMETER},
      {"unaligned position", 100, 512, win::ERROR_INVALID_PARAMETER},
      {"past the end", 64 * 512, 512, win::ERROR_SECTOR_NOT_FOUND},
      {"straddling the end", 63 * 512, 1024, win::ERROR_SECTOR_NOT_FOUND},
      {"far past the end", std::int64_t{1} << 40, 512, win::ERROR_SECTOR_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::uint8_t> data(row.length, 0x42);
    std::uint32_t count = 99;
    ASSERT_TRUE(os.SetFilePointerEx(h, row.position, nullptr, win::FILE_BEGIN));
    EXPECT_EQ(os.WriteFile(h, data, count), row.error == win::ERROR_SUCCESS);
    EXPECT_EQ(count, row.error == win::ERROR_SUCCESS ? row.length : 0u);
    if (row.error != win::ERROR_SUCCESS) {
      EXPECT_EQ(os.GetLastError(), row.error);
    }
    ASSERT_TRUE(os.SetFilePointerEx(h, row.position, nullptr, win::FILE_BEGIN));
    EXPECT_EQ(os.ReadFile(h, data, count), row.error == win::ERROR_SUCCESS);
    if (row.error != win::ERROR_SUCCESS) {
      EXPECT_EQ(os.GetLastError(), row.error);
    }
  }
  std::int64_t position = 7;
  EXPECT_FALSE(os.SetFilePointerEx(h, -512, &position, win::FILE_BEGIN));
  EXPECT_EQ(os.GetLastError(), win::ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(position, 7);
  ASSERT_TRUE(os.SetFilePointerEx(h, -512, &position, win::FILE_END));
  EXPECT_EQ(position, 63 * 512);
  ASSERT_TRUE(os.SetFilePointerEx(h, 1024, &position, win::FILE_CURRENT));
  EXPECT_EQ(position, 65 * 512);
  os.CloseHandle(h);
}

TEST(SimSectors, PositionMovesPastEachTransfer) {
  SimOs os;
  os.AddDrive(1, Stick(64 * 512));
  const Handle h = Open(os, DiskPath(1));
  std::uint32_t count = 0;
  ASSERT_TRUE(os.SetFilePointerEx(h, 512, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.WriteFile(h, Tagged(1), count));
  ASSERT_TRUE(os.WriteFile(h, Tagged(2), count));
  std::int64_t position = 0;
  ASSERT_TRUE(os.SetFilePointerEx(h, 0, &position, win::FILE_CURRENT));
  EXPECT_EQ(position, 3 * 512);
  EXPECT_EQ(os.PeekSector(1, 2), Tagged(2));
  os.CloseHandle(h);
}

TEST(SimSectors, OnlyAWriteHandleWritesAndOnlyAReadHandleReads) {
  SimOs os;
  os.AddDrive(1, Stick(64 * 512));
  std::uint32_t count = 0;
  std::vector<std::uint8_t> data = Tagged(0);
  const Handle readOnly = Open(os, DiskPath(1), win::GENERIC_READ);
  EXPECT_FALSE(os.WriteFile(readOnly, data, count));
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_TRUE(os.ReadFile(readOnly, data, count));
  const Handle queryOnly = Open(os, DiskPath(1), 0);
  EXPECT_FALSE(os.ReadFile(queryOnly, data, count));
  EXPECT_EQ(os.GetLastError(), win::ERROR_ACCESS_DENIED);
  EXPECT_EQ(os.PeekSector(1, 0), std::vector<std::uint8_t>(512, 0));
  os.CloseHandle(readOnly);
  os.CloseHandle(queryOnly);
}

TEST(SimSectors, WritesCostVirtualTimeAndAreCounted) {
  SimOs os;
  SimDriveSpec config = Stick(64 * 512);
  config.realBytes = 32 * 512;
  config.writeErrorsPastReal = true;
  config.writeDelayMs = 3;
  config.failedWriteDelayMs = 500;
  os.AddDrive(1, config);
  const Handle h = Open(os, DiskPath(1));
  const std::uint32_t start = os.GetTickCount();
  std::vector<std::uint8_t> four(4 * 512, 1);
  ASSERT_TRUE(WriteAt(os, h, 0, four));
  EXPECT_EQ(os.GetTickCount() - start, 3u) << "the latency of one request";
  EXPECT_FALSE(WriteAt(os, h, 40, Tagged(40)));
  EXPECT_EQ(os.GetTickCount() - start, 506u);
  std::vector<std::uint8_t> data(512);
  ASSERT_TRUE(ReadAt(os, h, 1, data));
  EXPECT_EQ(os.Stats().sectorWrites, 4u);
  EXPECT_EQ(os.Stats().sectorReads, 1u);
  os.CloseHandle(h);
}

TEST(SimSectors, AMultiSectorWriteStopsAtTheFirstFailingSector) {
  SimOs os;
  SimDriveSpec config = Stick(64 * 512);
  config.realBytes = 32 * 512;
  config.writeErrorsPastReal = true;
  os.AddDrive(1, config);
  const Handle h = Open(os, DiskPath(1));
  std::vector<std::uint8_t> four(4 * 512, 0x3C);
  std::uint32_t written = 0;
  ASSERT_TRUE(os.SetFilePointerEx(h, 30 * 512, nullptr, win::FILE_BEGIN));
  EXPECT_FALSE(os.WriteFile(h, four, written));
  EXPECT_EQ(written, 1024u);
  EXPECT_EQ(os.PeekSector(1, 31), std::vector<std::uint8_t>(512, 0x3C));
  os.CloseHandle(h);
}

}  // namespace
}  // namespace sw::platform::sim::testing
