// Volume file test runs that the volume, not the drive, stops or shapes: 4,096-byte sectors, a
// read-only, a filling and a vanishing volume, and Cancel at every poll of the verification.
#include <gtest/gtest.h>

#include "filetest/VolumeRunFixture.h"
#include "filetest/VolumeTestPhases.h"

namespace sw::filetest::testing {
namespace {

using platform::sim::FileFault;

constexpr const char* kIncompleteTitle = "Test incomplete";
constexpr const char* kNoVerdict =
    "This is no sign of a fake drive: the files written before it were checked and reported.";
constexpr const char* kFullText =
    "The volume became full before the test was done (another program may be writing to it).";

class VolumeStopTest : public VolumeRunTest {
 protected:
  void AddVolume(std::uint64_t freeBytes, std::uint32_t sectorBytes, bool readOnly = false,
                 FileFault fault = FileFault::None, std::uint64_t faultAfter = 0) {
    platform::sim::SimDriveSpec stick = StickSpec("E:", freeBytes, fault, faultAfter);
    stick.volumes[0].sectorBytes = sectorBytes;
    stick.volumes[0].readOnly = readOnly;
    sim.AddDrive(1, stick);
  }

  // Fails every write from the k-th on (counted from 1) with this error.
  void FailWritesFrom(int k, std::uint32_t error) {
    os.writeFault = [this, k, error]() -> std::uint32_t {
      return static_cast<int>(os.writeSizes.size()) + 1 >= k ? error : 0;
    };
  }

  // The report's closing lines and the box of a run the volume stopped.
  void ExpectIncomplete(const std::string& tested, const std::string& good,
                        const std::string& why) {
    const std::vector<std::string> lines = Lines();
    ASSERT_GE(lines.size(), 8u);
    const std::vector<std::string> tail(lines.end() - 8, lines.end());
    EXPECT_EQ(tail, (std::vector<std::string>{
                        "", "TEST INCOMPLETE: " + good + "MB out of the " + tested +
                                "MB tested were good.",
                        "", "Deleting test files - please wait... Finished.", "", why, "",
                        kNoVerdict}));
    ASSERT_EQ(win.boxes.size(), 2u);
    EXPECT_EQ(win.boxes[1].prompt, "\r\n" + why + "\r\n\r\n" + kNoVerdict);
    EXPECT_EQ(win.boxes[1].style, win::MB_ICONEXCLAMATION);
    EXPECT_EQ(win.boxes[1].title, kIncompleteTitle);
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
    ExpectIdleLayout();
  }
};

TEST(LastFileSize, WholeSectorsOnlyWhereSectorsAreLargerThan512Bytes) {
  struct Case {
    double freeBytes;
    std::uint32_t sector;
    double size;
  };
  const Case cases[] = {
      {100'000'000 + 1024, 512, 100'000'000},  // 512-byte volume: exactly free - 1,024
      {100'000'123 + 1024, 512, 100'000'123},  // even when that is no whole sector
      {100'000'123 + 1024, 4096, 99'999'744},  // 4Kn: down to 24,414 sectors
      {3e9, 4096, 209'715'200},                // capped at a full file, already whole sectors
      {1024 + 5000, 4096, 4096},
      {1024 + 4095, 4096, 0},  // under one sector, so under 1,024 bytes after all: none
      {1024 + 1023, 512, 0},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(phases::LastFileSizeFor(c.freeBytes, c.sector), c.size)
        << c.freeBytes << " free, " << c.sector << "-byte sectors";
  }
}

TEST_F(VolumeStopTest, GenuineStickWith4096ByteSectorsPasses) {
  // Free space that leaves a last file of no whole number of 4,096-byte sectors.
  AddVolume(2 * kFull + 50 * kMiB + 1024 + 1000, 4096);
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_EQ(ctx.state.LastFileSize, 50 * 1'048'576);
  EXPECT_EQ(Lines()[Lines().size() - 2], "Note: 450MB out of 7844MB were tested for integrity.");
  for (const bool ok : os.writeResults) EXPECT_TRUE(ok);
  // Every read came in whole sectors too, or the unbuffered verification would have failed.
  EXPECT_EQ(ctx.state.GoodFileCount, 3);
}

TEST_F(VolumeStopTest, ReadOnlyVolumeSaysSoAndGivesNoVerdict) {
  AddVolume(2 * kFull, 512, true);
  Run();
  const std::string why =
      "The volume is read-only (write-protected), so the test files could not be written.";
  const std::vector<std::string> lines = Lines();
  EXPECT_EQ(lines[7], "00:00:00 Writing E:\\WARDFILE1.tmp");
  EXPECT_EQ(lines[8], "WRITE ERROR!");
  EXPECT_EQ(lines[9], why);
  ExpectIncomplete("0", "0", why);
}

TEST_F(VolumeStopTest, VolumeFilledByAnotherProgramKeepsWhatWasVerified) {
  AddVolume(4 * kFull, 512);
  FailWritesFrom(2 * 4 + 2, win::ERROR_DISK_FULL);  // the second chunk of file 3
  Run();
  EXPECT_EQ(Lines()[10], "WRITE ERROR!");
  EXPECT_EQ(Lines()[11], kFullText);
  EXPECT_EQ(ctx.state.GoodFileCount, 2);
  ExpectIncomplete("400", "400", kFullText);
}

TEST_F(VolumeStopTest, FullVolumeAtTheLastFileIsNoFakeEither) {
  AddVolume(kFull + 10 * kMiB + 1024, 512);
  FailWritesFrom(5, win::ERROR_DISK_FULL);  // the last file's only write
  Run();
  EXPECT_EQ(ctx.state.GoodFileCount, 1);
  ExpectIncomplete("210", "200", kFullText);
}

TEST_F(VolumeStopTest, FillingVolumeOfADriveThatLostDataStillFails) {
  // File 2 is lost on the flash before the volume fills up at file 3.
  AddVolume(4 * kFull, 512, false, FileFault::Lose, kFull);
  FailWritesFrom(2 * 4 + 1, win::ERROR_DISK_FULL);
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + kProbablyFake);
}

TEST_F(VolumeStopTest, VanishingVolumeSaysSoAndGivesNoVerdict) {
  AddVolume(3 * kFull, 512);
  int writes = 0;
  os.onWrite = [&] {
    if (++writes == 6) sim.RemoveDrive(1);  // pulled out during file 2
  };
  Run();
  const std::string why =
      "The volume disappeared during the test (the drive was removed or stopped answering).";
  EXPECT_EQ(Lines()[9], "WRITE ERROR!");
  EXPECT_EQ(Lines()[10], why);
  EXPECT_EQ(ctx.state.GoodFileCount, 0) << "file 1 cannot be read back any more";
  ExpectIncomplete("200", "0", why);
}

// Cancel at each yield of the verification phase, one fresh run per yield: every one ends as
// cancelled, with no verdict box and the files left for the clean-up button.
TEST_F(VolumeStopTest, CancelAtEveryVerificationPollEndsTheRunAsCancelled) {
  const platform::sim::SimDriveSpec stick =
      StickSpec("E:", 2 * kFull + 10 * kMiB + 1024, FileFault::None, 0);
  struct Machine {
    platform::sim::SimOs sim;
    sw::testing::ScriptedWindow win;
    core::Context ctx{sim, win};
    explicit Machine(const platform::sim::SimDriveSpec& drive) {
      sim.AddDrive(1, drive);
      ctx.state.SelectedVolume = "E:";
      win.AddItem(core::Control::Combo1, kDriveLine);
      win.SetListIndex(core::Control::Combo1, 0);
    }
  };
  // A clean run tells which yields belong to the verification.
  int firstVerifyYield = 0;
  int lastYield = 0;
  {
    Machine m(stick);
    m.sim.SetNow(kClock);
    m.win.onDoEvents = [&](int k) {
      const std::string text = m.win.Text(core::Control::Text1);
      const bool verifying = text.find("Verifying files") != std::string::npos &&
                             text.find("TEST FINISHED") == std::string::npos;
      if (verifying && firstVerifyYield == 0) firstVerifyYield = k;
      if (verifying) lastYield = k;
    };
    cmdVolumeTest_Click(m.ctx);
    ASSERT_EQ(m.ctx.state.LastOutcome, core::Outcome::Passed);
  }
  ASSERT_GT(firstVerifyYield, 0);
  ASSERT_GE(lastYield - firstVerifyYield, 4) << "each file yields before and inside its check";
  for (int k = firstVerifyYield; k <= lastYield; ++k) {
    Machine m(stick);
    m.win.onDoEvents = [&](int yield) {
      if (yield == k) m.ctx.state.CancelRequested = true;
    };
    cmdVolumeTest_Click(m.ctx);
    EXPECT_EQ(m.ctx.state.LastOutcome, core::Outcome::Cancelled) << "Cancel at yield " << k;
    EXPECT_EQ(m.win.Lines().back(), "TEST ABORTED (use Clean-up to delete test files)!")
        << "Cancel at yield " << k;
    EXPECT_EQ(m.win.boxes.size(), 1u) << "only the consent box, no verdict; yield " << k;
    EXPECT_EQ(m.sim.VolumeFileNames("E:").size(), 3u) << "Cancel at yield " << k;
    EXPECT_EQ(m.sim.OpenHandleCount(), 0) << "Cancel at yield " << k;
  }
}

TEST_F(VolumeStopTest, CancelDuringAnInterimCheckEndsTheRunAsCancelled) {
  AddVolume(16 * kFull, 512);
  win.onDoEvents = [&](int) {
    const std::string text = win.Text(core::Control::Text1);
    if (text.size() > 12 && text.compare(text.size() - 12, 12, " Checking...") == 0) {
      ctx.state.CancelRequested = true;
    }
  };
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
  EXPECT_EQ(Lines().back(), "TEST ABORTED (test files may be present)!");
  EXPECT_EQ(win.boxes.size(), 1u);
}

}  // namespace
}  // namespace sw::filetest::testing
