// The caches and odd geometries of the fakes of the field: direct-mapped and fully associative
// write caches, stale limbo reads, a drive without memory, a read-ahead buffer, wraps at sizes
// that are not powers of two, I/O errors past the real memory, and transfer time.
#include <gtest/gtest.h>

#include "SimTestSupport.h"

namespace sw::platform::sim::testing {
namespace {

constexpr int kZeros = -1;
constexpr int kFails = -2;

struct Step {
  bool write;
  std::uint64_t lba;
  int expected = 0;  // reads: the sector whose tag comes back, kZeros or kFails
};
Step W(std::uint64_t lba) { return {true, lba, 0}; }
Step R(std::uint64_t lba, int expected) { return {false, lba, expected}; }

struct CacheRow {
  const char* name;
  SimDriveSpec config;
  std::vector<Step> steps;
};

// 2,048 announced sectors; where real memory exists it is the first 256.
SimDriveSpec Fake(std::uint64_t realSectors) {
  SimDriveSpec config = Stick(2048 * 512);
  config.realBytes = realSectors * 512;
  config.kind = FakeKind::Limbo;
  return config;
}

std::vector<CacheRow> CacheRows() {
  std::vector<CacheRow> rows;
  {
    CacheRow row{"direct-mapped strict: a slot answers for its own sector only", Fake(256), {}};
    row.config.directCacheSectors = 16;
    // 300, 316 and 332 share slot 12; sector 12 is real memory and takes no slot.
    row.steps = {W(300), R(300, 300), W(316), W(12), R(300, kZeros), R(316, 316), R(332, kZeros),
                 R(12, 12),  W(301), R(301, 301), R(317, kZeros)};
    rows.push_back(row);
  }
  {
    CacheRow row{"direct-mapped loose: a slot answers for any sector of it", Fake(256), {}};
    row.config.directCacheSectors = 16;
    row.config.looseDirectCache = true;
    row.steps = {W(300), R(316, 300), W(316), W(12), R(300, 316), R(332, 316), R(12, 12),
                 R(301, kZeros)};
    rows.push_back(row);
  }
  {
    CacheRow row{"fully associative: the last N limbo writes, a rewrite refreshes", Fake(256), {}};
    row.config.writeCacheSectors = 2;
    row.steps = {W(300), W(400), W(300), W(500), R(300, 300), R(400, kZeros), R(500, 500),
                 W(5),   R(300, 300)};
    rows.push_back(row);
  }
  {
    CacheRow row{"stale: limbo reads give the last block written into limbo", Fake(256), {}};
    row.config.limboFill = LimboFill::Stale;
    row.steps = {W(300), W(5), R(400, 300), R(5, 5), W(999), R(300, 999)};
    rows.push_back(row);
  }
  {
    CacheRow row{"no real memory: even sector 0 is lost", Fake(0), {}};
    row.config.noRealMemory = true;
    row.steps = {W(0), W(1), R(0, kZeros), R(1, kZeros)};
    rows.push_back(row);
  }
  {
    CacheRow row{"no real memory with a cache: only the cache holds anything", Fake(0), {}};
    row.config.noRealMemory = true;
    row.config.directCacheSectors = 1024;
    row.steps = {W(0), W(1024), W(1), R(0, kZeros), R(1024, 1024), R(1, 1)};
    rows.push_back(row);
  }
  {
    CacheRow row{"read-ahead: sequential reads come from the copy, stale after writes",
                 Stick(2048 * 512), {}};
    row.config.readCacheSectors = 8;
    // Reading 10 loads 10 .. 17; the writes to 12 and 18 are not seen until a miss reloads.
    row.steps = {R(10, kZeros), W(12), W(18), R(12, kZeros), R(17, kZeros), R(18, 18),
                 R(12, 12)};
    rows.push_back(row);
  }
  {
    CacheRow row{"wraparound at 300 sectors, not a power of two", Fake(300), {}};
    row.config.kind = FakeKind::Wraparound;
    row.steps = {W(0), W(299), W(300), W(899), R(0, 300), R(299, 899), R(600, 300), R(1499, 899)};
    rows.push_back(row);
  }
  {
    CacheRow row{"chain: 256 real sectors, limbo up to the wrap at 700", Fake(256), {}};
    row.config.kind = FakeKind::Chain;
    row.config.wrapBytes = 700 * 512;
    row.steps = {W(3), W(300), W(703), R(3, 703), R(300, kZeros), R(1000, kZeros), R(1403, 703)};
    rows.push_back(row);
  }
  {
    CacheRow row{"I/O errors past the real memory for reads and writes", Fake(256), {}};
    row.config.readErrorsPastReal = true;
    row.config.writeErrorsPastReal = true;
    row.steps = {W(255), W(256), R(255, 255), R(256, kFails), R(2047, kFails)};
    rows.push_back(row);
  }
  return rows;
}

TEST(SimCacheFakes, EachCacheAndGeometryAnswersAsItsModel) {
  for (const CacheRow& row : CacheRows()) {
    SCOPED_TRACE(row.name);
    SimOs os;
    os.AddDrive(1, row.config);
    const Handle h = Open(os, DiskPath(1));
    ASSERT_NE(h, kInvalidHandle);
    for (const Step& step : row.steps) {
      SCOPED_TRACE((step.write ? "write " : "read ") + std::to_string(step.lba));
      if (step.write) {
        const bool pastReal = step.lba >= 256 && row.config.writeErrorsPastReal;
        EXPECT_EQ(WriteAt(os, h, step.lba, Tagged(step.lba)), !pastReal);
        continue;
      }
      std::vector<std::uint8_t> data(512, 0x5C);
      const bool ok = ReadAt(os, h, step.lba, data);
      if (step.expected == kFails) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(os.GetLastError(), win::ERROR_CRC);
        continue;
      }
      ASSERT_TRUE(ok);
      const auto expected = step.expected == kZeros
                                ? std::vector<std::uint8_t>(512, 0)
                                : Tagged(static_cast<std::uint64_t>(step.expected));
      EXPECT_EQ(data, expected);
    }
    EXPECT_TRUE(os.CloseHandle(h));
  }
}

// Peek shows what the device holds, not what its read-ahead copy still serves.
TEST(SimCacheFakes, PeekIgnoresTheReadAheadCopy) {
  SimOs os;
  SimDriveSpec config = Stick(2048 * 512);
  config.readCacheSectors = 8;
  os.AddDrive(1, config);
  const Handle h = Open(os, DiskPath(1));
  std::vector<std::uint8_t> data(512);
  ASSERT_TRUE(ReadAt(os, h, 4, data));
  ASSERT_TRUE(WriteAt(os, h, 5, Tagged(5)));
  ASSERT_TRUE(ReadAt(os, h, 5, data));
  EXPECT_EQ(data, std::vector<std::uint8_t>(512, 0));
  EXPECT_EQ(os.PeekSector(1, 5), Tagged(5));
  os.CloseHandle(h);
}

// 10 MB/s: 1,000 sector writes are 512,000 bytes, 51.2 ms; reads at 20 MB/s take half that.
// Fractions of a millisecond add up rather than being lost per sector.
TEST(SimCacheFakes, TransferTimeFollowsTheBytesPerSecond) {
  SimOs os;
  SimDriveSpec config = Stick(2048 * 512);
  config.writeBytesPerSecond = 10'000'000;
  config.readBytesPerSecond = 20'000'000;
  os.AddDrive(1, config);
  const Handle h = Open(os, DiskPath(1));
  const std::uint32_t start = os.GetTickCount();
  for (std::uint64_t lba = 0; lba < 1000; ++lba) ASSERT_TRUE(WriteAt(os, h, lba, Tagged(lba)));
  EXPECT_EQ(os.GetTickCount() - start, 51u);
  const std::uint32_t afterWrites = os.GetTickCount();
  std::vector<std::uint8_t> data(512);
  for (std::uint64_t lba = 0; lba < 1000; ++lba) ASSERT_TRUE(ReadAt(os, h, lba, data));
  EXPECT_EQ(os.GetTickCount() - afterWrites, 25u);  // 25.6 ms, with 0.2 ms carried over
  os.CloseHandle(h);
}

// File data moves at the same pace: 2,000,000 bytes at 10 MB/s are 200 ms, read back in 100 ms;
// the counters see every byte.
TEST(SimCacheFakes, FileTransfersTakeTheirTimeAndAreCounted) {
  SimOs os;
  os.AddDrive(1, ParseSimDrive("E:usb:4G:speed=10M").config);
  const std::uint32_t start = os.GetTickCount();
  const Handle w = os.CreateFileA("E:\\A.bin", win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, 0);
  std::vector<std::uint8_t> data(1'000'000, 0x5A);
  std::uint32_t moved = 0;
  ASSERT_TRUE(os.WriteFile(w, data, moved));
  ASSERT_TRUE(os.WriteFile(w, data, moved));
  os.CloseHandle(w);
  EXPECT_EQ(os.GetTickCount() - start, 200u);
  const Handle r = Open(os, "E:\\A.bin", win::GENERIC_READ);
  const std::uint32_t afterWrites = os.GetTickCount();
  ASSERT_TRUE(os.ReadFile(r, data, moved));
  ASSERT_TRUE(os.ReadFile(r, data, moved));
  os.CloseHandle(r);
  EXPECT_EQ(os.GetTickCount() - afterWrites, 100u);
  EXPECT_EQ(os.Stats().fileBytesWritten, 2'000'000u);
  EXPECT_EQ(os.Stats().fileBytesRead, 2'000'000u);
}

TEST(SimCacheFakes, DescriptionsOfTheNewBehaviours) {
  {
    const ParsedSimDrive p =
        ParseSimDrive("E:67108864000:real=7600799744:dcache=524288:loose:readcache=64:speed=10M");
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.kind, FakeKind::Limbo);
    EXPECT_EQ(p.config.directCacheSectors, 524288u);
    EXPECT_TRUE(p.config.looseDirectCache);
    EXPECT_EQ(p.config.readCacheSectors, 64u);
    EXPECT_EQ(p.config.writeBytesPerSecond, 10'000'000u);
    EXPECT_EQ(p.config.readBytesPerSecond, 20'000'000u);
  }
  {
    const ParsedSimDrive p = ParseSimDrive("E:1Ti:real=0:dcache=2097152");
    ASSERT_EQ(p.error, "");
    EXPECT_TRUE(p.config.noRealMemory);
    EXPECT_EQ(p.config.kind, FakeKind::Limbo);
    EXPECT_EQ(p.config.volumes[0].freeBytes, (1ull << 40) / 100 * 95 / 512 * 512);
  }
  {
    const ParsedSimDrive p = ParseSimDrive("E:16Gi:real=2Gi:chain:wrap=4Gi");
    ASSERT_EQ(p.error, "");
    EXPECT_EQ(p.config.wrapBytes, 4ull << 30);
  }
  struct Bad {
    const char* text;
    const char* errorStart;
  };
  for (const Bad& bad : {Bad{"E:8G:real=4G:limbo:wrap=5G", "wrap= needs wrap or chain"},
                         Bad{"E:8G:real=4G:wrap:wrap=3G", "wrap= must lie between"},
                         Bad{"E:8G:real=4G:wrap:wrap=8G", "wrap= must lie between"},
                         Bad{"E:8G:real=0:wrap", "real=0 leaves nothing to wrap onto"},
                         Bad{"E:8G:real=0:good", "'good' contradicts"},
                         Bad{"E:8G:real=4G:loose", "loose needs dcache="},
                         Bad{"E:8G:real=4G:dcache=1000", "bad value in 'dcache=1000'"},
                         Bad{"E:8G:real=4G:dcache=0", "bad value in 'dcache=0'"},
                         Bad{"E:8G:speed=fast", "bad value in 'speed=fast'"}}) {
    SCOPED_TRACE(bad.text);
    const ParsedSimDrive p = ParseSimDrive(bad.text);
    EXPECT_EQ(p.error.rfind(bad.errorStart, 0), 0u) << p.error;
  }
}

}  // namespace
}  // namespace sw::platform::sim::testing
