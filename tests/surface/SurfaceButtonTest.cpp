// The Full Surface Test command on the window seam: a disk swapped at a question or just before
// the first write is not touched, a disk still mounted or held is refused, and every way out
// releases the drive.
#include <deque>
#include <string>
#include <tuple>

#include <gtest/gtest.h>

#include "diskio/IdentityTexts.h"
#include "drives/DriveList.h"
#include "quicktest/QuickTestFixture.h"
#include "surface/SurfaceCommand.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface {
namespace {

using core::Outcome;
using quicktest::kCylinder;
using quicktest::kDisk;

class SurfaceButton : public quicktest::QuickTestFixture {
 protected:
  void Click(std::deque<int> answers = {win::IDOK, win::IDOK}) {
    win.answers = std::move(answers);
    cmdSurface_Click(ctx);
  }
};

TEST_F(SurfaceButton, ADriveSwappedAtAQuestionOrBeforeTheFirstWriteIsNotTouched) {
  AddSelected(kDisk, "E:", 8 * kCylinder);
  drives::Combo1_Change(ctx);
  // At the first question, at the second, and after both (at the yield before the first write).
  for (int at : {1, 2, 3}) {
    SCOPED_TRACE(at);
    bool swapped = false;
    win.boxes.clear();
    const auto swap = [&] {
      if (!swapped && static_cast<int>(win.boxes.size()) == std::min(at, 2)) {
        sim.SwapDrive(kDisk);
        swapped = true;
      }
    };
    win.onMsgBox = [&](const testing::ShownBox&) {
      if (at < 3) swap();
    };
    win.onDoEvents = [&](int) {
      if (at == 3) swap();
    };
    const std::uint64_t writesBefore = sim.Stats().sectorWrites;
    Click();
    ASSERT_TRUE(swapped);
    EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled) << "aborted: exit status 3";
    EXPECT_NE(win.Text(core::Control::Text1).find(diskio::text::kDriveChanged), std::string::npos)
        << win.Text(core::Control::Text1);
    EXPECT_EQ(win.Text(core::Control::Text1).find("Sectors read back"), std::string::npos);
    EXPECT_FALSE(ctx.state.TestRunning);
    drives::Combo1_Change(ctx);  // the next round picks the stick now plugged in
  }
  win.onMsgBox = nullptr;
  win.onDoEvents = nullptr;
}

TEST_F(SurfaceButton, ADiskStillMountedOrHeldIsRefusedBeforeTheFirstWrite) {
  for (const bool held : {false, true}) {
    SCOPED_TRACE(held);
    os.heldByAnother = held;
    os.mounts.clear();
    if (!held) os.mounts = {{"/dev/sdb1", "/media/me/STICK", {"4242 (bash)"}}};
    if (sim.LogicalDrives().size() < 2) AddSelected(kDisk, "E:", 8 * kCylinder);
    win.boxes.clear();
    Click();
    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
    EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Refused);
    ASSERT_EQ(win.boxes.size(), 3u);
    EXPECT_NE(win.boxes[2].prompt.find("Nothing was written"), std::string::npos) << win.boxes[2].prompt;
  }
}

TEST_F(SurfaceButton, CancelInEitherQuestionLeavesTheDriveAlone) {
  AddSelected(kDisk, "E:", 8 * kCylinder);
  for (const std::deque<int>& answers : {std::deque<int>{win::IDCANCEL}, std::deque<int>{win::IDOK, win::IDCANCEL}}) {
    win.boxes.clear();
    Click(answers);
    EXPECT_EQ(win.boxes.size(), answers.size());
    EXPECT_EQ(win.boxes[0].title, text::kTitle);
    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
  }
}

// A whole run, passed and failed: the record says what the report says.
TEST_F(SurfaceButton, TheRecordHoldsTheFindings) {
  platform::sim::SimDriveSpec fake;
  fake.realBytes = 4 * kCylinder;
  fake.kind = platform::sim::FakeKind::Follow;
  AddSelected(kDisk, "E:", 8 * kCylinder, fake);
  Click();
  const core::RunRecord& r = ctx.state.LastRun;
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Failed);
  EXPECT_EQ(r.command, "full");
  EXPECT_EQ(r.verdict, core::Verdict::Failed);
  const std::uint64_t realSectors = 4 * kCylinder / 512;
  ASSERT_TRUE(r.lastGoodSector.has_value());
  EXPECT_EQ(*r.lastGoodSector, realSectors - 1);
  EXPECT_EQ(r.realBytes, 4 * kCylinder);
  EXPECT_EQ(r.recommendedBytes, (4 * kCylinder / (1 << 20) - 1) * (1 << 20));
  ASSERT_EQ(r.badRanges.size(), 1u);
  EXPECT_EQ(r.badRanges[0].first, realSectors);
  EXPECT_FALSE(r.cells.empty());
  bool wrote = false, read = false;
  for (const core::PhaseRecord& p : r.phases) {
    wrote = wrote || (p.name == text::kPhaseWrite && p.direction == core::Direction::Write && p.bytes > 0);
    read = read || (p.name == text::kPhaseRead && p.direction == core::Direction::Read && p.bytes > 0);
  }
  EXPECT_TRUE(wrote && read);
  EXPECT_FALSE(ctx.state.TestRunning);
}

// The whole drive as the device reports it, past the last whole cylinder: a fake that lacks only
// that tail fails, a genuine drive passes to its very last sector; on 4Kn drives as well.
class SurfaceTail : public SurfaceButton, public ::testing::WithParamInterface<std::tuple<std::uint32_t, bool>> {};

TEST_P(SurfaceTail, CoversTheDriveToItsLastSectorPastTheLastWholeCylinder) {
  const auto [block, genuine] = GetParam();
  // 300 sectors past the last whole cylinder, cut to whole sectors of the drive's own.
  const std::uint64_t announced = (8 * kCylinder + 300 * 512) / block * block;
  platform::sim::SimDriveSpec config;
  config.kind = genuine ? platform::sim::FakeKind::Good : platform::sim::FakeKind::Limbo;
  config.realBytes = genuine ? 0 : 8 * kCylinder / block * block;
  config.blockLength = block;
  AddSelected(kDisk, "E:", announced, config);
  Click();
  EXPECT_EQ(ctx.state.LastOutcome, genuine ? Outcome::Passed : Outcome::Failed);
  ASSERT_TRUE(ctx.state.LastRun.lastGoodSector.has_value());
  EXPECT_EQ(*ctx.state.LastRun.lastGoodSector, (genuine ? announced : config.realBytes) / 512 - 1);
  EXPECT_EQ(ctx.state.LastRun.totalSectors, announced / 512);
}

INSTANTIATE_TEST_SUITE_P(GenuineAndLackingItsTail, SurfaceTail,
                         ::testing::Combine(::testing::Values(512u, 4096u), ::testing::Bool()));

}  // namespace
}  // namespace sw::surface
