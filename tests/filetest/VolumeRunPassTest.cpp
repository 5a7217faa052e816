// Whole volume file test runs that pass, and the ones that stop for want of space.
#include <gtest/gtest.h>

#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

using sw::testing::ShownBox;

TEST_F(VolumeRunTest, PassesWithALastFile) {
  AddStick(1, "E:", 3 * kFull + 100 * kMiB + 1024);
  // 40 s a file: at file 2, 2.5 files to write (100 s) and 3.5 to verify at a third of the pace.
  SecondsPerWrite(10);
  Run();
  ExpectLines({
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 700MB out of reported drive size of 7844.23828125MB",
      "Writing 3 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
      "00:00:40 Writing E:\\WARDFILE2.tmp, 00:02:27 remaining ",
      "00:01:20 Writing E:\\WARDFILE3.tmp, 00:01:47 remaining ",
      "Writing last file (100.MB)",
      "00:02:00 Writing E:\\WARDFILE4.tmp, 00:01:07 remaining ",
      "Verifying files 1 - 3...",
      "Verifying file 4...",
      "-----------------------",
      "TEST FINISHED",
      "700MB of filespace was tested.",
      "Test Time = 00:02:20",
      "",
      "PASSED: 700MB tested and OK.",
      "",
      "Deleting test files - please wait... Finished.",
      "",
      "Note: 700MB out of 7844MB were tested for integrity.",
      kSeemsGood,
  });
  ExpectBoxes({{Consent("700"), win::MB_OKCANCEL, "File Test"},
               {"\r\n" + kSeemsGood, win::MB_ICONINFORMATION, "SIZEWARDEN"}});
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_EQ(ctx.state.TestFileCount, 4);
  EXPECT_EQ(ctx.state.GoodFileCount, 4);
  EXPECT_EQ(ctx.state.LastFileSize, 100 * 1'048'576);
  EXPECT_EQ(os.writeSizes.size(), 3 * 4u + 2u);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
  ExpectIdleLayout();
}

TEST_F(VolumeRunTest, ExactlyTwoHundredMBIsOneFileAndNoLastFile) {
  AddStick(1, "E:", kFull);
  SecondsPerWrite(7 * 3600);  // 28 hours for the file: the test time wraps at 24 hours
  Run();
  ExpectLines({
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 200MB out of reported drive size of 7844.23828125MB",
      "Writing 1 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
      "Verifying files 1 - 1...",
      "Verifying file 2...",
      "-----------------------",
      "TEST FINISHED",
      "200MB of filespace was tested.",
      "Test Time = 04:00:00",
      "",
      "PASSED: 200MB tested and OK.",
      "",
      "Deleting test files - please wait... Finished.",
      "",
      "Note: 200MB out of 7844MB were tested for integrity.",
      kSeemsGood,
  });
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_EQ(ctx.state.LastFileSize, 0);
  EXPECT_EQ(ctx.state.TestFileCount, 1);
}

TEST_F(VolumeRunTest, TenFullFilesAndAFiftyMBLastFileMake2050MB) {
  AddStick(1, "E:", 10 * kFull + kChunk + 1024);
  Run();
  std::vector<std::string> expected = {
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 2050MB out of reported drive size of 7844.23828125MB",
      "Writing 10 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
  };
  for (int n = 2; n <= 10; ++n) {
    expected.push_back("00:00:00 Writing E:\\WARDFILE" + std::to_string(n) +
                       ".tmp, 00:00:00 remaining ");
  }
  expected.insert(expected.end(), {
                                      "Writing last file (50.MB)",
                                      "00:00:00 Writing E:\\WARDFILE11.tmp, 00:00:00 remaining ",
                                      "Verifying files 1 - 10...",
                                      "Verifying file 11...",
                                      "-----------------------",
                                      "TEST FINISHED",
                                      "2050MB of filespace was tested.",
                                      "Test Time = 00:00:00",
                                      "",
                                      "PASSED: 2050MB tested and OK.",
                                      "",
                                      "Deleting test files - please wait... Finished.",
                                      "",
                                      "Note: 2050MB out of 7844MB were tested for integrity.",
                                      kSeemsGood,
                                  });
  ExpectLines(expected);
  ExpectBoxes({{Consent("2,050"), win::MB_OKCANCEL, "File Test"},
               {"\r\n" + kSeemsGood, win::MB_ICONINFORMATION, "SIZEWARDEN"}});
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(sim.VolumeFileNames("E:").empty());
}

// "." between thousands and "," before decimals; a 524,288-byte last file is ",5" MB, and the
// 1000.5 MB tested round to the even 1000.
TEST_F(VolumeRunTest, LocaleSeparatorsAndAHalfMBLastFile) {
  sim.SetNumberFormat({".", ","});
  AddStick(1, "E:", 5 * kFull + 524'288 + 1024);
  Run();
  std::vector<std::string> expected = {
      "SWD - Volume File Test",
      "SIZEWARDEN v1.0.0  [Zentrel]",
      "",
      kDriveLine,
      "",
      "Warning: Testing 1000MB out of reported drive size of 7844.23828125MB",
      "Writing 5 x 200MB files...",
      "00:00:00 Writing E:\\WARDFILE1.tmp",
  };
  for (int n = 2; n <= 5; ++n) {
    expected.push_back("00:00:00 Writing E:\\WARDFILE" + std::to_string(n) +
                       ".tmp, 00:00:00 remaining ");
  }
  expected.insert(expected.end(), {
                                      "Writing last file (,5MB)",
                                      "00:00:00 Writing E:\\WARDFILE6.tmp, 00:00:00 remaining ",
                                      "Verifying files 1 - 5...",
                                      "Verifying file 6...",
                                      "-----------------------",
                                      "TEST FINISHED",
                                      "1000MB of filespace was tested.",
                                      "Test Time = 00:00:00",
                                      "",
                                      "PASSED: 1000MB tested and OK.",
                                      "",
                                      "Deleting test files - please wait... Finished.",
                                      "",
                                      "Note: 1000MB out of 7844MB were tested for integrity.",
                                      kSeemsGood,
                                  });
  ExpectLines(expected);
  ASSERT_FALSE(win.boxes.empty());
  EXPECT_EQ(win.boxes[0].prompt, Consent("1.000"));
  EXPECT_EQ(ctx.state.LastFileSize, 524'288);
}

// The drive itself must have a size: a stick below one cylinder, or a disk that is not on USB
// while only USB drives are listed, has none.
TEST_F(VolumeRunTest, ADriveWithoutAUsableSizeIsIncompatible) {
  platform::sim::SimDriveSpec tiny = StickSpec("E:", 4 * kFull, platform::sim::FileFault::None, 0);
  tiny.announcedBytes = 8'000'000;
  platform::sim::SimDriveSpec sata = StickSpec("F:", 4 * kFull, platform::sim::FileFault::None, 0);
  sata.busType = win::BusTypeSata;
  sim.AddDrive(1, tiny);
  sim.AddDrive(2, sata);
  for (const char* volume : {"E:", "F:"}) {
    ctx.state.SelectedVolume = volume;
    win.boxes.clear();
    Run();
    ExpectLines({"SWD - Volume File Test", "SIZEWARDEN v1.0.0  [Zentrel]", "", kDriveLine});
    ExpectBoxes({{"Incompatible drive?", win::MB_ICONCRITICAL, "SIZEWARDEN"}});
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun) << volume;
  }
  EXPECT_TRUE(os.writeSizes.empty());
}

struct NoSpaceCase {
  const char* what;
  std::optional<std::uint64_t> freeBytes;
};

class NoSpaceTest : public VolumeRunTest, public ::testing::WithParamInterface<NoSpaceCase> {};

TEST_P(NoSpaceTest, StopsWithTheNoSpareSpaceBox) {
  AddStick(1, "E:", GetParam().freeBytes);
  Run();
  ExpectLines({"SWD - Volume File Test", "SIZEWARDEN v1.0.0  [Zentrel]", "", kDriveLine});
  ExpectBoxes({{"ERROR: Drive not formatted or volume too full!", win::MB_ICONEXCLAMATION,
                "No spare space or unformatted Drive!"}});
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  EXPECT_TRUE(os.writeSizes.empty());
  EXPECT_FALSE(ctx.state.TestRunning) << "stopped before the busy layout";
}

INSTANTIATE_TEST_SUITE_P(Volumes, NoSpaceTest,
                         ::testing::Values(NoSpaceCase{"199 MB free", 199 * kMiB},
                                           NoSpaceCase{"a byte short", kFull - 1},
                                           NoSpaceCase{"unformatted", std::nullopt}));

TEST_F(VolumeRunTest, RefusesTheSystemDiskAndUnknownVolumesSilently) {
  AddStick(1, "E:", 4 * kFull);
  sim.AddCdRomLetter("D:");
  for (const char* volume : {"", "E", "C:", "D:", "Q:"}) {
    ctx.state.SelectedVolume = volume;
    win.SetText(core::Control::Text1, "previous report");
    Run();
    EXPECT_EQ(win.Text(core::Control::Text1), "previous report") << volume;
    EXPECT_TRUE(win.boxes.empty()) << volume;
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun) << volume;
  }
}

}  // namespace
}  // namespace sw::filetest::testing
