// The Quick Size Test button: which drives it refuses, the confirmations, and the layouts.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using core::Control;
using core::Outcome;

constexpr const char* kOldReport = "an earlier report";
// The drive summary of a 64-cylinder stick in debug mode: model padded to 31, then the bytes.
const std::string kSummary =
    "[DRIVE 1]     502.0MiB SIMTEK Flash Disk" + std::string(14, ' ') + " 526,417,920 Bytes ";

class Command : public QuickTestFixture {
 protected:
  void SetUp() override {
    core::Hide_Cancel(ctx);  // the idle layout the window starts in
    ctx.state.WindowTitle = "SIZEWARDEN v1.0.0  [Zentrel]";
    win.SetText(Control::Text1, kOldReport);
  }
  void ExpectIdle() {
    EXPECT_FALSE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Visible(Control::cmdQuickTest));
    EXPECT_TRUE(win.Enabled(Control::cmdQuickTest));
    EXPECT_FALSE(ctx.state.TestRunning);
  }
};

// The refusals (drive 0, above 80, the system disk, no usable size) are shared with the Exact
// Probe and tested for both buttons in tests/probe/ProbeCommandTest.cpp.

TEST_F(Command, AcceptsDriveEighty) {
  AddSelected(80, "K:", 16 * GB);
  win.answers = {win::IDCANCEL};
  cmdQuickTest_Click(ctx);
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].title, "Quick Size Test");
  EXPECT_EQ(ctx.state.DiskNumber, 80);
}

TEST_F(Command, CancelInEitherConfirmationLeavesTheDriveAlone) {
  // Both questions and the report name the disk in a line of their own after the specified text.
  const std::string kDevice =
      "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 526,417,920 bytes";
  for (int cancelled = 1; cancelled <= 2; ++cancelled) {
    SCOPED_TRACE(cancelled);
    AddSelected(kDisk, "E:", 64 * kCylinder);
    ctx.state.Pinned.reset();  // a new stick, picked anew
    win.boxes.clear();
    win.answers = cancelled == 1 ? std::deque<int>{win::IDCANCEL} : std::deque<int>{win::IDOK, win::IDCANCEL};
    win.shiftDown = true;
    cmdQuickTest_Click(ctx);

    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    ASSERT_EQ(win.boxes.size(), static_cast<std::size_t>(cancelled));
    EXPECT_EQ(win.boxes[0].prompt,
              "WARNING: This test will DESTROY ALL DATA on the whole drive.\r\n\r\n" + kSummary +
                  "\r\n\r\nYou will need to reformat it afterwards.\r\n\r\n" + kDevice);
    // Both questions warn, and Enter answers Cancel.
    constexpr std::uint32_t kWarnCancelFirst = win::MB_OKCANCEL | win::MB_ICONWARNING | win::MB_DEFBUTTON2;
    EXPECT_EQ(win.boxes[0].style, kWarnCancelFirst);
    if (cancelled == 2) {
      EXPECT_EQ(win.boxes[1].prompt, "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 1?\r\n\r\n" + kDevice);
      EXPECT_EQ(win.boxes[1].style, kWarnCancelFirst);
      EXPECT_EQ(win.boxes[1].title, "Quick Size Test");
    }
    // The new heading, the drive summary and the chosen entry replace the earlier report.
    const std::vector<std::string> expected = {
        "SIZEWARDEN v1.0.0  [Zentrel]",
        kSummary,
        "SWD - Quick Size Test (destructive)",
        "E:  [STICK]",
        kDevice,
    };
    EXPECT_EQ(win.Lines(), expected);
    EXPECT_TRUE(ctx.state.DebugMode) << "SHIFT was held: debug mode stays until the next click";
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
    ExpectIdle();
  }
}

TEST_F(Command, BusyLayoutWhileTheEngineRunsThenIdle) {
  AddSelected(kDisk, "E:", 64 * kCylinder);
  int checkedAt = 0;
  win.onDoEvents = [&](int yield) {
    if (checkedAt != 0) return;
    checkedAt = yield;
    EXPECT_TRUE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Enabled(Control::cmdCancel));
    EXPECT_TRUE(win.Visible(Control::cmdQuickTest)) << "in view during the test";
    EXPECT_FALSE(win.Enabled(Control::cmdQuickTest));
    EXPECT_FALSE(win.Visible(Control::cmdVolumeTest));
    EXPECT_FALSE(win.Enabled(Control::Combo1));
  };
  win.shiftDown = true;
  cmdQuickTest_Click(ctx);
  EXPECT_EQ(checkedAt, 1);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_FALSE(ctx.state.DebugMode);
  ExpectIdle();
}

}  // namespace
}  // namespace sw::quicktest
