// Write errors quick and slow, Cancel during the write pass, and a drive pulled out mid-test:
// each ends with the right report and nothing left open or locked.
#include <algorithm>
#include <cstdint>
#include <functional>
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

// Each write the test needs is tried twice at most; one failure is a hiccup that the second
// attempt rescues (the drive passes), two are a write the drive refused (it never passes, the
// report names the write and the record carries it among its errors).
struct RefusedWriteRow {
  const char* what;
  std::function<void(testing::FaultyOs&, int& attempts)> fault;
  int attempts;             // how often the faulty transfer was tried
  Outcome outcome;
  const char* line;         // the report line that names the failure; "" for none
  bool namedInErrors;
  bool boundary = false;    // the record gives a bad range: a marker that was never written
};

std::vector<RefusedWriteRow> RefusedWriteRows() {
  const auto nth = [](std::int64_t at, std::vector<int> failing) {
    return [at, failing](testing::FaultyOs& os, int& attempts) {
      os.failWrite = [at, failing, &attempts](std::int64_t sector) {
        if (sector != at) return false;
        ++attempts;
        return std::find(failing.begin(), failing.end(), attempts) != failing.end();
      };
    };
  };
  // The opens that keep other writers out: the claim, the reopen after the wipe, the zeroing.
  const auto exclusiveOpen = [](int which) {
    return [which](testing::FaultyOs& os, int& attempts) {
      os.failPhysicalOpen = [&os, &attempts, which, seen = 0](int) mutable {
        if (os.physicalDriveShares.back() != win::FILE_SHARE_READ || ++seen != which) return false;
        ++attempts;
        return true;
      };
    };
  };
  const std::string third = std::to_string(kThirdMarker);
  static const std::string retryLine = "The second write of sector " + third + " failed as well: it counts as a bad block.";
  static const std::string edgeLine = "*** ERROR *** writing to drive at Sector " + std::to_string(kLast);
  return {
      {"N - 1 before the pass fails once: the raw retry rescues it", nth(kLast, {1}), 3, Outcome::Passed, "", false},
      {"N - 1 before the pass fails twice: named, never passed", nth(kLast, {1, 2}), 3, Outcome::Failed, edgeLine.c_str(), true},
      {"a marker's write and its retry fail: two attempts, not four", nth(kThirdMarker, {1, 2}), 2, Outcome::Failed,
       retryLine.c_str(), true, true},
      {"marker 0 after the pass fails twice: a bad block", nth(0, {2, 3}), 4, Outcome::Failed,
       "*** ERROR *** writing to drive at Sector 0", true, true},
      {"sector 0's wipe fails twice: nothing more is written", nth(0, {1, 2}), 2, Outcome::Cancelled,
       "Sector 0 could not be wiped: the drive refused the write.", true},
      {"the final zeroing fails twice", nth(0, {3, 4}), 4, Outcome::Failed,
       "Sector 0 could not be zeroed: the drive refused the write, so it may still hold a marker block.", true},
      {"the reopen after the wipe fails", exclusiveOpen(2),
       1, Outcome::Cancelled, "The drive could not be opened again after sector 0 was wiped.", true},
      {"the final reopen fails", exclusiveOpen(3),
       1, Outcome::Failed, "Sector 0 could not be zeroed: the drive refused the write, so it may still hold a marker block.",
       true},
      {"a marker's flush fails once", [](testing::FaultyOs& os, int& attempts) {
         os.failFlush = [&attempts](std::int64_t sector) { return sector == kThirdMarker && ++attempts == 1; };
       }, 2, Outcome::Passed, "WRITE ERROR: Sector = " /* the pass's first attempt is its own */, false},
      {"a marker's flush fails every time", [](testing::FaultyOs& os, int& attempts) {
         os.failFlush = [&attempts](std::int64_t sector) { return sector == kThirdMarker && ++attempts > 0; };
       }, 2, Outcome::Failed, retryLine.c_str(), true, true},
      {"a marker's writes report a sector short every time", [](testing::FaultyOs& os, int& attempts) {
         os.shortWrite = [&attempts](std::int64_t sector) { return sector == kThirdMarker && ++attempts > 0; };
       }, 2, Outcome::Failed, retryLine.c_str(), true, true},
      {"a flood write of the cache check fails twice", [](testing::FaultyOs& os, int& attempts) {
         os.failWrite = [&attempts](std::int64_t sector) { return sector == kLast - 128 && ++attempts > 0; };
       }, 2, Outcome::Failed, "1 writes of the cache check failed even when tried again: the drive refused them.", true},
      // The eviction write of the top marker: a drive half as large as the largest stride is
      // evicted from 2^18 sectors below it, far below the flood.
      {"an eviction write of the cache check fails twice", nth(kLast - (1 << 18), {1, 2}), 2, Outcome::Failed,
       "1 writes of the cache check failed even when tried again: the drive refused them.", true},
  };
}

TEST_F(FaultPath, AWriteIsTriedTwiceAtMostAndARefusedOneIsNamedAndNeverPasses) {
  for (const RefusedWriteRow& row : RefusedWriteRows()) {
    SCOPED_TRACE(row.what);
    int attempts = 0;
    testing::FaultyOs faulty(sim);
    row.fault(faulty, attempts);
    // Each write that fails still lands: the sector holds its marker, as one left by an earlier
    // run would, and only the answer says the write failed.
    faulty.failedWritesLand = true;
    testing::ScriptedWindow w;
    core::Context c{faulty, w};
    core::Hide_Cancel(c);
    c.state.SelectedVolume = "E:";
    c.state.SectorBuffer.Resize(4097);
    w.AddItem(Control::Combo1, "E:  [STICK]");
    w.SetListIndex(Control::Combo1, 0);
    w.answers = {win::IDOK, win::IDOK};
    cmdQuickTest_Click(c);
    EXPECT_EQ(attempts, row.attempts);
    EXPECT_EQ(c.state.LastOutcome, row.outcome);
    if (*row.line != 0) {
      bool found = false;
      for (const std::string& l : w.Lines()) found = found || l.rfind(row.line, 0) == 0;
      EXPECT_TRUE(found) << row.line;
    }
    bool named = false;
    for (const core::RunError& e : c.state.LastRun.errors) {
      named = named || (e.code == std::string(core::error_code::kWriteFailed) && e.message == row.line);
    }
    EXPECT_EQ(named, row.namedInErrors);
    EXPECT_EQ(!c.state.LastRun.badRanges.empty(), row.boundary);
    EXPECT_FALSE(c.state.TestRunning);
    EXPECT_EQ(c.state.hDrive, platform::kInvalidHandle);
  }
}

TEST_F(FaultPath, AMarkerThatCouldNotBeWrittenIsTheBoundaryEvenWhenItReadsBackRight) {
  os.failedWritesLand = true;
  os.failWrite = [](std::int64_t sector) { return sector == kThirdMarker; };
  Click();
  EXPECT_EQ(GetMarkerNumber(Sector(kThirdMarker)), kThirdMarker) << "the write landed, its answer was lost";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Failed);
  ASSERT_EQ(ctx.state.LastRun.badRanges.size(), 1u);
  EXPECT_EQ(ctx.state.LastRun.badRanges[0].first, static_cast<std::uint64_t>(kThirdMarker));
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
