// The probe over the fakes of the field: each row checks the kind, the exact last good sector,
// the usable bytes, the wrap, the writes against the bound and the row's target, that every
// place of real memory the probe wrote holds its first bytes again, and that nothing is left open.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "probe/ProbeFixture.h"
#include "probe/ProbePlan.h"

namespace sw::probe {
namespace {

using platform::sim::LimboFill;
using platform::sim::SimDriveSpec;
using Sim = platform::sim::FakeKind;

// f3probe's writes on these fakes (from the issue, in sectors): 1.7 MB on a plain limbo fake,
// about 2.15 GB on a genuine 8 GB drive and on wrapping fakes, 22 GB on the fake with a 256 MiB
// cache; on a genuine drive min(2 GiB, half the drive).
constexpr std::uint64_t kF3Limbo = 1'700'000 / 512;
constexpr std::uint64_t kF3Wrapping = 2'150'000'000 / 512;
constexpr std::uint64_t kF3BigCache = 22'000'000'000 / 512;
// Measured beside ours (bench/probe/probe-vs-f3probe) on a FUSE chain of 16 GiB holding 2 GiB
// and wrapping at 4 GiB.
constexpr std::uint64_t kF3Chain = 2147;
// f3probe on the FUSE fake of 16 GiB holding 2 GiB behind a FIFO cache of 4,000 sectors, the least
// of its runs.
constexpr std::uint64_t kF3Fifo4000 = 43'613;
constexpr std::uint64_t F3Genuine(std::uint64_t bytes) { return std::min<std::uint64_t>(2 * GiB, bytes / 2) / 512; }

struct Row {
  const char* name;
  SimDriveSpec config;
  FakeKind kind;
  std::int64_t lastGood;
  std::int64_t wrap;          // 0: none
  std::uint64_t targetWrites; // sectors, restore included
};

SimDriveSpec Drive(std::uint64_t announced, std::uint64_t real, Sim kind) {
  SimDriveSpec c;
  c.announcedBytes = announced;
  c.realBytes = real == announced ? 0 : real;
  c.kind = kind;
  return c;
}

std::int64_t Sectors(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / 512); }

std::vector<Row> Rows() {
  std::vector<Row> rows;
  for (const auto& [name, size] : {std::pair{"genuine 2 GiB", 2 * GiB}, std::pair{"genuine 8 GiB", 8 * GiB},
                                   std::pair{"genuine 16 GB", 16 * GB}, std::pair{"genuine 2 TB", 2000 * GB}}) {
    rows.push_back({name, Drive(size, size, Sim::Good), FakeKind::Genuine, Sectors(size) - 1, 0, F3Genuine(size) / 4});
  }
  // 4Kn drives: 4,096-byte logical sectors, which take no 512-byte transfer.
  for (const bool fake : {false, true}) {
    SimDriveSpec c = fake ? Drive(16 * GiB, 2 * GiB, Sim::Limbo) : Drive(2 * GiB, 2 * GiB, Sim::Good);
    c.blockLength = 4096;
    rows.push_back({fake ? "4Kn limbo 16 GiB holding 2 GiB" : "4Kn genuine 2 GiB", c,
                    fake ? FakeKind::Limbo : FakeKind::Genuine, Sectors(2 * GiB) - 1, 0,
                    fake ? kF3Limbo : F3Genuine(2 * GiB) / 4});
  }
  // Drives smaller than the probe's window, flood and eviction stride.
  rows.push_back({"genuine 1 MiB", Drive(1 << 20, 1 << 20, Sim::Good), FakeKind::Genuine, 2047, 0, kF3Limbo});
  rows.push_back({"limbo 1 MiB holding 256 KiB", Drive(1 << 20, 1 << 18, Sim::Limbo), FakeKind::Limbo, 511, 0, kF3Limbo});
  rows.push_back({"limbo 32,505,331,712 holding 1,777,645,568", Drive(32'505'331'712, 1'777'645'568, Sim::Limbo),
                  FakeKind::Limbo, Sectors(1'777'645'568) - 1, 0, kF3Limbo});
  rows.push_back({"wraparound 16 GiB holding 2 GiB", Drive(16 * GiB, 2 * GiB, Sim::Wraparound), FakeKind::Wraparound,
                  Sectors(2 * GiB) - 1, Sectors(2 * GiB), kF3Wrapping / 4});
  rows.push_back({"wraparound 64 GiB holding 8 GiB", Drive(64 * GiB, 8 * GiB, Sim::Wraparound), FakeKind::Wraparound,
                  Sectors(8 * GiB) - 1, Sectors(8 * GiB), kF3Wrapping / 4});
  {
    SimDriveSpec c = Drive(16 * GiB, 2 * GiB, Sim::Chain);
    c.wrapBytes = 4 * GiB;
    rows.push_back({"chain 16 GiB holding 2 GiB wrapping at 4 GiB", c, FakeKind::Chain, Sectors(2 * GiB) - 1,
                    Sectors(4 * GiB), kF3Chain / 4});
  }
  {
    // Its top lands on real memory: the drive looks whole until the wrap is found.
    SimDriveSpec c = Drive(15 * GiB, 3584ull << 20, Sim::Chain);
    c.wrapBytes = 4 * GiB;
    rows.push_back({"chain 15 GiB holding 3.5 GiB wrapping at 4 GiB", c, FakeKind::Chain, Sectors(3584ull << 20) - 1,
                    Sectors(4 * GiB), kF3Chain / 4});
  }
  // The simulator's own chain: addresses up to twice the memory wrap, beyond that they are lost.
  rows.push_back({"chain 16 GiB holding 2 GiB, lost past 4 GiB", Drive(16 * GiB, 2 * GiB, Sim::Chain), FakeKind::Chain,
                  Sectors(2 * GiB) - 1, Sectors(2 * GiB), kF3Wrapping / 4});
  for (const auto& [name, readErr, writeErr] :
       {std::tuple{"read errors past 2 GiB of 16 GiB", true, false},
        std::tuple{"write errors past 2 GiB of 16 GiB", false, true},
        std::tuple{"read and write errors past 2 GiB of 16 GiB", true, true}}) {
    SimDriveSpec c = Drive(16 * GiB, 2 * GiB, Sim::Limbo);
    c.readErrorsPastReal = readErr;
    c.writeErrorsPastReal = writeErr;
    rows.push_back({name, c, FakeKind::IoErrors, Sectors(2 * GiB) - 1, 0, kF3Limbo});
  }
  {
    SimDriveSpec c = Drive(1 * GiB, 0, Sim::Limbo);
    c.noRealMemory = true;
    rows.push_back({"1 GiB without memory", c, FakeKind::NoMemory, -1, 0, kF3Limbo});
  }
  for (const bool loose : {false, true}) {
    SimDriveSpec c = Drive(67'108'864'000, 7'600'799'744, Sim::Limbo);
    c.directCacheSectors = 1u << 19;
    c.looseDirectCache = loose;
    rows.push_back({loose ? "limbo 67 GB holding 7.6 GB, loose 2^19 cache" : "limbo 67 GB holding 7.6 GB, strict 2^19 cache",
                    c, FakeKind::Limbo, Sectors(7'600'799'744) - 1, 0, kF3BigCache / 4});
  }
  rows.push_back({"limbo 1 TiB holding 1 MiB + 512", Drive(TiB, (1 << 20) + 512, Sim::Limbo), FakeKind::Limbo,
                  Sectors((1 << 20) + 512) - 1, 0, kF3Limbo});
  {
    SimDriveSpec c = Drive(TiB, 0, Sim::Limbo);
    c.noRealMemory = true;
    c.directCacheSectors = 1u << 21;
    rows.push_back({"1 TiB without memory, strict 2^21 cache", c, FakeKind::NoMemory, -1, 0, kF3BigCache / 4});
    // A loose cache of 2^21 slots over no memory answers every read and write exactly as a drive
    // whose 1 GiB of memory wraps at 2^21 sectors: the last write to any address of a slot is
    // what every address of that slot reads. No read/write test tells the two apart (only a
    // power cycle would empty the cache), so the probe reports the wrap it cannot be told from.
    c.looseDirectCache = true;
    rows.push_back({"1 TiB without memory, loose 2^21 cache (reads as a 1 GiB wraparound)", c,
                    FakeKind::Wraparound, (1 << 21) - 1, 1 << 21, kF3BigCache / 4});
  }
  // The end itself: a fake that lacks only its last sector, or its last 256 KiB.
  rows.push_back({"limbo 2 GiB lacking its last sector", Drive(2 * GiB, 2 * GiB - 512, Sim::Limbo), FakeKind::Limbo,
                  Sectors(2 * GiB) - 2, 0, kF3Limbo});
  rows.push_back({"limbo 2 GiB lacking its last 256 KiB", Drive(2 * GiB, 2 * GiB - 256 * 1024, Sim::Limbo),
                  FakeKind::Limbo, Sectors(2 * GiB - 256 * 1024) - 1, 0, kF3Limbo});
  for (const std::uint32_t cache : {1000u, 100000u}) {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, Sim::Limbo);
    c.writeCacheSectors = cache;
    rows.push_back({cache == 1000 ? "limbo 32 GB holding 8 GB, 1,000-sector cache"
                                  : "limbo 32 GB holding 8 GB, 100,000-sector cache",
                    c, FakeKind::Limbo, Sectors(8 * GB) - 1, 0, kF3Wrapping / 4});
  }
  {
    // A cache that keeps a sector's place when it is written again (a FIFO, as the e2e fake
    // stick's): a flood over sectors it already holds evicts nothing. Each flood of such a cache
    // costs about its size, and the search pays three of them (the sizing's, which flushes the
    // first round as well, and two rounds'): four of them and 2,000 sectors is the bound, which
    // one flood more (as each round once paid its own, the first included) exceeds. f3probe
    // wrote 43,613 sectors at the least on the 4,000-sector one (bench/probe/probe-vs-f3probe).
    const auto fifo = [](std::uint64_t announced, std::uint64_t real, std::uint32_t cache) {
      SimDriveSpec c = Drive(announced, real, Sim::Limbo);
      c.writeCacheSectors = cache;
      c.writeCacheKeepsPlace = true;
      return c;
    };
    const auto floods = [](std::uint64_t cache) { return 4 * cache + 2000; };
    rows.push_back({"limbo 16 GiB holding 2 GiB, FIFO cache of 1,000 sectors", fifo(16 * GiB, 2 * GiB, 1000),
                    FakeKind::Limbo, Sectors(2 * GiB) - 1, 0, floods(1000)});
    rows.push_back({"limbo 16 GiB holding 2 GiB, FIFO cache of 4,000 sectors", fifo(16 * GiB, 2 * GiB, 4000),
                    FakeKind::Limbo, Sectors(2 * GiB) - 1, 0, std::min(floods(4000), kF3Fifo4000 / 3)});
    // One more than the sizing's flood that evicts the top: the rounds' floods must be larger.
    rows.push_back({"limbo 16 GiB holding 2 GiB, FIFO cache of 4,097 sectors", fifo(16 * GiB, 2 * GiB, 4097),
                    FakeKind::Limbo, Sectors(2 * GiB) - 1, 0, floods(4097)});
    // The memory ends inside the two bands the rounds flood: the first round finds no lost block,
    // and its flood takes a band part of which is good memory.
    rows.push_back({"limbo 2 GiB lacking its last MiB, FIFO cache of 1,000 sectors",
                    fifo(2 * GiB, 2 * GiB - (1 << 20), 1000), FakeKind::Limbo, Sectors(2 * GiB - (1 << 20)) - 1, 0,
                    floods(1000) + 1000});
    // The memory ends just below the low band, between the probes of the first rounds.
    for (const auto& [name, lacking] : {std::pair{"limbo 16 GiB lacking its last 8,200 sectors, FIFO cache of 4,000", 8200u},
                                        std::pair{"limbo 16 GiB lacking its last 8,300 sectors, FIFO cache of 4,000", 8300u},
                                        std::pair{"limbo 16 GiB lacking its last 9,000 sectors, FIFO cache of 4,000", 9000u},
                                        std::pair{"limbo 16 GiB lacking its last 12,000 sectors, FIFO cache of 4,000", 12000u}}) {
      rows.push_back({name,
                      fifo(16 * GiB, 16 * GiB - lacking * 512, 4000), FakeKind::Limbo,
                      Sectors(16 * GiB) - static_cast<std::int64_t>(lacking) - 1, 0, floods(4000) + 4000});
    }
    rows.push_back({"limbo 32 GB holding 8 GB, FIFO cache of 100,000 sectors", fifo(32 * GB, 8 * GB, 100000),
                    FakeKind::Limbo, Sectors(8 * GB) - 1, 0, floods(100000)});
  }
  {
    // Between 2^18 and 2^19 sectors: only the largest flood clears it.
    SimDriveSpec c = Drive(32 * GB, 8 * GB, Sim::Limbo);
    c.writeCacheSectors = 450000;
    rows.push_back({"limbo 32 GB holding 8 GB, 450,000-sector cache", c, FakeKind::Limbo, Sectors(8 * GB) - 1, 0,
                    kF3BigCache / 4});
  }
  {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, Sim::Limbo);
    c.limboFill = LimboFill::Stale;
    rows.push_back({"limbo 32 GB holding 8 GB, stale reads", c, FakeKind::Limbo, Sectors(8 * GB) - 1, 0, kF3Limbo});
  }
  rows.push_back({"8 GB wrapping at 4,000,000,000 bytes", Drive(8 * GB, 4 * GB, Sim::Wraparound), FakeKind::Wraparound,
                  Sectors(4 * GB) - 1, Sectors(4 * GB), kF3Wrapping / 4});
  // Stale reads behind the caches: the last block written answers what no cache holds.
  {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, Sim::Limbo);
    c.limboFill = LimboFill::Stale;
    c.writeCacheSectors = 3000;
    rows.push_back({"limbo 32 GB holding 8 GB, stale reads behind a 3,000-sector cache", c, FakeKind::Limbo,
                    Sectors(8 * GB) - 1, 0, kF3Wrapping / 4});
    c.writeCacheSectors = 0;
    c.directCacheSectors = 1 << 12;
    c.looseDirectCache = true;
    rows.push_back({"limbo 32 GB holding 8 GB, stale reads behind a loose 2^12 cache", c, FakeKind::Limbo,
                    Sectors(8 * GB) - 1, 0, kF3Limbo});
  }
  // A wrap the sizing cannot see (no power of two, larger than its flood) that repeats seven
  // times: found by the window, and every later address of it is still a wraparound.
  rows.push_back({"8 GB wrapping at 1,000,000,000 bytes", Drive(8 * GB, 1 * GB, Sim::Wraparound), FakeKind::Wraparound,
                  Sectors(1 * GB) - 1, Sectors(1 * GB), kF3Wrapping / 4});
  // A wrap smaller than the flood that sizes a cache: the flood lands on the top's own place.
  rows.push_back({"8 GB wrapping at 100,000,000 bytes", Drive(8 * GB, 100 * 1'000'000, Sim::Wraparound),
                  FakeKind::Wraparound, Sectors(100'000'000) - 1, Sectors(100'000'000), kF3Wrapping / 4});
  // A wrap inside the first MiB and the window past it: only a search from sector 0 sees it as
  // itself rather than as one of its multiples.
  rows.push_back({"8 GB wrapping at 640 KiB", Drive(8 * GB, 640 * 1024, Sim::Wraparound), FakeKind::Wraparound,
                  Sectors(640 * 1024) - 1, Sectors(640 * 1024), kF3Wrapping / 4});
  {
    SimDriveSpec c = Drive(32 * GB, 8 * GB, Sim::Limbo);
    c.writeCacheSectors = 100000;
    c.readCacheSectors = 256;
    rows.push_back({"limbo 32 GB holding 8 GB, cache and read-ahead", c, FakeKind::Limbo, Sectors(8 * GB) - 1, 0,
                    kF3Wrapping / 4});
  }
  return rows;
}

class EngineTable : public ProbeFixture, public ::testing::WithParamInterface<Row> {};

TEST_P(EngineTable, ExactLastGoodSectorAndEverySectorRestored) {
  const Row& row = GetParam();
  AddStick(row.config);
  const ProbeFindings f = Run();
  const std::int64_t total = Sectors(row.config.announcedBytes);

  ASSERT_EQ(f.end, ProbeEnd::Completed);
  EXPECT_EQ(f.totalSectors, total);
  EXPECT_EQ(f.kind, row.kind);
  EXPECT_EQ(f.lastGoodSector, row.lastGood);
  EXPECT_EQ(f.usableBytes, static_cast<std::uint64_t>(row.lastGood + 1) * 512);
  EXPECT_EQ(f.wrapSectors, row.wrap);
  if (row.kind == FakeKind::IoErrors) {
    EXPECT_EQ(f.errorFromSector, row.lastGood + 1);
  }
  if (row.config.directCacheSectors > 0 && row.kind != FakeKind::Wraparound) {
    EXPECT_EQ(f.cacheSectors, row.config.directCacheSectors);
  }
  if (row.config.writeCacheSectors > 0) {
    // The top's eviction write is one of the writes that flushed it: the flood may be one short.
    EXPECT_GE(f.cacheSectors + 1, row.config.writeCacheSectors);
    EXPECT_LE(f.cacheSectors, 2 * static_cast<std::int64_t>(row.config.writeCacheSectors));
  }

  const std::uint64_t driveWrites = sim.Stats().sectorWrites - writesBefore;
  if (row.config.blockLength == 512) {
    EXPECT_EQ(f.sectorsWritten, driveWrites) << "the probe counts what the drive wrote";
  } else {
    // A 4Kn drive writes whole sectors of its own around the probe's 512-byte ones.
    EXPECT_EQ(f.driveSectorBytes, row.config.blockLength);
    EXPECT_GE(driveWrites, f.sectorsWritten);
    EXPECT_LE(driveWrites, f.sectorsWritten * (row.config.blockLength / 512));
  }
  EXPECT_LE(f.sectorsWritten, ProbeWriteBoundSectors(total));
  EXPECT_LE(f.sectorsWritten, row.targetWrites);
  EXPECT_GT(f.sectorsRead, 0u);

  if (row.config.readDelayMs > 0 && row.lastGood + 1 >= (std::int64_t{1} << 22)) {
    // The contiguous window's search alone would take a read request per window's length.
    const std::int64_t good = row.lastGood + 1;
    const auto contiguousSweep = static_cast<std::uint64_t>(good / detail::WindowSectors(total, good));
    EXPECT_LT(ctx.state.LastRun.transfers.readRequests, contiguousSweep) << "the window was not spread";
  }

  EXPECT_TRUE(f.unrestoredSectors.empty());
  const std::vector<std::int64_t> changed = ChangedPlaces();
  EXPECT_TRUE(changed.empty()) << changed.size() << " sectors of real memory changed, the first "
                               << (changed.empty() ? -1 : changed.front());
}

// The bound --help states stays below what f3probe writes on a genuine drive of any size.
TEST(WriteBound, NeverMoreThan1Point25GBWhateverTheSize) {
  for (std::uint64_t bytes = 64ull << 20; bytes <= (1ull << 50); bytes *= 2) {
    const std::uint64_t bound = ProbeWriteBoundSectors(static_cast<std::int64_t>(bytes / 512));
    EXPECT_LE(bound * 512, 1'250'000'000u) << bytes;
    EXPECT_LT(bound * 512, std::min<std::uint64_t>(2 * GiB, bytes)) << bytes;
  }
}

// The fakes again on drives whose read requests cost a millisecond each, as much as a write's,
// where the wrap search's requests are what its time is: every answer holds, and its reads are
// runs of sectors, far fewer than a read every window's length.
std::vector<Row> SlowReadRows() {
  std::vector<Row> rows;
  for (Row row : Rows()) {
    if (row.kind == FakeKind::Genuine) continue;
    row.config.readDelayMs = 1;
    rows.push_back(row);
  }
  return rows;
}

std::string RowName(const ::testing::TestParamInfo<Row>& row) {
  std::string name;
  for (const char* c = row.param.name; *c != 0; ++c) {
    if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Table, EngineTable, ::testing::ValuesIn(Rows()), RowName);
INSTANTIATE_TEST_SUITE_P(SlowReads, EngineTable, ::testing::ValuesIn(SlowReadRows()), RowName);

}  // namespace
}  // namespace sw::probe
