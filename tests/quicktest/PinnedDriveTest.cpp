// The confirmed drive and no other: a simulated stick swapped for another of the same make and
// size, or unplugged, at the questions and at each open of the test, ends the run before
// anything more is written, says why, and leaves nothing open or locked.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "diskio/IdentityTexts.h"
#include "drives/DriveList.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using core::Control;
using core::Outcome;
using platform::sim::SimDriveSpec;

const std::string kDrivePath = "\\\\.\\PhysicalDrive1";

enum class Act { Swap, Unplug };

class PinnedDrive : public QuickTestFixture {
 protected:
  void SetUp() override {
    core::Hide_Cancel(ctx);
    SimDriveSpec config;
    config.announcedBytes = 64 * kCylinder;
    AddStick(config, true);
    win.AddItem(Control::Combo1, "E:  [STICK]");
    win.SetListIndex(Control::Combo1, 0);
    drives::Combo1_Change(ctx);  // the user's pick
  }
  void Do(Act act) {
    writesAtAct = sim.Stats().sectorWrites;
    acted = true;
    if (act == Act::Swap) {
      sim.SwapDrive(kDisk);
    } else {
      sim.RemoveDrive(kDisk);
    }
  }
  void Click() {
    win.answers = {win::IDOK, win::IDOK};
    cmdQuickTest_Click(ctx);
  }
  static std::string LineFor(Act act) {
    return act == Act::Swap ? diskio::text::kDriveChanged : diskio::text::kDriveGone;
  }
  void ExpectAbortedWithNothingWrittenAfter(Act act) {
    ASSERT_TRUE(acted);
    EXPECT_EQ(win.Lines().back(), LineFor(act));
    EXPECT_EQ(sim.Stats().sectorWrites, writesAtAct) << "a sector was written after the drive changed";
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
    for (const auto& box : win.boxes) {
      EXPECT_EQ(box.title, "Quick Size Test") << "no verdict for a drive that is not there";
    }
    EXPECT_FALSE(ctx.state.TestRunning);
    EXPECT_FALSE(win.Visible(Control::cmdCancel));
  }
  std::uint64_t writesAtAct = 0;
  bool acted = false;
};

// Opens of the drive once the test runs: 1 the check before locking, 2 the open that wipes
// sector 0, 3 the reopen for the markers, 4 the open that zeroes sector 0 at the end.
struct OpenRow {
  int open;
  Act act;
};

class PinnedDriveAtOpen : public PinnedDrive, public ::testing::WithParamInterface<OpenRow> {};

TEST_P(PinnedDriveAtOpen, EndsTheRunBeforeAnotherByteIsWritten) {
  const OpenRow row = GetParam();
  int opens = 0;
  sim.BeforeOpen([&](const std::string& name) {
    if (!ctx.state.TestRunning || name != kDrivePath || acted) return;
    if (++opens == row.open) Do(row.act);
  });
  Click();
  ExpectAbortedWithNothingWrittenAfter(row.act);
  sim.BeforeOpen(nullptr);
}

INSTANTIATE_TEST_SUITE_P(EachOpen, PinnedDriveAtOpen,
                         ::testing::Values(OpenRow{1, Act::Swap}, OpenRow{2, Act::Swap},
                                           OpenRow{3, Act::Swap}, OpenRow{4, Act::Swap},
                                           OpenRow{1, Act::Unplug}, OpenRow{2, Act::Unplug},
                                           OpenRow{3, Act::Unplug}, OpenRow{4, Act::Unplug}));

TEST_F(PinnedDrive, SwapAtEitherQuestionWritesNothing) {
  for (std::size_t box : {0u, 1u}) {
    SCOPED_TRACE(box);
    acted = false;
    win.boxes.clear();
    win.onMsgBox = [&](const testing::ShownBox&) {
      if (win.boxes.size() == box + 1 && !acted) Do(Act::Swap);
    };
    Click();
    ExpectAbortedWithNothingWrittenAfter(Act::Swap);
    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    // The next round starts from a pick of the stick now plugged in.
    drives::Combo1_Change(ctx);
  }
  win.onMsgBox = nullptr;
}

TEST_F(PinnedDrive, AStickSwappedBetweenThePickAndTheClickIsNotTouched) {
  Do(Act::Swap);
  Click();
  EXPECT_EQ(win.Lines().back(), diskio::text::kDriveChanged);
  EXPECT_TRUE(win.boxes.empty()) << "no question about a drive the user did not pick";
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
}

TEST_F(PinnedDrive, ALetterThatMovedToAnotherDiskIsNotFollowed) {
  // Drive 1 goes; a stick of the same make comes in as drive 2 and takes the letter E:.
  SimDriveSpec other;
  other.announcedBytes = 64 * kCylinder;
  platform::sim::SimVolumeSpec e;
  e.letter = "E:";
  other.volumes.push_back(e);
  sim.RemoveDrive(kDisk);
  sim.AddDrive(2, other);
  sim.AddCdRomLetter("D:");
  Click();
  EXPECT_EQ(win.Lines().back(), diskio::text::kDriveChanged);
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
}

TEST_F(PinnedDrive, QuestionsAndReportNameTheDisk) {
  win.answers = {win::IDOK, win::IDCANCEL};
  cmdQuickTest_Click(ctx);
  const std::string device =
      "Device: drive 1 (E: F:): SIMTEK Flash Disk, serial SIM0000001, 526,417,920 bytes";
  ASSERT_EQ(win.boxes.size(), 2u);
  for (const auto& box : win.boxes) {
    EXPECT_TRUE(box.prompt.ends_with("\r\n\r\n" + device)) << box.prompt;
  }
  EXPECT_TRUE(win.boxes[1].prompt.starts_with("ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 1?"));
  EXPECT_EQ(LineStartingWith("Device: "), device);
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
}

TEST_F(PinnedDrive, TheSameStickPassesEveryCheck) {
  Click();
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_EQ(ctx.state.IdentityLost, core::IdentityCheck::Same);
}

}  // namespace
}  // namespace sw::quicktest
