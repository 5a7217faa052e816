// The FAT32 geometry by table: the cluster size Windows picks at each size edge, FATs that hold
// every cluster and no more than a sector beyond, data aligned to the cluster, the cluster
// counts that make a volume FAT32 at all; the header bytes as the fix's own reader sees them;
// the FAT's dates.
#include <gtest/gtest.h>

#include <variant>

#include "fix/Fat32Layout.h"
#include "fix/FileSystemSize.h"
#include "platform/ByteOrder.h"

namespace sw::fix {
namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t TiB = 1ull << 40;

TEST(Fat32Layout, ClusterSizeFollowsWindowsTableAtEachEdge) {
  struct Case {
    std::uint64_t bytes;
    std::uint32_t sector;
    std::uint32_t cluster;
  } cases[] = {
      {33 * MiB, 512, 512},     {64 * MiB, 512, 512},      {64 * MiB + 1, 512, 1024},
      {128 * MiB, 512, 1024},   {128 * MiB + 1, 512, 2048}, {256 * MiB, 512, 2048},
      {256 * MiB + 1, 512, 4096}, {8 * GiB, 512, 4096},    {8 * GiB + 1, 512, 8192},
      {16 * GiB, 512, 8192},    {16 * GiB + 1, 512, 16384}, {32 * GiB, 512, 16384},
      {32 * GiB + 1, 512, 32768}, {2 * TiB, 512, 32768},
      // Never below the drive's own sector.
      {100 * MiB, 4096, 4096},  {8 * GiB + 1, 4096, 8192},
  };
  for (const Case& c : cases) EXPECT_EQ(Fat32ClusterBytes(c.bytes, c.sector), c.cluster) << c.bytes << " on " << c.sector;
}

TEST(Fat32Layout, AOneGibPartitionAtOneMibAsWorkedByHand) {
  const auto planned = PlanFat32(MiB, GiB, 512);
  ASSERT_TRUE(std::holds_alternative<Fat32Geometry>(planned));
  const auto& g = std::get<Fat32Geometry>(planned);
  EXPECT_EQ(g.sectorsPerCluster, 8u);
  EXPECT_EQ(g.reservedSectors, 32u);  // 2,048 + 32 + 2 x 2,044 is a multiple of 8 already
  EXPECT_EQ(g.fatSectors, 2044u);     // ceil((2,097,152 - 32 + 16) / (128 x 8 + 2))
  EXPECT_EQ(g.clusters, 261629u);     // (2,097,152 - 32 - 4,088) / 8
  EXPECT_EQ(g.totalSectors, 2097152u);
  EXPECT_EQ(g.hiddenSectors, 2048u);
}

TEST(Fat32Layout, EveryGeometryHoldsItsClustersAlignsItsDataAndStaysFat32) {
  const std::uint64_t sizes[] = {33 * MiB, 40 * MiB, 63 * MiB, 100 * MiB, 255 * MiB, 257 * MiB, 300 * MiB,
                                 1000 * MiB, 7629 * MiB, 8 * GiB, 15 * GiB + 7 * MiB, 31 * GiB,
                                 32 * GiB, 32 * GiB + MiB, 59 * GiB + 3 * MiB, 500 * GiB, TiB,
                                 2 * TiB - MiB};
  for (const std::uint32_t sector : {512u, 4096u}) {
    for (const std::uint64_t bytes : sizes) {
      const auto planned = PlanFat32(MiB, bytes, sector);
      if (sector == 4096 && bytes < 257 * MiB) {
        EXPECT_TRUE(std::holds_alternative<std::string>(planned)) << bytes << ": too few 4 KiB clusters for FAT32";
        continue;
      }
      ASSERT_TRUE(std::holds_alternative<Fat32Geometry>(planned)) << bytes << " on " << sector << ": " << std::get<std::string>(planned);
      const auto& g = std::get<Fat32Geometry>(planned);
      SCOPED_TRACE(::testing::Message() << bytes << " bytes on " << sector << "-byte sectors");
      const std::uint64_t entriesPerSector = sector / 4;
      const std::uint64_t needed = (std::uint64_t{g.clusters} + 2 + entriesPerSector - 1) / entriesPerSector;
      EXPECT_GE(g.fatSectors, needed) << "a FAT without an entry for every cluster";
      EXPECT_LE(g.fatSectors, needed + 1) << "a FAT larger than it needs";
      EXPECT_EQ(g.clusters, (g.totalSectors - g.FirstDataSector()) / g.sectorsPerCluster);
      EXPECT_EQ((g.hiddenSectors + g.FirstDataSector()) % g.sectorsPerCluster, 0u) << "the first cluster is not aligned";
      EXPECT_GE(g.reservedSectors, kFat32ReservedSectors);
      EXPECT_LT(g.reservedSectors, kFat32ReservedSectors + g.sectorsPerCluster);
      EXPECT_GE(g.clusters, kFat32MinClusters);
      EXPECT_LE(g.clusters, kFat32MaxClusters);
      EXPECT_LE(g.MetadataSectors() * sector, bytes);
      EXPECT_EQ(g.ClusterBytes(), std::max(Fat32ClusterBytes(bytes, sector), sector));
    }
  }
}

TEST(Fat32Layout, ClusterCountsDecideWhetherItIsFat32) {
  // 32 MiB of 512-byte clusters leave 64,496: a FAT16 to every reader. 33 MiB leave 66,512.
  EXPECT_TRUE(std::holds_alternative<std::string>(PlanFat32(MiB, 32 * MiB, 512)));
  ASSERT_TRUE(std::holds_alternative<Fat32Geometry>(PlanFat32(MiB, 33 * MiB, 512)));
  EXPECT_EQ(std::get<Fat32Geometry>(PlanFat32(MiB, 33 * MiB, 512)).clusters, 66512u);
  // Past 8 TiB of 32 KiB clusters the count would run into the reserved values: 64 KiB then.
  const auto large = PlanFat32(MiB, 10 * TiB, 4096);
  ASSERT_TRUE(std::holds_alternative<Fat32Geometry>(large));
  EXPECT_EQ(std::get<Fat32Geometry>(large).ClusterBytes(), 65536u);
  // The 32-bit sector count: 2 TiB less one sector on 512-byte sectors, 16 TiB on 4,096.
  EXPECT_TRUE(std::holds_alternative<Fat32Geometry>(PlanFat32(MiB, 2 * TiB - MiB, 512)));
  EXPECT_TRUE(std::holds_alternative<std::string>(PlanFat32(MiB, 2 * TiB, 512)));
  EXPECT_TRUE(std::holds_alternative<std::string>(PlanFat32(MiB, 16 * TiB, 4096)));
  EXPECT_TRUE(std::holds_alternative<std::string>(PlanFat32(MiB, GiB, 2048)));
  EXPECT_TRUE(std::holds_alternative<std::string>(PlanFat32(MiB + 512, GiB, 4096)));
}

TEST(Fat32Layout, TheFixReadsTheBootSectorAsAFat32OfThePartitionsSize) {
  for (const std::uint32_t sector : {512u, 4096u}) {
    const auto g = std::get<Fat32Geometry>(PlanFat32(MiB, 40 * GiB, sector));
    Fat32Identity id;
    id.label = "verified";
    std::vector<std::uint8_t> head = Fat32BootSector(g, id);
    head.resize(kFileSystemHeadBytes, 0);
    const auto found = ReadFileSystemSize(head);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->fileSystem, FileSystem::Fat32);
    EXPECT_EQ(found->bytes, 40 * GiB);
    EXPECT_EQ(std::string(head.begin() + 71, head.begin() + 82), "VERIFIED   ");
    // The sectors before the volume, in its own sectors: where Windows finds the volume on the disk.
    EXPECT_EQ(platform::le32(head, 28), MiB / sector);
    EXPECT_EQ(head[510], 0x55);
    EXPECT_EQ(head[511], 0xAA);
  }
}

TEST(Fat32Layout, FsInfoCountsEveryClusterFreeButTheRoot) {
  const auto g = std::get<Fat32Geometry>(PlanFat32(MiB, GiB, 512));
  const std::vector<std::uint8_t> info = Fat32FsInfoSector(g);
  EXPECT_EQ(platform::le32(info, 0), 0x41615252u);
  EXPECT_EQ(platform::le32(info, 484), 0x61417272u);
  EXPECT_EQ(platform::le32(info, 488), g.clusters - 1);
  EXPECT_EQ(platform::le32(info, 508), 0xAA550000u);
  const std::vector<std::uint8_t> fat = Fat32FirstFatSector(g);
  EXPECT_EQ(platform::le32(fat, 8), 0x0FFFFFFFu) << "the root directory's chain ends in its one cluster";
  EXPECT_EQ(platform::le32(fat, 12), 0u);
}

TEST(Fat32Layout, DatesAndTimesInTheFatsFields) {
  struct Case {
    std::int64_t seconds;
    std::uint16_t date;
    std::uint16_t time;
  } cases[] = {
      {1796886000, 23946, 14336},  // 2026-12-10 07:00:00
      {1709251199, 22621, 49021},  // 2024-02-29 23:59:59, the odd second dropped
      {315532800, 33, 0},          // 1980-01-01, the first day there is
      {0, 33, 0},                  // earlier: that first day
      {4354819200, 65439, 49021},  // 2108: the last moment there is
  };
  for (const Case& c : cases) {
    std::uint16_t date = 0, time = 0;
    DosDateTime(c.seconds, date, time);
    EXPECT_EQ(date, c.date) << c.seconds;
    EXPECT_EQ(time, c.time) << c.seconds;
  }
}

}  // namespace
}  // namespace sw::fix
