// Free space as the volume test sees it, and the "Delete Test Files" button.
#include <gtest/gtest.h>

#include <algorithm>

#include "filetest/Cleanup.h"
#include "filetest/FileTestFixture.h"

namespace sw::filetest::testing {
namespace {

const std::uint8_t kSome[4] = {1, 2, 3, 4};

TEST_F(FileTestFixture, FreeSpaceAbove4GBComesBackWhole) {
  AddStick(1, "E:", 6'000'000'000ULL + 4096);
  EXPECT_EQ(FreeDiskSpace(ctx, "E:"), 6'000'004'096.0);
}

TEST_F(FileTestFixture, FreeSpaceOfAnUnformattedVolumeIsZero) {
  AddStick(1, "E:", std::nullopt);
  EXPECT_EQ(FreeDiskSpace(ctx, "E:"), 0.0);
  EXPECT_EQ(FreeDiskSpace(ctx, "Q:"), 0.0);
}

TEST_F(FileTestFixture, CleanupDeletesTheTestFilesAndSaysSoOnOneLine) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", kSome));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "wardfile17.TMP", kSome));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE.txt", kSome));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "photo.jpg", kSome));
  win.SetText(core::Control::Text1, "report");
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.Text(core::Control::Text1),
            "report\r\nDeleting E:\\WARDFILE*.tmp files...finished.");
  std::vector<std::string> left = sim.VolumeFileNames("E:");
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{"WARDFILE.txt", "photo.jpg"}));
  EXPECT_EQ(win.yields, 1);
}

TEST_F(FileTestFixture, CleanupWithoutTestFilesDoesNothingVisible) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "photo.jpg", kSome));
  win.SetText(core::Control::Text1, "report");
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.Text(core::Control::Text1), "report");
  EXPECT_EQ(win.yields, 0);
}

TEST_F(FileTestFixture, CleanupIgnoresHiddenTestFiles) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", kSome, {.hidden = true}));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE2.tmp", kSome, {.system = true}));
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.Text(core::Control::Text1), "");
  EXPECT_EQ(sim.VolumeFileNames("E:").size(), 2u);
}

TEST_F(FileTestFixture, CleanupSaysFinishedEvenWhenAFileCannotGo) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", kSome, {.readOnly = true}));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE2.tmp", kSome));
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.Text(core::Control::Text1), "\r\nDeleting E:\\WARDFILE*.tmp files...finished.");
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE1.tmp"}));
}

TEST_F(FileTestFixture, CleanupWithoutAVolumeDoesNothing) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", kSome));
  for (const char* volume : {"", " ", "E", " E "}) {
    ctx.state.SelectedVolume = volume;
    cmdcleanup_Click(ctx);
    EXPECT_EQ(win.Text(core::Control::Text1), "") << "'" << volume << "'";
  }
  EXPECT_EQ(sim.VolumeFileNames("E:").size(), 1u);
}

}  // namespace
}  // namespace sw::filetest::testing
