// Make Usable where the system's formatter makes no FAT32 of the size (the simulator answers as
// Windows: none over 32 GB): the fix writes its own through the claimed drive and reads it back,
// on 512- and 4,096-byte sectors; at 32 GB and below the system's formatter is still asked; a
// write that fails in the middle of the FATs is named and the fix fails.
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "drives/DriveList.h"
#include "fix/FixCommand.h"
#include "fix/FixTexts.h"
#include "fix/FileSystemSize.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::fix {
namespace {

using core::Outcome;
using quicktest::kDisk;

constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t kFirstUnit = (1u << 20) / 512;

class OwnFat32Fix : public quicktest::QuickTestFixture {
 protected:
  void AddDrive(std::uint64_t bytes, std::uint32_t blockLength) {
    platform::sim::SimDriveSpec drive;
    drive.blockLength = blockLength;
    AddSelected(kDisk, "E:", bytes, drive);
    drives::Combo1_Change(ctx);
  }
  void Fix(std::uint64_t size) {
    ctx.state.Fix.sizeBytes = size;
    ctx.state.Fix.fileSystem = "fat32";
    win.answers = {win::IDOK, win::IDOK};
    cmdFix_Click(ctx);
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
  }
  void ExpectOwnFat32(std::uint32_t block) {
    AddDrive(64 * GiB, block);
    Fix(40 * GiB);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed) << win.Text(core::Control::Text1);
    EXPECT_TRUE(Reported(text::kOwnFat32));
    ASSERT_TRUE(sim.PartitionTable(kDisk));
    EXPECT_EQ(sim.PartitionTable(kDisk)->fileSystem, "") << "the system's formatter was asked";
    EXPECT_EQ(sim.PartitionTable(kDisk)->mbrType, 0x0C);
    const auto found = ReadFileSystemSize(Head(kFirstUnit));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->fileSystem, FileSystem::Fat32);
    EXPECT_EQ(found->bytes, 40 * GiB);
    EXPECT_EQ(Head(kFirstUnit + 6 * block / 512)[0], 0xEB) << "no backup boot sector";
    ASSERT_TRUE(ctx.state.LastRun.fix);
    EXPECT_EQ(ctx.state.LastRun.fix->fileSystemBytes, 40 * GiB);
  }
  bool Reported(const std::string& text) { return win.Text(core::Control::Text1).find(text) != std::string::npos; }
  std::vector<std::uint8_t> Head(std::uint64_t unit) {
    std::vector<std::uint8_t> head;
    for (std::uint64_t i = 0; i < kFileSystemHeadBytes / 512; ++i) {
      const std::vector<std::uint8_t> s = sim.PeekSector(kDisk, unit + i);
      head.insert(head.end(), s.begin(), s.end());
    }
    return head;
  }
};

TEST_F(OwnFat32Fix, OverThirtyTwoGibTheFixWritesItsOwnFat32AndReadsItBack) { ExpectOwnFat32(512); }
TEST_F(OwnFat32Fix, OverThirtyTwoGibOnA4KnDriveLikewise) { ExpectOwnFat32(4096); }

TEST_F(OwnFat32Fix, UpToThirtyTwoGbTheSystemsFormatterMakesItAndAMibMoreIsOurs) {
  // 30,517 MiB is the last whole MiB within 32,000,000,000 bytes.
  AddDrive(64 * GiB, 512);
  Fix(30517ull << 20);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_FALSE(Reported(text::kOwnFat32));
  ASSERT_TRUE(sim.PartitionTable(kDisk));
  EXPECT_EQ(sim.PartitionTable(kDisk)->fileSystem, "fat32");

  win.SetText(core::Control::Text1, "");
  Fix(30518ull << 20);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_TRUE(Reported(text::kOwnFat32));
  EXPECT_EQ(ReadFileSystemSize(Head(kFirstUnit))->bytes, 30518ull << 20);
}

TEST_F(OwnFat32Fix, AWriteThatFailsInTheFatsIsNamedAndTheFixFails) {
  AddDrive(64 * GiB, 512);
  // The first FAT starts past the 32 reserved sectors and the few that align the data; no mark
  // lies there.
  os.failWrite = [](std::int64_t s) {
    return s >= static_cast<std::int64_t>(kFirstUnit + 32) && s < static_cast<std::int64_t>(kFirstUnit + 96);
  };
  Fix(40 * GiB);
  EXPECT_NE(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_TRUE(Reported(text::kFormatFailed));
  EXPECT_TRUE(Reported("writing the first FAT at sector")) << win.Text(core::Control::Text1);
  EXPECT_FALSE(ReadFileSystemSize(Head(kFirstUnit))) << "a format cut short left a boot sector";
}

}  // namespace
}  // namespace sw::fix
