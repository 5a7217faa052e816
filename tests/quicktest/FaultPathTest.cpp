// Write errors quick and slow, Cancel during the write pass, and a drive pulled out mid-test:
// each ends with the right report and nothing left open or locked.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "quicktest/MarkerBlock.h"
#include "core/Layouts.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using core::Control;
using core::Outcome;
using platform::sim::SimDriveSpec;

// 64 cylinders: 1,028,160 sectors, markers every 51,200 sectors from 1,028,159 down to 4,159.
constexpr std::int64_t kLast = 1028159;
constexpr std::int64_t kThirdMarker = kLast - 2 * 51200;

class FaultPath : public QuickTestFixture {
 protected:
  void SetUp() override {
    core::Hide_Cancel(ctx);  // the idle layout the window starts in
    SimDriveSpec config;
    config.announcedBytes = 64 * kCylinder;
    AddStick(config, true);
    ctx.state.SelectedVolume = "E:";
    win.AddItem(Control::Combo1, "E:  [STICK]");
    win.SetListIndex(Control::Combo1, 0);
  }
  // Both confirmations answered OK, then whatever the scenario adds.
  void Click(std::deque<int> laterAnswers = {}) {
    win.answers = {win::IDOK, win::IDOK};
    win.answers.insert(win.answers.end(), laterAnswers.begin(), laterAnswers.end());
    cmdQuickTest_Click(ctx);
  }
  std::vector<std::string> BoxTitles() {
    std::vector<std::string> titles;
    for (std::size_t i = 2; i < win.boxes.size(); ++i) titles.push_back(win.boxes[i].title);
    return titles;
  }
  void ExpectIdleAfterTest() {
    EXPECT_FALSE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Enabled(Control::cmdQuickTest));
    EXPECT_FALSE(ctx.state.DebugMode);
    EXPECT_FALSE(ctx.state.TestRunning);
  }
};

TEST_F(FaultPath, QuickWriteErrorIsLoggedAndRetriedWithoutAsking) {
  int failures = 0;
  os.failedWriteMs = 500;  // not more than 500 ms: no box
  os.failWrite = [&](std::int64_t sector) { return sector == kThirdMarker && failures++ == 0; };
  Click();
  EXPECT_EQ(failures, 2) << "one failed write and one retry";
  EXPECT_EQ(CountLinesStartingWith("WRITE ERROR"), 1);
  EXPECT_EQ(LineStartingWith("WRITE ERROR"), "WRITE ERROR: Sector = " + std::to_string(kThirdMarker));
  EXPECT_EQ(GetMarkerNumber(Sector(kThirdMarker)), kThirdMarker);
  EXPECT_EQ(BoxTitles(), (std::vector<std::string>{"SIZEWARDEN", "SIZEWARDEN"}));
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  ExpectIdleAfterTest();
}

TEST_F(FaultPath, SlowWriteErrorAsksAndOkRetries) {
  int failures = 0;
  os.failedWriteMs = 501;
  os.failWrite = [&](std::int64_t sector) { return sector == kThirdMarker && failures++ == 0; };
  Click({win::IDOK});
  ASSERT_GE(win.boxes.size(), 3u);
  EXPECT_EQ(win.boxes[2].title, "WRITE ERROR CAUSING SLOW ACCESS!");
  EXPECT_EQ(win.boxes[2].style, win::MB_OKCANCEL);
  EXPECT_EQ(win.boxes[2].prompt,
            "*** WRITE ERROR *** at Sector " + std::to_string(kThirdMarker) +
                "\r\n\r\nNote: This could be caused by poor quality USB cable or bad device.\r\n\r\n"
                "Continue?");
  EXPECT_EQ(failures, 2);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  EXPECT_EQ(win.boxes.size(), 5u) << "the write-error box, then PASSED and the reformat advice";
}

TEST_F(FaultPath, SlowWriteErrorCancelAbortsTheTest) {
  os.failedWriteMs = 2000;
  os.failWrite = [&](std::int64_t sector) { return sector == kThirdMarker; };
  Click({win::IDCANCEL});
  EXPECT_EQ(win.Lines().back(), "TEST ABORTED DUE TO WRITE ERROR!");
  EXPECT_EQ(LineStartingWith("Reading back"), "");
  EXPECT_EQ(BoxTitles(), (std::vector<std::string>{"WRITE ERROR CAUSING SLOW ACCESS!"}));
  EXPECT_TRUE(AllBytes(Sector(0), 0xFF)) << "sector 0 keeps its wipe";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  ExpectIdleAfterTest();
}

TEST_F(FaultPath, EdgeMarkerWriteErrorIsOneLineWithoutRetry) {
  int writesOfLast = 0;
  os.failWrite = [&](std::int64_t sector) { return sector == kLast && ++writesOfLast == 1; };
  Click();
  EXPECT_EQ(writesOfLast, 2) << "the pass writes it again; the failed one is not retried";
  EXPECT_EQ(LineStartingWith("*** ERROR *** writing"),
            "*** ERROR *** writing to drive at Sector " + std::to_string(kLast));
  EXPECT_EQ(CountLinesStartingWith("WRITE ERROR"), 0);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
}

TEST_F(FaultPath, CancelDuringTheWritePassStopsWithoutVerdict) {
  // Yields 1 and 2 come before the volumes are locked, 3 to 6 from dismounting them; from 7 on
  // the write pass yields after each marker here (each is about 5 % of the drive).
  win.onDoEvents = [&](int yield) {
    if (yield == 9) ctx.state.CancelRequested = true;
  };
  win.shiftDown = true;
  Click();
  const std::vector<std::string> lines = win.Lines();
  EXPECT_EQ(lines.back(), "TEST ABORTED!");
  EXPECT_EQ(LineStartingWith("Reading back"), "");
  EXPECT_EQ(win.boxes.size(), 2u) << "no verdict";
  EXPECT_TRUE(AllBytes(Sector(0), 0xFF)) << "sector 0 keeps its wipe";
  EXPECT_EQ(GetMarkerNumber(Sector(kThirdMarker)), kThirdMarker) << "markers written so far stay";
  EXPECT_EQ(GetMarkerNumber(Sector(kThirdMarker - 51200)), -1) << "nothing written after Cancel";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  ExpectIdleAfterTest();
}

TEST_F(FaultPath, DrivePulledOutMidTestEndsAtTheFirstFailedWrite) {
  win.onDoEvents = [&](int yield) {
    if (yield == 9) sim.RemoveDrive(kDisk);
  };
  Click();
  // No retries, no boxes and no read-back for a drive that is gone: the run says so and ends.
  EXPECT_EQ(win.Lines().back(), "TEST ABORTED: the drive disappeared - nothing more was written.");
  EXPECT_EQ(CountLinesStartingWith("WRITE ERROR"), 0);
  EXPECT_EQ(LineStartingWith("Reading back"), "");
  EXPECT_EQ(win.boxes.size(), 2u) << "only the two questions";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  ExpectIdleAfterTest();
}

}  // namespace
}  // namespace sw::quicktest
