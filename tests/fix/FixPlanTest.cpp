// The fix's plan: where the partition ends, which table and file system it gets, and every
// refusal, around the FAT32 and MBR limits and on 512-byte and 4 KiB sectors.
#include <gtest/gtest.h>

#include "fix/FixPlan.h"
#include "fix/FixTexts.h"

namespace sw::fix {
namespace {

constexpr std::uint64_t GB = 1'000'000'000;

PlanInput Measured(std::uint64_t disk, std::uint64_t end, std::uint32_t sector = 512, std::string by = "probe") {
  PlanInput in;
  in.diskBytes = disk;
  in.sectorBytes = sector;
  in.measured = core::MeasuredEnd{{}, end, std::move(by)};
  return in;
}

TEST(FixPlan, ThePartitionRunsFrom1MiBToTheLastMiBBoundaryAtOrBelowTheRealEnd) {
  struct Case {
    const char* name;
    std::uint64_t disk, end;
    std::uint32_t sector;
    Table table;
    FileSystem fs;
    std::uint64_t length, firstSector, lastSector;
  };
  const Case cases[] = {
      // A 16 GB stick with 2 GiB and a few sectors real: the sectors past the boundary are left out.
      {"limbo 16/2", 16 * GB, 2 * kGiB + 4096, 512, Table::Mbr, FileSystem::Fat32, 2 * kGiB - kMiB, 2048,
       2 * kGiB / 512 - 1},
      {"exactly 32 GiB of partition is FAT32", 64 * GB, 32 * kGiB + kMiB, 512, Table::Mbr, FileSystem::Fat32,
       32 * kGiB, 2048, (32 * kGiB + kMiB) / 512 - 1},
      {"one MiB more is exFAT", 64 * GB, 32 * kGiB + 2 * kMiB, 512, Table::Mbr, FileSystem::ExFat,
       32 * kGiB + kMiB, 2048, (32 * kGiB + 2 * kMiB) / 512 - 1},
      {"an end at 2 TiB keeps MBR", 4 * kTiB, 2 * kTiB, 512, Table::Mbr, FileSystem::ExFat, 2 * kTiB - kMiB, 2048,
       2 * kTiB / 512 - 1},
      {"past 2 TiB is GPT", 4 * kTiB, 2 * kTiB + kMiB, 512, Table::Gpt, FileSystem::ExFat, 2 * kTiB, 2048,
       (2 * kTiB + kMiB) / 512 - 1},
      // GPT's backup at the disk's end: a real end at the disk's end loses the last MiB.
      {"GPT leaves the disk's last sectors", 3 * kTiB, 3 * kTiB, 512, Table::Gpt, FileSystem::ExFat,
       3 * kTiB - 2 * kMiB, 2048, (3 * kTiB - kMiB) / 512 - 1},
      {"4Kn: sectors of 4 KiB", 16 * GB, 2 * kGiB + 4096, 4096, Table::Mbr, FileSystem::Fat32, 2 * kGiB - kMiB, 256,
       2 * kGiB / 4096 - 1},
      {"a measured end past the disk stops at the disk", 8 * kMiB, 64 * kMiB, 512, Table::Mbr, FileSystem::Fat32,
       7 * kMiB, 2048, 8 * kMiB / 512 - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const PlanOutcome out = PlanFix(Measured(c.disk, c.end, c.sector));
    ASSERT_TRUE(out.plan) << out.refusal;
    const FixPlan& p = *out.plan;
    EXPECT_EQ(p.table, c.table);
    EXPECT_EQ(p.fileSystem, c.fs);
    EXPECT_EQ(p.firstByte, kMiB);
    EXPECT_EQ(p.lengthBytes, c.length);
    EXPECT_EQ(p.FirstSector(), c.firstSector);
    EXPECT_EQ(p.LastSector(), c.lastSector);
    EXPECT_LE(p.firstByte + p.lengthBytes, c.end);
    EXPECT_EQ(p.measuredBy, "probe");
    EXPECT_EQ(p.label, "VERIFIED");
  }
}

TEST(FixPlan, ASizeGivenMayOnlyMakeTheStickSmallerThanWhatWasMeasured) {
  struct Case {
    const char* name;
    std::optional<std::uint64_t> measuredEnd;
    std::optional<std::uint64_t> size, lastSector;
    std::uint64_t wantLength;  // 0: refused
    const char* refusalStart;
  };
  const std::uint64_t disk = 16 * GB;
  const Case cases[] = {
      {"nothing measured, nothing given", std::nullopt, std::nullopt, std::nullopt, 0, text::kNotMeasured},
      {"nothing measured, a size given", std::nullopt, 1 * kGiB, std::nullopt, 1 * kGiB, ""},
      {"a size within the measured end", 2 * kGiB, 1 * kGiB, std::nullopt, 1 * kGiB, ""},
      {"a size that ends exactly at it", 2 * kGiB, 2 * kGiB - kMiB, std::nullopt, 2 * kGiB - kMiB, ""},
      {"a size one byte past it", 2 * kGiB, 2 * kGiB - kMiB + 1, std::nullopt, 0, text::kPastMeasured1},
      {"a last sector at the measured end", 2 * kGiB, std::nullopt, 2 * kGiB / 512 - 1, 2 * kGiB - kMiB, ""},
      {"a last sector one past it", 2 * kGiB, std::nullopt, 2 * kGiB / 512, 0, text::kPastMeasured1},
      {"a size past the disk", std::nullopt, disk, std::nullopt, 0, text::kPastDisk},
      {"a size too small for a partition", std::nullopt, kMiB - 1, std::nullopt, 0, text::kTooSmall},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PlanInput in;
    in.diskBytes = disk;
    if (c.measuredEnd) in.measured = core::MeasuredEnd{{}, *c.measuredEnd, "full"};
    in.request.sizeBytes = c.size;
    in.request.lastSector = c.lastSector;
    const PlanOutcome out = PlanFix(in);
    if (c.wantLength == 0) {
      EXPECT_FALSE(out.plan);
      EXPECT_EQ(out.refusal.rfind(c.refusalStart, 0), 0u) << out.refusal;
      continue;
    }
    ASSERT_TRUE(out.plan) << out.refusal;
    EXPECT_EQ(out.plan->lengthBytes, c.wantLength);
    EXPECT_EQ(out.plan->measuredBy, "size");
  }
}

TEST(FixPlan, TheFileSystemAndLabelAreTheUsersWhenTheyAreValid) {
  PlanInput in = Measured(64 * GB, 60 * kGiB);
  in.request.fileSystem = "fat32";  // over 32 GiB, as asked: our own FAT32
  in.request.label = "my stick";
  PlanOutcome out = PlanFix(in);
  ASSERT_TRUE(out.plan);
  EXPECT_EQ(out.plan->fileSystem, FileSystem::Fat32);
  EXPECT_EQ(out.plan->label, "MY STICK");
  in.request.fileSystem = "ext4";
  in.request.label = "Data";
  out = PlanFix(in);
  ASSERT_TRUE(out.plan);
  EXPECT_EQ(out.plan->fileSystem, FileSystem::Ext4);
  EXPECT_EQ(out.plan->label, "Data") << "only FAT labels are in capitals";
  in.request.fileSystem = "hfs";
  EXPECT_FALSE(PlanFix(in).plan);
  in.request.fileSystem = "";
  for (const char* bad : {"TWELVE CHARS", "a/b", "x\"y"}) {
    in.request.label = bad;
    EXPECT_FALSE(PlanFix(in).plan) << bad;
  }
}

}  // namespace
}  // namespace sw::fix
