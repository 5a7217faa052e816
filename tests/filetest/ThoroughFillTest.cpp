// How the thorough test's filling goes on or ends: a drive that destroys what it kept, writes
// that fail, files that cannot be read, files kept for another computer, whole-MiB files, and
// the words of a run that only verifies.
#include <gtest/gtest.h>

#include "filetest/Cleanup.h"
#include "filetest/H2wFormat.h"
#include "filetest/ThoroughFixture.h"

namespace sw::filetest::testing {
namespace {

using platform::sim::FileFault;

TEST_F(ThoroughTest, WrappingFakeStopsFillingOnceDataItKeptIsLost) {
  // 10 files offered, 40 MiB real, and what goes past them lands on file 1 and on: the samples
  // of places read whole before find them overwritten, and writing on would only destroy more.
  AddStick(1, "E:", 10 * kFile + 1024, FileFault::Overwrite, 40 * kMiB);
  Run();
  const int files = CountStarting("00:00:00 Writing ");
  EXPECT_GE(files, 3);  // file 3 is the first to go past the real memory
  EXPECT_LT(files, 10) << win.Text(core::Control::Text1);
  EXPECT_EQ(CountStarting("Data that had read back intact ("), 1);
  EXPECT_EQ(CountStarting("Not written (the test stopped early): "), 1);
  EXPECT_TRUE(HasLine("First overwritten sector at offset 0 holds the data written for offset " +
                      std::to_string(40 * kMiB)));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_EQ(win.boxes[1].prompt, "\r\n" + kProbablyFake);
  EXPECT_TRUE(H2wFiles().empty());
}

TEST_F(ThoroughTest, LimboFakeNeverStopsTheFillingEarly) {
  // What it drops was never kept: nothing the samples found whole goes missing later.
  AddStick(1, "E:", 10 * kFile + 1024, FileFault::Lose, 40 * kMiB);
  Run();
  EXPECT_EQ(CountStarting("00:00:00 Writing "), 10);
  EXPECT_EQ(CountStarting("Data that had read back intact ("), 0);
  EXPECT_TRUE(HasLine("Good: 40MB (81920 sectors)"));
  EXPECT_TRUE(HasLine("TEST FAILED: Only 40MB out of the 160MB tested were good."));
}

// A write the drive refuses (no volume reason) is named with its system error and the filling
// goes on with the next file, as f3write's does; three files in a row that fail end it.
TEST_F(ThoroughTest, AFailedWriteIsNamedAndTheFillingGoesOn) {
  struct Case {
    const char* what;
    int firstFailing, lastFailing;  // chunk writes that fail, counted from 1
    int filesWritten;
    std::string goodLine, verdictLine;
    bool stoppedEarly;
  };
  const Case cases[] = {
      // File 2's second chunk: 4 MiB of it went in and is read back with the others.
      {"one chunk of file 2", kChunksPerFile + 2, kChunksPerFile + 2, 6, "Good: 84MB (172032 sectors)",
       "TEST FAILED: Only 84MB out of the 84MB tested were good.", false},
      // From file 2 on, nothing goes in: files 2, 3 and 4 fail, and the run stops there.
      {"every write from file 2", kChunksPerFile + 1, 1000, 4, "Good: 16MB (32768 sectors)",
       "TEST FAILED: Only 16MB out of the 16MB tested were good.", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim.RemoveDrive(1);
    win.boxes.clear();
    AddStick(1, "E:", 6 * kFile + 1024);
    int writes = 0;
    os.writeFault = [&]() -> std::uint32_t {
      ++writes;
      return writes >= c.firstFailing && writes <= c.lastFailing ? win::ERROR_WRITE_FAULT : 0;
    };
    Run();
    EXPECT_EQ(CountStarting("00:00:00 Writing "), c.filesWritten);
    EXPECT_EQ(CountStarting("00:00:00 Writing 2.h2w: writing failed after "), 1);
    EXPECT_TRUE(HasLine("WRITE ERROR!"));
    EXPECT_GE(CountStarting("The test goes on with the next file"), 1);
    EXPECT_EQ(HasLine("Three files in a row could not be written: the test stops filling here."),
              c.stoppedEarly);
    EXPECT_TRUE(HasLine(c.goodLine)) << win.Text(core::Control::Text1);
    EXPECT_TRUE(HasLine(c.verdictLine));
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
    EXPECT_TRUE(H2wFiles().empty());
  }
}

TEST_F(ThoroughTest, AFileThatCannotBeReadIsUnreadableNotCorrupted) {
  struct Case {
    const char* what;
    bool failOpen;  // or every read of the final pass fails
  };
  for (const Case c : {Case{"open", true}, Case{"read", false}}) {
    SCOPED_TRACE(c.what);
    sim.RemoveDrive(1);
    win.boxes.clear();
    AddStick(1, "E:", 3 * kFile + 1024);
    bool finalPass = false;
    os.openFault = [&](const std::string& name) -> std::uint32_t {
      return c.failOpen && name == "E:\\2.h2w" ? win::ERROR_ACCESS_DENIED : 0;
    };
    os.readFault = [&]() -> std::uint32_t {
      if (!finalPass) finalPass = HasLine("Reading every file back... ");
      return !c.failOpen && finalPass ? win::ERROR_CRC : 0;
    };
    Run();
    const std::string sectors = c.failOpen ? "16MB (32768 sectors)" : "48MB (98304 sectors)";
    EXPECT_TRUE(HasLine("Unreadable (could not be opened or read): " + sectors))
        << win.Text(core::Control::Text1);
    EXPECT_TRUE(HasLine(c.failOpen ? "The first unreadable file is 2.h2w (system error 5)"
                                   : "The first unreadable file is 1.h2w (system error 23)"));
    EXPECT_TRUE(HasLine("Corrupted: 0MB (0 sectors)"));
    EXPECT_EQ(CountStarting("First bad byte"), 0);
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
    os.openFault = nullptr;
    os.readFault = nullptr;
  }
}

TEST_F(ThoroughTest, KeptFilesAreWholeMiBAndTheCleanUpTakesThemLater) {
  // 3 files and 5 MiB less a bit: the last file is 4 MiB, whole MiB as H2testw wants them.
  AddStick(1, "E:", 3 * kFile + 5 * kMiB - 1000);
  ctx.state.KeepTestFiles = true;
  Run();
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(HasLine("Kept the test files E:\\1.h2w to E:\\4.h2w for a check on another "
                      "computer (f3read and H2testw read them; Clean-up deletes them)."));
  ASSERT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w", "2.h2w", "3.h2w", "4.h2w"}));
  EXPECT_EQ(sim.VolumeFileSize("E:", "3.h2w"), kFile);
  EXPECT_EQ(sim.VolumeFileSize("E:", "4.h2w"), 4 * kMiB);
  // The list names them as this program's, so the clean-up takes them, with no question of
  // whose they are.
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(H2wFiles().empty());
}

TEST_F(ThoroughTest, VerifyOnlySaysWhatItDidAndRefusesANameItCannotOpen) {
  AddStick(1, "E:", 4 * kFile);
  std::vector<std::uint8_t> content(kFile);
  for (std::uint64_t n = 1; n <= 2; ++n) {
    h2w::FillSectors(content, (n - 1) * kFile);
    ASSERT_TRUE(sim.AddVolumeFile("E:", std::to_string(n) + ".h2w", content));
  }
  ctx.state.VerifyOnly = true;
  Run();
  EXPECT_TRUE(HasLine("Verifying the .h2w files on the volume: 2 .h2w files, 32MB, every byte "
                      "read and checked (nothing is written)"));
  EXPECT_EQ(CountStarting("Thorough test: "), 0);
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].prompt, "\r\nEvery byte of the .h2w files on the volume was read back intact.");
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(os.writeSizes.empty());

  // 1.h2w there but not a file to open (a folder, a link): no verdict on data never read.
  win.boxes.clear();
  os.openFault = [](const std::string& name) -> std::uint32_t {
    return name == "E:\\1.h2w" ? win::ERROR_ACCESS_DENIED : 0;
  };
  Run();
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_NE(win.boxes[0].prompt.find("E:\\1.h2w is not a file this test can read"), std::string::npos)
      << win.boxes[0].prompt;
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_EQ(H2wFiles(), (std::vector<std::string>{"1.h2w", "2.h2w"}));
}

TEST_F(ThoroughTest, ANameTakenByAFolderOrALinkIsRefusedBeforeAnythingMoves) {
  for (const bool verifyOnly : {false, true}) {
    SCOPED_TRACE(verifyOnly ? "verify only" : "writing");
    sim.RemoveDrive(1);
    win.boxes.clear();
    os.writeSizes.clear();
    AddStick(1, "E:", 3 * kFile + 1024);
    os.nonRegular = {"2.h2w"};
    ctx.state.VerifyOnly = verifyOnly;
    const int readsBefore = os.reads;
    Run();
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_NE(win.boxes[0].prompt.find("Nothing was written"), std::string::npos) << win.boxes[0].prompt;
    EXPECT_NE(win.boxes[0].prompt.find("E:\\2.h2w"), std::string::npos) << win.boxes[0].prompt;
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
    EXPECT_TRUE(os.writeSizes.empty());
    EXPECT_EQ(os.reads, readsBefore);
    EXPECT_TRUE(H2wFiles().empty());
  }
}

}  // namespace
}  // namespace sw::filetest::testing
