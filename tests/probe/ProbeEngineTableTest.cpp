// The probe's engine over the geometries of genuine sticks and of the fakes of the field: kind,
// exact last good sector, writes against their bound, nothing left open, and (non-destructive)
// every sector holding its bytes of before.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/SectorIO.h"
#include "platform/sim/SimOs.h"
#include "probe/ProbeEngine.h"
#include "support/ScriptedWindow.h"

namespace sw::probe {
namespace {

using platform::sim::FakeKind;
using platform::sim::LimboFill;
using platform::sim::SimDriveSpec;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t MiB = 1ull << 20;
constexpr int kDisk = 1;

struct Row {
  const char* name;
  std::uint64_t announced;
  std::uint64_t real;  // 0: genuine
  FakeKind sim;
  LimboFill fill;
  bool readErr;
  bool writeErr;
  std::uint32_t cache;
  bool destructive;
  // Expected:
  probe::FakeKind kind;
  std::int64_t lastGood;
  std::int64_t wrap;
};

constexpr std::int64_t S(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / 512); }

const Row kRows[] = {
    {"genuine 2 GiB", 2 * GiB, 0, FakeKind::Good, LimboFill::Zeros, false, false, 0, false,
     probe::FakeKind::Genuine, S(2 * GiB) - 1, 0},
    {"genuine 8 GiB", 8 * GiB, 0, FakeKind::Good, LimboFill::Zeros, false, false, 0, false,
     probe::FakeKind::Genuine, S(8 * GiB) - 1, 0},
    {"genuine 16 GB destructive", 16 * GB, 0, FakeKind::Good, LimboFill::Zeros, false, false, 0, true,
     probe::FakeKind::Genuine, S(16 * GB) - 1, 0},
    {"genuine 2 TB", 2000 * GB, 0, FakeKind::Good, LimboFill::Zeros, false, false, 0, false,
     probe::FakeKind::Genuine, S(2000 * GB) - 1, 0},
    {"limbo 32.5 GB holding 1.78 GB", 32'505'331'712, 1'777'645'568, FakeKind::Limbo, LimboFill::Zeros,
     false, false, 0, false, probe::FakeKind::Limbo, S(1'777'645'568) - 1, 0},
    {"limbo 1 TiB holding 1 MiB + 512", 1024 * GiB, MiB + 512, FakeKind::Limbo, LimboFill::Ones, false,
     false, 0, false, probe::FakeKind::Limbo, S(MiB + 512) - 1, 0},
    {"limbo 32 GB holding 8 GB, stale reads", 32 * GB, 8 * GB, FakeKind::Limbo, LimboFill::Stale, false,
     false, 0, false, probe::FakeKind::Limbo, S(8 * GB) - 1, 0},
    {"limbo 32 GB holding 8 GB, cache of 1,000", 32 * GB, 8 * GB, FakeKind::Limbo, LimboFill::Zeros, false,
     false, 1000, false, probe::FakeKind::Limbo, S(8 * GB) - 1, 0},
    {"limbo 32 GB holding 8 GB, cache of 1,000, destructive", 32 * GB, 8 * GB, FakeKind::Limbo,
     LimboFill::Zeros, false, false, 1000, true, probe::FakeKind::Limbo, S(8 * GB) - 1, 0},
    {"wraparound 16 GiB / 2 GiB", 16 * GiB, 2 * GiB, FakeKind::Wraparound, LimboFill::Zeros, false, false,
     0, false, probe::FakeKind::Wraparound, S(2 * GiB) - 1, S(2 * GiB)},
    {"wraparound 64 GiB / 8 GiB", 64 * GiB, 8 * GiB, FakeKind::Wraparound, LimboFill::Zeros, false, false,
     0, false, probe::FakeKind::Wraparound, S(8 * GiB) - 1, S(8 * GiB)},
    {"wraparound 8 GB at 4,000,000,000 bytes", 8 * GB, 4 * GB, FakeKind::Wraparound, LimboFill::Zeros,
     false, false, 0, false, probe::FakeKind::Wraparound, S(4 * GB) - 1, S(4 * GB)},
    {"chain 16 GiB / 2 GiB", 16 * GiB, 2 * GiB, FakeKind::Chain, LimboFill::Zeros, false, false, 0, false,
     probe::FakeKind::Chain, S(2 * GiB) - 1, S(2 * GiB)},
    {"read errors past 2 GiB of 16 GiB", 16 * GiB, 2 * GiB, FakeKind::Limbo, LimboFill::Zeros, true, false,
     0, false, probe::FakeKind::IoErrors, S(2 * GiB) - 1, 0},
    {"write errors past 2 GiB of 16 GiB", 16 * GiB, 2 * GiB, FakeKind::Limbo, LimboFill::Zeros, false, true,
     0, false, probe::FakeKind::IoErrors, S(2 * GiB) - 1, 0},
    {"read and write errors past 2 GiB of 16 GiB", 16 * GiB, 2 * GiB, FakeKind::Limbo, LimboFill::Zeros,
     true, true, 0, true, probe::FakeKind::IoErrors, S(2 * GiB) - 1, 0},
};

class ProbeEngineTable : public ::testing::TestWithParam<Row> {
 protected:
  platform::sim::SimOs sim;
  testing::ScriptedWindow win;
  core::Context ctx{sim, win};

  // Bytes a user had on the drive, where the probe is sure to write: the start, the end, the
  // first sector past the real memory.
  std::vector<std::int64_t> planted;
  static std::vector<std::uint8_t> Pattern(std::int64_t sector) {
    std::vector<std::uint8_t> b(512);
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>(sector * 7 + static_cast<std::int64_t>(i) * 13 + 1);
    return b;
  }
  void Plant(std::int64_t n, std::int64_t real) {
    // Only into real memory: on a wrapping fake a sector past it would land on another.
    const std::int64_t top = real > 0 ? real : n;
    planted = {0, 1, 2, 100, top / 2, top - 2, top - 1};
    ctx.state.SectorBuffer.Resize(512);
    for (std::int64_t s : planted) {
      const auto p = Pattern(s);
      std::copy(p.begin(), p.end(), ctx.state.SectorBuffer.data());
      diskio::WriteSectors(ctx, s, 1);
    }
  }
};

TEST_P(ProbeEngineTable, FindsTheKindAndTheExactLastGoodSector) {
  const Row& row = GetParam();
  SimDriveSpec spec;
  spec.announcedBytes = row.announced;
  spec.realBytes = row.real;
  spec.kind = row.sim;
  spec.limboFill = row.fill;
  spec.readErrorsPastReal = row.readErr;
  spec.writeErrorsPastReal = row.writeErr;
  spec.writeCacheSectors = row.cache;
  sim.AddDrive(kDisk, spec);
  const std::int64_t n = S(row.announced);

  ASSERT_TRUE(diskio::Open_Physical_Disk_hDrive(ctx, kDisk));
  Plant(n, S(row.real));
  const std::uint64_t writesBefore = sim.Stats().sectorWrites;
  ProbeResult r;
  std::vector<std::int64_t> unrestored;
  {
    ProbeIo io(ctx, row.destructive);
    r = RunProbe(ctx, io, n, 0x1234567890ABCDEFull);
    unrestored = io.Restore();
    EXPECT_EQ(io.changedCount(), 0u);
    // The drive counts the writes it accepted; the probe counts the ones it asked for.
    EXPECT_GE(io.figures().sectorWrites, sim.Stats().sectorWrites - writesBefore);
  }
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);

  EXPECT_EQ(r.end, ProbeEnd::Completed);
  EXPECT_EQ(r.kind, row.kind);
  EXPECT_EQ(r.lastGoodSector, row.lastGood);
  EXPECT_EQ(r.wrapSectors, row.wrap);
  const std::uint64_t writes = sim.Stats().sectorWrites - writesBefore;
  EXPECT_LE(writes, ProbeWriteBound(n, row.destructive));
  std::printf("%-58s writes %10llu  bound %10llu\n", row.name, static_cast<unsigned long long>(writes),
              static_cast<unsigned long long>(ProbeWriteBound(n, row.destructive)));
  if (row.readErr || row.writeErr) {
    EXPECT_EQ(r.errorFromSector, S(row.real));
  }
  if (row.cache > 0) {
    EXPECT_GT(r.cacheSectors, 0);
  }
  EXPECT_TRUE(unrestored.empty());
  EXPECT_EQ(sim.OpenHandleCount(), 0);
  if (!row.destructive) {
    // Where the fake kept the planted bytes, they must still be there.
    for (std::int64_t s : planted) {
      if (row.real != 0 && s >= S(row.real)) continue;
      EXPECT_EQ(sim.PeekSector(kDisk, static_cast<std::uint64_t>(s)), Pattern(s)) << "sector " << s;
    }
  }
  ::testing::Test::RecordProperty("writes", static_cast<int>(writes));
}

INSTANTIATE_TEST_SUITE_P(Geometries, ProbeEngineTable, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<Row>& param) {
                           std::string name;
                           for (const char* c = param.param.name; *c; ++c) {
                             name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                           }
                           return name;
                         });

}  // namespace
}  // namespace sw::probe
