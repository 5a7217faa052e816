// The layout controls' bytes: the sizes and offsets a disk driver reads, and a layout read back
// that is or is not the plan.
#include <gtest/gtest.h>

#include "fix/DriveLayout.h"
#include "fix/FileSystemSize.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace sw::fix {
namespace {

using platform::le32;
using platform::le64;

FixPlan Plan(Table table, FileSystem fs) {
  FixPlan p;
  p.table = table;
  p.fileSystem = fs;
  p.lengthBytes = 2 * kGiB - kMiB;
  return p;
}

TEST(DriveLayout, MbrHasFourEntriesAndGptOneAtTheOffsetsWindowsUses) {
  TableIds ids;
  ids.signature = 0x12345678;
  ids.diskId[0] = 0xAB;
  const FixPlan mbr = Plan(Table::Mbr, FileSystem::Fat32);
  const std::vector<std::uint8_t> m = DriveLayoutBytes(mbr, ids);
  ASSERT_EQ(m.size(), 48u + 4 * 144);
  EXPECT_EQ(le32(m, 0), win::PARTITION_STYLE_MBR);
  EXPECT_EQ(le32(m, 4), 4u);
  EXPECT_EQ(le32(m, 8), 0x12345678u);
  EXPECT_EQ(le64(m, 48 + 8), kMiB);
  EXPECT_EQ(le64(m, 48 + 16), 2 * kGiB - kMiB);
  EXPECT_EQ(le32(m, 48 + 24), 1u);
  EXPECT_EQ(m[48 + 28], 1) << "rewritten";
  EXPECT_EQ(m[48 + 32], 0x0C);
  EXPECT_EQ(le32(m, 48 + 36), 2048u) << "hidden sectors: the partition's first";
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(le64(m, 48 + i * 144 + 16), 0u);
    EXPECT_EQ(m[48 + i * 144 + 28], 1) << "the empty entries are rewritten too";
  }
  const FixPlan gpt = Plan(Table::Gpt, FileSystem::ExFat);
  const std::vector<std::uint8_t> g = DriveLayoutBytes(gpt, ids);
  ASSERT_EQ(g.size(), static_cast<std::size_t>(win::kDriveLayoutOneEntrySize));
  EXPECT_EQ(le32(g, 0), win::PARTITION_STYLE_GPT);
  EXPECT_EQ(g[8], 0xAB);
  EXPECT_EQ(le32(g, 40), 128u);
  EXPECT_EQ(g[48 + 32], 0xA2) << "basic data GUID, stored byte order";
  EXPECT_EQ(g[48 + 32 + 15], 0xC7);
  const std::vector<std::uint8_t> c = CreateDiskBytes(gpt, ids);
  ASSERT_EQ(c.size(), 24u);
  EXPECT_EQ(le32(c, 0), win::PARTITION_STYLE_GPT);
  EXPECT_EQ(c[4], 0xAB);
  EXPECT_EQ(le32(c, 20), 128u);
}

TEST(DriveLayout, ALayoutReadBackMatchesOnlyThePlan) {
  const FixPlan plan = Plan(Table::Mbr, FileSystem::ExFat);
  const std::vector<std::uint8_t> bytes = DriveLayoutBytes(plan, {});
  const std::optional<ReadLayout> read = ParseDriveLayout(bytes);
  ASSERT_TRUE(read);
  EXPECT_TRUE(LayoutMatches(*read, plan));
  FixPlan other = plan;
  other.lengthBytes -= kMiB;
  EXPECT_FALSE(LayoutMatches(*read, other)) << "another length";
  other = plan;
  other.fileSystem = FileSystem::Fat32;
  EXPECT_FALSE(LayoutMatches(*read, other)) << "another type";
  other = plan;
  other.table = Table::Gpt;
  EXPECT_FALSE(LayoutMatches(*read, other)) << "another style";
  EXPECT_FALSE(ParseDriveLayout(std::span(bytes).first(100))) << "cut short";
}

TEST(FileSystemSize, EachHeaderTellsItsOwnSize) {
  std::vector<std::uint8_t> h(kFileSystemHeadBytes, 0);
  std::span<std::uint8_t> b(h);
  EXPECT_FALSE(ReadFileSystemSize(h)) << "blank";
  // exFAT: 4 KiB sectors, volume length in sectors.
  b[510] = 0x55, b[511] = 0xAA;
  std::copy_n("EXFAT   ", 8, h.begin() + 3);
  platform::PutLe64(b, 72, 1000);
  b[108] = 12;
  auto found = ReadFileSystemSize(h);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->fileSystem, FileSystem::ExFat);
  EXPECT_EQ(found->bytes, 1000u * 4096);
  b[511] = 0;
  EXPECT_FALSE(ReadFileSystemSize(h)) << "no boot signature";
  // ext4 with 64-bit block counts.
  std::fill(h.begin(), h.end(), 0);
  platform::PutLe32(b, 1024 + 4, 5);
  platform::PutLe32(b, 1024 + 24, 2);
  platform::PutLe16(b, 1024 + 56, 0xEF53);
  platform::PutLe32(b, 1024 + 0x60, 0x80);
  platform::PutLe32(b, 1024 + 0x150, 1);
  found = ReadFileSystemSize(h);
  ASSERT_TRUE(found);
  EXPECT_EQ(found->fileSystem, FileSystem::Ext4);
  EXPECT_EQ(found->bytes, ((1ull << 32) + 5) * 4096);
}

}  // namespace
}  // namespace sw::fix
