// The engine over the fakes of the field: genuine drives, limbo, wraps at any size, chain, I/O
// errors, no memory at all, direct-mapped and fully associative write caches, stale limbo
// reads. Each row checks the verdict, the recommended size against the real memory, the cost of
// the cache check and that nothing is left open or locked.
#include <cctype>
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "quicktest/CacheFlood.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using platform::sim::FakeKind;
using platform::sim::LimboFill;
using platform::sim::SimDriveSpec;

constexpr std::uint64_t TiB = 1ull << 40;
constexpr double kMiBytes = 1048576.0;

struct FieldRow {
  const char* name;
  SimDriveSpec config;
  std::uint64_t realBytes;  // what the drive really holds (announced for a genuine drive)
};

SimDriveSpec Drive(std::uint64_t announced, std::uint64_t real, FakeKind kind) {
  SimDriveSpec config;
  config.announcedBytes = announced;
  config.realBytes = real == announced ? 0 : real;
  config.kind = kind;
  return config;
}

std::vector<FieldRow> FieldRows() {
  std::vector<FieldRow> rows;
  const auto add = [&](const char* name, SimDriveSpec config, std::uint64_t real) {
    rows.push_back({name, config, real});
  };
  for (const auto& [name, size] : {std::pair{"genuine 2 GiB", 2 * GiB}, std::pair{"genuine 8 GiB", 8 * GiB},
                                   std::pair{"genuine 16 GB", 16 * GB}, std::pair{"genuine 2 TB", 2000 * GB}}) {
    add(name, Drive(size, size, FakeKind::Good), size);
  }
  add("limbo 32,505,331,712 holding 1,777,645,568", Drive(32'505'331'712, 1'777'645'568, FakeKind::Limbo),
      1'777'645'568);
  add("wraparound 16 GiB holding 2 GiB", Drive(16 * GiB, 2 * GiB, FakeKind::Wraparound), 2 * GiB);
  add("wraparound 64 GiB holding 8 GiB", Drive(64 * GiB, 8 * GiB, FakeKind::Wraparound), 8 * GiB);
  {
    SimDriveSpec c = Drive(16 * GiB, 2 * GiB, FakeKind::Chain);
    c.wrapBytes = 4 * GiB;
    add("chain 16 GiB holding 2 GiB wrapping at 4 GiB", c, 2 * GiB);
  }
  for (const auto& [name, readErr, writeErr] :
       {std::tuple{"read errors past 2 GiB of 16 GiB", true, false},
        std::tuple{"write errors past 2 GiB of 16 GiB", false, true},
        std::tuple{"read and write errors past 2 GiB of 16 GiB", true, true}}) {
    SimDriveSpec c = Drive(16 * GiB, 2 * GiB, FakeKind::Limbo);
    c.readErrorsPastReal = readErr;
    c.writeErrorsPastReal = writeErr;
    add(name, c, 2 * GiB);
  }
  {
    SimDriveSpec c = Drive(1 * GiB, 0, FakeKind::Limbo);
    c.noRealMemory = true;
    add("1 GiB without memory", c, 0);
  }
  for (const bool loose : {false, true}) {
    SimDriveSpec c = Drive(67'108'864'000, 7'600'799'744, FakeKind::Limbo);
    c.directCacheSectors = 1u << 19;
    c.looseDirectCache = loose;
    add(loose ? "limbo 67 GB holding 7.6 GB, loose 2^19 cache" : "limbo 67 GB holding 7.6 GB, strict 2^19 cache",
        c, 7'600'799'744);
  }
  add("limbo 1 TiB holding 1 MiB + 512", Drive(TiB, (1 << 20) + 512, FakeKind::Limbo), (1 << 20) + 512);
  {
    SimDriveSpec c = Drive(TiB, 0, FakeKind::Limbo);
    c.noRealMemory = true;
    c.directCacheSectors = 1u << 21;
    add("1 TiB without memory, strict 2^21 cache", c, 0);
  }
  for (const std::uint32_t cache : {1000u, 100000u}) {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, FakeKind::Limbo);
    c.writeCacheSectors = cache;
    add(cache == 1000 ? "limbo 32 GB holding 8 GB, 1,000-sector cache" : "limbo 32 GB holding 8 GB, 100,000-sector cache",
        c, 8 * GB);
  }
  {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, FakeKind::Limbo);
    c.limboFill = LimboFill::Stale;
    add("limbo 32 GB holding 8 GB, stale reads", c, 8 * GB);
  }
  {
    SimDriveSpec c = Drive(8 * GB, 4 * GB, FakeKind::Wraparound);
    add("8 GB wrapping at 4,000,000,000 bytes", c, 4 * GB);
  }
  // The markers cover whole cylinders; these lack only the device's tail past them.
  {
    const std::uint64_t real = 2 * GiB - 256 * 1024;
    add("2 GiB lacking only its last 256 KiB", Drive(2 * GiB, real, FakeKind::Limbo), real);
    SimDriveSpec c = Drive(2 * GiB, real, FakeKind::Limbo);
    c.limboFill = LimboFill::Stale;
    add("2 GiB lacking only its last 256 KiB, stale reads", c, real);
    add("16 GB lacking only its last sector", Drive(16 * GB, 16 * GB - 512, FakeKind::Limbo), 16 * GB - 512);
  }
  {
    // A read-ahead buffer that would serve a second, ascending read-back from its copy.
    SimDriveSpec c = Drive(32 * GB, 8 * GB, FakeKind::Limbo);
    c.writeCacheSectors = 100000;
    c.readCacheSectors = 4096;
    add("limbo 32 GB holding 8 GB, cache and read-ahead", c, 8 * GB);
  }
  return rows;
}

class FieldFakes : public QuickTestFixture, public ::testing::WithParamInterface<FieldRow> {};

TEST_P(FieldFakes, VerdictAndASizeThatLosesNothing) {
  const FieldRow& row = GetParam();
  AddStick(row.config);
  const std::uint64_t announced = row.config.announcedBytes;
  const QuickTestResult r = RunEngineAsListed();
  const bool genuine = row.realBytes == announced;

  const std::int64_t markers = (r.TotalSectors + r.IntervalSectors - 1) / r.IntervalSectors;
  // N - 1 twice, sector 0's wipe, marker, zeroing, the device's last sector
  const std::int64_t specWrites = markers + 5;
  // Writes that failed are not counted by the drive, so the counted writes are an upper bound there.
  EXPECT_LE(static_cast<std::int64_t>(sim.Stats().sectorWrites),
            specWrites + detail::CacheFloodBudgetSectors(r.TotalSectors));

  if (genuine) {
    EXPECT_EQ(r.end, TestEnd::Passed);
    EXPECT_EQ(LineStartingWith("WRITE CACHE FOUND"), "");
    return;
  }
  ASSERT_EQ(r.end, TestEnd::Failed);
  const double recommendedBytes = r.RecommendedMiB * kMiBytes;
  const double interval = static_cast<double>(r.IntervalSectors) * 512;
  EXPECT_LE(recommendedBytes, static_cast<double>(row.realBytes)) << "recommends more than the real memory";
  EXPECT_GE(recommendedBytes, static_cast<double>(row.realBytes) - interval - kMiBytes)
      << "recommends more than an interval and 1 MiB less than the real memory";
  // The cylinders' last sector, or the device's own when only what lies past the cylinders is bad.
  const auto deviceLast = static_cast<std::int64_t>(announced / 512) - 1;
  const bool tailOnly = row.realBytes >= static_cast<std::uint64_t>(r.TotalSectors) * 512;
  EXPECT_EQ(r.MaxBadSector, tailOnly ? deviceLast : r.TotalSectors - 1) << "the bad memory runs to the last sector";
  if (tailOnly) {
    EXPECT_EQ(r.MinBadSector, deviceLast) << "the one bad sector found is the device's last";
  }
}

INSTANTIATE_TEST_SUITE_P(Table, FieldFakes, ::testing::ValuesIn(FieldRows()),
                         [](const ::testing::TestParamInfo<FieldRow>& row) {
                           std::string name;
                           for (const char* c = row.param.name; *c != 0; ++c) {
                             if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                           }
                           return name;
                         });

}  // namespace
}  // namespace sw::quicktest
