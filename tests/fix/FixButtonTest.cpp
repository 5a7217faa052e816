// The Make Usable command on the window seam, on simulated fakes: the layout and file system the
// drive was given after a probe, and every refusal (nothing measured, another disk, a mount), a
// wrap fake caught by the marks before the table, a formatter that fails.
#include <deque>
#include <functional>
#include <span>
#include <vector>
#include <string>

#include <gtest/gtest.h>

#include "drives/DriveList.h"
#include "fix/FixCommand.h"
#include "fix/FixTexts.h"
#include "fix/MeasuredEnd.h"
#include "platform/ByteOrder.h"
#include "probe/ProbeCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::fix {
namespace {

using core::Outcome;
using platform::sim::SimDriveSpec;
using quicktest::kDisk;

constexpr std::uint64_t kAnnounced = 1ull << 30;
constexpr std::uint64_t kReal = 256ull << 20;

class FixButton : public quicktest::QuickTestFixture {
 protected:
  void AddFake(platform::sim::FakeKind kind, std::uint32_t blockLength = 512) {
    SimDriveSpec fake;
    fake.kind = kind;
    fake.realBytes = kind == platform::sim::FakeKind::Good ? 0 : kReal;
    fake.blockLength = blockLength;
    AddSelected(kDisk, "E:", kAnnounced, fake);
    drives::Combo1_Change(ctx);
  }
  void Probe() {
    win.answers = {win::IDOK, win::IDOK};
    probe::cmdProbe_Click(ctx);
    NoteMeasuredEnd(ctx);
    ASSERT_EQ(ctx.state.LastOutcome, Outcome::Failed);
  }
  void Fix(std::deque<int> answers = {win::IDOK, win::IDOK}) {
    win.answers = std::move(answers);
    win.boxes.clear();
    cmdFix_Click(ctx);
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
    EXPECT_FALSE(ctx.state.TestRunning);
  }
  bool Reported(const std::string& text) { return win.Text(core::Control::Text1).find(text) != std::string::npos; }
};

TEST_F(FixButton, ALimboFakeAfterAProbeGetsOnePartitionToItsRealEndFormattedAndReadBack) {
  AddFake(platform::sim::FakeKind::Limbo);
  Probe();
  Fix();
  const auto table = sim.PartitionTable(kDisk);
  ASSERT_TRUE(table);
  EXPECT_EQ(table->style, win::PARTITION_STYLE_MBR);
  EXPECT_EQ(table->creates, 1u);
  EXPECT_EQ(table->startingOffset, 1u << 20);
  EXPECT_EQ(table->length, kReal - (1u << 20));
  EXPECT_EQ(table->mbrType, 0x0C);
  EXPECT_EQ(table->fileSystem, "fat32");
  EXPECT_EQ(table->label, "VERIFIED");
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  const core::RunRecord& r = ctx.state.LastRun;
  EXPECT_EQ(r.command, "fix");
  EXPECT_EQ(r.verdict, core::Verdict::Passed);
  ASSERT_TRUE(r.fix);
  EXPECT_EQ(r.fix->firstSector, 2048u);
  EXPECT_EQ(r.fix->lastSector, kReal / 512 - 1);
  EXPECT_EQ(r.fix->fileSystemBytes, kReal - (1u << 20));
  EXPECT_EQ(r.fix->measuredBy, "probe");
  // The first question names the size the stick will have.
  ASSERT_GE(win.boxes.size(), 3u);
  EXPECT_NE(win.boxes[0].prompt.find("255.0MiB"), std::string::npos) << win.boxes[0].prompt;
  EXPECT_NE(win.boxes[0].prompt.find("SIM0000001"), std::string::npos);
  EXPECT_NE(win.boxes[1].prompt.find("ERASE ALL VOLUMES ON DRIVE 1"), std::string::npos);
  EXPECT_TRUE(Reported(text::kTableReadBack));
  EXPECT_TRUE(Reported(text::kLastSectorKept));
  EXPECT_TRUE(Reported(text::kDone));
  // The MBR is on the drive itself: one FAT32 entry from sector 2048.
  const std::vector<std::uint8_t> mbr = Sector(0);
  EXPECT_EQ(mbr[446 + 4], 0x0C);
  EXPECT_EQ(platform::le32(mbr, 446 + 8), 2048u);
}

TEST_F(FixButton, NothingIsWrittenWithoutAnEndMeasuredOnThisVeryDiskOrAnsweredYes) {
  AddFake(platform::sim::FakeKind::Limbo);
  // Nothing measured in this run.
  Fix();
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
  EXPECT_FALSE(sim.PartitionTable(kDisk));
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Refused);
  EXPECT_TRUE(Reported(text::kNotMeasured));
  // Measured, then the stick swapped for another of the same make: its end is not known.
  Probe();
  sim.SwapDrive(kDisk);
  drives::Combo1_Change(ctx);
  const std::uint64_t writes = sim.Stats().sectorWrites;
  Fix();
  EXPECT_EQ(sim.Stats().sectorWrites, writes);
  EXPECT_FALSE(sim.PartitionTable(kDisk));
  EXPECT_TRUE(Reported(text::kNotMeasured));
  // Measured, and a size asked for past the measured end.
  Probe();
  ctx.state.Fix.sizeBytes = kReal;
  const std::uint64_t measured = sim.Stats().sectorWrites;
  Fix();
  EXPECT_EQ(sim.Stats().sectorWrites, measured);
  EXPECT_TRUE(Reported(text::kPastMeasured1));
  ctx.state.Fix.sizeBytes.reset();
  // Measured, but Cancel at the second question.
  const std::uint64_t before = sim.Stats().sectorWrites;
  Fix({win::IDOK, win::IDCANCEL});
  EXPECT_EQ(sim.Stats().sectorWrites, before);
  EXPECT_FALSE(sim.PartitionTable(kDisk));
}

TEST_F(FixButton, AStillMountedVolumeIsRefusedBeforeTheFirstWrite) {
  AddFake(platform::sim::FakeKind::Limbo);
  Probe();
  os.mounts = {{"/dev/sdb1", "/media/me/STICK", {"4242 (bash)"}}};
  const std::uint64_t writes = sim.Stats().sectorWrites;
  Fix();
  EXPECT_EQ(sim.Stats().sectorWrites, writes);
  EXPECT_FALSE(sim.PartitionTable(kDisk));
  EXPECT_NE(ctx.state.LastOutcome, Outcome::Passed);
}

TEST_F(FixButton, ASizeGivenPastAWrapFakesMemoryIsCaughtByTheMarksBeforeTheTable) {
  AddFake(platform::sim::FakeKind::Wraparound);
  ctx.state.Fix.sizeBytes = 512ull << 20;  // twice the real memory, nothing measured
  Fix();
  EXPECT_FALSE(sim.PartitionTable(kDisk)) << "no table on a drive whose partition would not hold";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Failed);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Failed);
  EXPECT_TRUE(Reported(text::kMarkFailed));
  // Within the real memory the same fake is made usable.
  ctx.state.Fix.sizeBytes = 128ull << 20;
  Fix();
  ASSERT_TRUE(sim.PartitionTable(kDisk));
  EXPECT_EQ(sim.PartitionTable(kDisk)->length, 128ull << 20);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_EQ(ctx.state.LastRun.fix->measuredBy, "size");
}

TEST_F(FixButton, A4KnDriveCountsItsPartitionInItsOwnSectorsAndAFailedFormatterIsNamed) {
  AddFake(platform::sim::FakeKind::Good, 4096);
  ctx.state.Fix.sizeBytes = 64ull << 20;
  ctx.state.Fix.fileSystem = "exfat";
  Fix();
  ASSERT_TRUE(ctx.state.LastRun.fix);
  EXPECT_EQ(ctx.state.LastRun.fix->sectorBytes, 4096u);
  EXPECT_EQ(ctx.state.LastRun.fix->firstSector, 256u);
  EXPECT_EQ(ctx.state.LastRun.fix->lastSector, (65ull << 20) / 4096 - 1);
  EXPECT_EQ(ctx.state.LastRun.fix->fileSystemBytes, 64ull << 20);
  EXPECT_EQ(sim.PartitionTable(kDisk)->mbrType, 0x07);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  sim.FailFormat(kDisk, "mkfs.exfat not found: install exfatprogs");
  Fix();
  EXPECT_TRUE(Reported("mkfs.exfat not found: install exfatprogs"));
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Aborted);
  EXPECT_NE(ctx.state.LastOutcome, Outcome::Passed);
}

// Each read-back can fail the fix: the table, the file system's size, the last sector; a layout
// control that fails is named.
TEST_F(FixButton, EveryReadBackCanFailTheFix) {
  AddFake(platform::sim::FakeKind::Good);
  ctx.state.Fix.sizeBytes = 64ull << 20;
  const std::int64_t last = (65ll << 20) / 512 - 1;
  struct Case {
    const char* name;
    std::function<void()> fault;
    const char* line;
    core::Verdict verdict;
  };
  const auto rewriteLast = [this, last] {
    const platform::Handle h = sim.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    std::vector<std::uint8_t> other(512, 0x5A);
    std::uint32_t done = 0;
    EXPECT_TRUE(sim.SetFilePointerEx(h, last * 512, nullptr, win::FILE_BEGIN));
    EXPECT_TRUE(sim.WriteFile(h, other, done));
    sim.CloseHandle(h);
  };
  const Case cases[] = {
      {"a table read back with another length",
       [this] {
         os.afterControl = [](std::uint32_t code, std::span<std::uint8_t> out) {
           if (code == win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX) out[48 + 17] ^= 1;
           return true;
         };
       },
       text::kTableWrong, core::Verdict::Failed},
      {"a file system header that says more than the partition",
       [this] {
         os.afterFormat = [this] {
           const platform::Handle h = sim.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE,
                                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
           std::vector<std::uint8_t> boot(512);
           std::uint32_t done = 0;
           sim.SetFilePointerEx(h, 2048 * 512, nullptr, win::FILE_BEGIN);
           sim.ReadFile(h, boot, done);
           platform::PutLe32(boot, 32, platform::le32(boot, 32) + 2048);  // 1 MiB more sectors
           sim.SetFilePointerEx(h, 2048 * 512, nullptr, win::FILE_BEGIN);
           sim.WriteFile(h, boot, done);
           sim.CloseHandle(h);
         };
       },
       text::kSizeWrong, core::Verdict::Failed},
      {"a last sector that holds something else after the format",
       [this, rewriteLast] { os.afterFormat = rewriteLast; }, text::kLastSectorLost, core::Verdict::Failed},
      {"CREATE_DISK refused",
       [this] {
         os.afterControl = [](std::uint32_t code, std::span<std::uint8_t>) { return code != win::IOCTL_DISK_CREATE_DISK; };
       },
       "IOCTL_DISK_CREATE_DISK", core::Verdict::Aborted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    os.afterControl = nullptr;
    os.afterFormat = nullptr;
    c.fault();
    Fix();
    EXPECT_TRUE(Reported(c.line)) << win.Text(core::Control::Text1);
    EXPECT_EQ(ctx.state.LastRun.verdict, c.verdict);
    EXPECT_NE(ctx.state.LastOutcome, Outcome::Passed);
  }
  os.afterControl = nullptr;
  os.afterFormat = nullptr;
}

// The table reaches the stick before the formatter opens its partition: the flush comes between
// the layout and the format, and one that fails ends the fix with its words, unformatted.
TEST_F(FixButton, TheTableIsFlushedBeforeTheFormatAndAFailedFlushEndsTheFix) {
  AddFake(platform::sim::FakeKind::Good);
  ctx.state.Fix.sizeBytes = 64ull << 20;
  std::vector<std::string> steps;
  bool tableWritten = false;
  bool failTableFlush = false;
  os.afterControl = [&](std::uint32_t code, std::span<std::uint8_t>) {
    if (code == win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX) {
      steps.push_back("layout");
      tableWritten = true;
    }
    return true;
  };
  // The marks' own flushes come before the table and are not this test's.
  os.failFlush = [&](std::int64_t) {
    if (!tableWritten) return false;
    steps.push_back("flush");
    return failTableFlush;
  };
  os.afterFormat = [&] {
    steps.push_back("format");
    tableWritten = false;
  };
  Fix();
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed) << win.Text(core::Control::Text1);
  EXPECT_EQ(steps, (std::vector<std::string>{"layout", "flush", "format"}));

  steps.clear();
  tableWritten = false;
  failTableFlush = true;
  Fix();
  EXPECT_EQ(steps, (std::vector<std::string>{"layout", "flush"})) << "formatted after a failed flush";
  EXPECT_TRUE(Reported(std::string(text::kTableFailed) + "flush (error " + std::to_string(win::ERROR_IO_DEVICE) + ")"))
      << win.Text(core::Control::Text1);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Aborted);
  EXPECT_NE(ctx.state.LastOutcome, Outcome::Passed);
  ASSERT_TRUE(sim.PartitionTable(kDisk));
  EXPECT_EQ(sim.PartitionTable(kDisk)->fileSystem, "");
  os.afterControl = nullptr;
  os.failFlush = nullptr;
  os.afterFormat = nullptr;
}

// An exact end is never replaced by a quick test's recommended size of the same disk; a later
// exact one replaces it.
TEST_F(FixButton, AQuickTestsSizeNeverReplacesAnExactEnd) {
  AddFake(platform::sim::FakeKind::Limbo);
  Probe();
  ASSERT_EQ(ctx.state.MeasuredEnds.size(), 1u);
  EXPECT_EQ(ctx.state.MeasuredEnds[0].endBytes, kReal);
  core::RunRecord quick;
  quick.command = "quick";
  quick.verdict = core::Verdict::Failed;
  quick.recommendedBytes = kReal / 2;
  ctx.state.LastRun = quick;
  NoteMeasuredEnd(ctx);
  ASSERT_EQ(ctx.state.MeasuredEnds.size(), 1u);
  EXPECT_EQ(ctx.state.MeasuredEnds[0].command, "probe");
  EXPECT_EQ(ctx.state.MeasuredEnds[0].endBytes, kReal);
  core::RunRecord full = quick;
  full.command = "full";
  full.realBytes = kReal / 4;
  ctx.state.LastRun = full;
  NoteMeasuredEnd(ctx);
  EXPECT_EQ(ctx.state.MeasuredEnds[0].command, "full");
  EXPECT_EQ(ctx.state.MeasuredEnds[0].endBytes, kReal / 4);
  // A cancelled test measured nothing and forgets nothing.
  full.verdict = core::Verdict::Cancelled;
  full.realBytes = 1;
  ctx.state.LastRun = full;
  NoteMeasuredEnd(ctx);
  EXPECT_EQ(ctx.state.MeasuredEnds[0].endBytes, kReal / 4);
}

TEST_F(FixButton, EveryFileSystemReadsItsOwnSizeBack) {
  AddFake(platform::sim::FakeKind::Good);
  for (const char* fs : {"fat32", "exfat", "ntfs", "ext4"}) {
    SCOPED_TRACE(fs);
    ctx.state.Fix.sizeBytes = 100ull << 20;
    ctx.state.Fix.fileSystem = fs;
    Fix();
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed) << win.Text(core::Control::Text1);
    EXPECT_EQ(sim.PartitionTable(kDisk)->fileSystem, fs);
  }
}

}  // namespace
}  // namespace sw::fix
