// "WRITE CACHE FOUND" only where the evidence is a cache: markers that read back right after
// the writing and were gone after the flood of other writes. A wrap that lets the flood land on
// markers, or limbo that never held them, is bad memory, not a cache.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using platform::sim::FakeKind;
using platform::sim::LimboFill;
using platform::sim::SimDriveSpec;

struct WordingRow {
  const char* name;
  FakeKind kind;
  std::uint64_t realBytes;  // 0: all of it
  std::uint32_t cacheSectors = 0;
  std::uint32_t directSectors = 0;
  LimboFill fill = LimboFill::Zeros;
  bool cache;               // the line must be there
  bool looseSlots = false;  // a direct-mapped slot answers for any sector that maps to it
  std::uint64_t announcedBytes = 16 * GiB;
};

class CacheWording : public QuickTestFixture, public ::testing::WithParamInterface<WordingRow> {};

TEST_P(CacheWording, NamesACacheOnlyWhenMarkersReadRightFirstAndWereLostLater) {
  const WordingRow& row = GetParam();
  SimDriveSpec c;
  c.announcedBytes = row.announcedBytes;
  c.realBytes = row.realBytes;
  c.kind = row.kind;
  c.writeCacheSectors = row.cacheSectors;
  c.directCacheSectors = row.directSectors;
  c.limboFill = row.fill;
  c.looseDirectCache = row.looseSlots;
  AddStick(c);
  const QuickTestResult r = RunEngine(c.announcedBytes);
  EXPECT_EQ(r.end, row.kind == FakeKind::Good ? TestEnd::Passed : TestEnd::Failed);
  EXPECT_EQ(LineStartingWith("WRITE CACHE FOUND") != "", row.cache) << LineStartingWith("WRITE CACHE FOUND");
}

const WordingRow kRows[] = {
    {"genuine", FakeKind::Good, 0, 0, 0, LimboFill::Zeros, false},
    {"wraparound", FakeKind::Wraparound, 2 * GiB, 0, 0, LimboFill::Zeros, false},
    {"wraparound_at_4GiB", FakeKind::Wraparound, 4 * GiB, 0, 0, LimboFill::Zeros, false},
    {"chain", FakeKind::Chain, 2 * GiB, 0, 0, LimboFill::Zeros, false},
    {"limbo_without_cache", FakeKind::Limbo, 2 * GiB, 0, 0, LimboFill::Zeros, false},
    {"limbo_ones_without_cache", FakeKind::Limbo, 2 * GiB, 0, 0, LimboFill::Ones, false},
    {"limbo_with_cache", FakeKind::Limbo, 2 * GiB, 100000, 0, LimboFill::Zeros, true},
    {"limbo_with_small_cache", FakeKind::Limbo, 2 * GiB, 1000, 0, LimboFill::Zeros, true},
    {"limbo_with_direct_cache", FakeKind::Limbo, 2 * GiB, 0, 1u << 16, LimboFill::Zeros, true},
    {"limbo_with_loose_direct_cache", FakeKind::Limbo, 2 * GiB, 0, 1u << 16, LimboFill::Zeros, true, true},
    // Its lowest marker lies less than an interval above sector 0, so the read-back never
    // read it: lost after the flood, it was never seen right.
    {"limbo_ones_1TiB_real_1MiB", FakeKind::Limbo, 1049088, 0, 0, LimboFill::Ones, false, false, 1ull << 40},
    // The last limbo write is what every limbo read gives: the lowest limbo marker reads right
    // at first, as every marker above it holds it too.
    {"limbo_stale_without_cache", FakeKind::Limbo, 2 * GiB, 0, 0, LimboFill::Stale, false},
    {"limbo_stale_with_cache", FakeKind::Limbo, 2 * GiB, 100000, 0, LimboFill::Stale, true},
};

INSTANTIATE_TEST_SUITE_P(Drives, CacheWording, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<WordingRow>& row) { return std::string(row.param.name); });

}  // namespace
}  // namespace sw::quicktest
