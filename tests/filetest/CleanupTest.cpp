// Free space as the volume test sees it, and the "Delete Test Files" button: it asks first, and
// deletes only the files this program wrote.
#include <gtest/gtest.h>

#include <algorithm>

#include "diskio/PinnedDrive.h"
#include "diskio/RunClaim.h"
#include "filetest/Cleanup.h"
#include "filetest/FileTestFixture.h"
#include "filetest/H2wFormat.h"
#include "filetest/H2wLedger.h"
#include "platform/WinApi.h"

namespace sw::filetest::testing {
namespace {

const std::uint8_t kSome[4] = {1, 2, 3, 4};

// The first bytes of test file n as the writer makes them, then some pattern.
std::vector<std::uint8_t> OurFile(std::uint32_t n) {
  // Filled in place: mingw's optimiser warns falsely on a resize after an initialiser list.
  std::vector<std::uint8_t> bytes(4096, 0xA5);
  for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(n >> (8 * i));
  bytes[4] = bytes[5] = bytes[6] = 'F';
  bytes[7] = 0x0D;
  bytes[8] = 0x0A;
  return bytes;
}

// Two sectors of .h2w file n of 1 GiB files.
std::vector<std::uint8_t> H2wFile(std::uint64_t n) {
  std::vector<std::uint8_t> bytes(1024);
  h2w::FillSectors(bytes, (n - 1) * h2w::kFileBytes);
  return bytes;
}

std::vector<std::string> Left(platform::sim::SimOs& sim) {
  std::vector<std::string> left = sim.VolumeFileNames("E:");
  std::sort(left.begin(), left.end());
  return left;
}

TEST_F(FileTestFixture, FreeSpaceAbove4GBComesBackWhole) {
  AddStick(1, "E:", 6'000'000'000ULL + 4096);
  EXPECT_EQ(FreeDiskSpace(ctx, "E:"), 6'000'004'096.0);
}

TEST_F(FileTestFixture, FreeSpaceOfAnUnformattedVolumeIsZero) {
  AddStick(1, "E:", std::nullopt);
  EXPECT_EQ(FreeDiskSpace(ctx, "E:"), 0.0);
  EXPECT_EQ(FreeDiskSpace(ctx, "Q:"), 0.0);
}

TEST_F(FileTestFixture, CleanupAsksThenDeletesOnlyTheFilesThisProgramWrote) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", OurFile(1)));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "wardfile17.TMP", OurFile(17)));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE3.tmp", {}));           // created, then the run ended
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE2.tmp", kSome));        // someone else's
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE4.tmp", OurFile(5)));   // a header, of another number
  std::vector<std::uint8_t> almost = OurFile(5);
  almost[7] = almost[8] = ' ';  // the number and FFF, but no line end
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE5.tmp", almost));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE.txt", OurFile(1)));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "photo.jpg", kSome));
  win.SetText(core::Control::Text1, "report");
  cmdcleanup_Click(ctx);
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].title, "Delete Test Files");
  EXPECT_EQ(win.boxes[0].style & 0xF, win::MB_OKCANCEL);
  for (const char* ours : {"WARDFILE1.tmp", "WARDFILE3.tmp", "wardfile17.TMP"}) {
    EXPECT_NE(win.boxes[0].prompt.find(ours), std::string::npos) << win.boxes[0].prompt;
  }
  EXPECT_EQ(win.boxes[0].prompt.find("WARDFILE2.tmp"), std::string::npos);
  EXPECT_EQ(Left(sim), (std::vector<std::string>{"WARDFILE.txt", "WARDFILE2.tmp", "WARDFILE4.tmp", "WARDFILE5.tmp",
                                                  "photo.jpg"}));
  const std::string report = win.Text(core::Control::Text1);
  EXPECT_EQ(report.rfind("report\r\nDeleting E:\\WARDFILE*.tmp files...finished.", 0), 0u) << report;
  EXPECT_NE(report.find("Kept E:\\WARDFILE2.tmp"), std::string::npos);
  EXPECT_NE(report.find("Kept E:\\WARDFILE4.tmp"), std::string::npos);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
}

TEST_F(FileTestFixture, CleanupCancelledAtItsQuestionDeletesNothing) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", OurFile(1)));
  win.answers.push_back(win::IDCANCEL);
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(Left(sim), (std::vector<std::string>{"WARDFILE1.tmp"}));
  EXPECT_EQ(win.Text(core::Control::Text1), "");
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
}

TEST_F(FileTestFixture, CleanupWithoutFilesOfOursAsksNothing) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "photo.jpg", kSome));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", kSome, {.hidden = true}));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE2.tmp", OurFile(2), {.system = true}));
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(win.boxes.empty());
  EXPECT_EQ(win.Text(core::Control::Text1), "\r\nNo test files of this program to delete on E:\\");
  EXPECT_EQ(sim.VolumeFileNames("E:").size(), 3u);
}

TEST_F(FileTestFixture, CleanupSaysFinishedEvenWhenAFileCannotGo) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", OurFile(1), {.readOnly = true}));
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE2.tmp", OurFile(2)));
  cmdcleanup_Click(ctx);
  EXPECT_EQ(win.Text(core::Control::Text1), "\r\nDeleting E:\\WARDFILE*.tmp files...finished.");
  EXPECT_EQ(sim.VolumeFileNames("E:"), (std::vector<std::string>{"WARDFILE1.tmp"}));
}

TEST_F(FileTestFixture, CleanupWithoutAVolumeDoesNothing) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", OurFile(1)));
  for (const char* volume : {"", " ", "E", " E "}) {
    ctx.state.SelectedVolume = volume;
    cmdcleanup_Click(ctx);
    EXPECT_EQ(win.Text(core::Control::Text1), "") << "'" << volume << "'";
  }
  EXPECT_EQ(sim.VolumeFileNames("E:").size(), 1u);
}

TEST_F(FileTestFixture, CleanupDeletesOnlyTheH2wFilesItsListNamesUnlessAllAreAskedFor) {
  struct Row {
    bool listed;
    bool allH2w;
    bool deleted;
  };
  const Row rows[] = {{true, false, true}, {false, false, false}, {false, true, true}, {true, true, true}};
  int drive = 1;
  for (const Row& row : rows) {
    const std::string volume = std::string(1, static_cast<char>('D' + drive)) + ":";
    SCOPED_TRACE(volume);
    AddStick(drive++, volume, 4 * kFull);
    ctx.state.SelectedVolume = volume;
    ASSERT_TRUE(sim.AddVolumeFile(volume, "1.h2w", H2wFile(1)));
    ASSERT_TRUE(sim.AddVolumeFile(volume, "2.h2w", H2wFile(2)));
    ASSERT_TRUE(sim.AddVolumeFile(volume, "3.h2w", kSome));  // not test data: stays unless all go
    if (row.listed) {
      ASSERT_TRUE(RecordH2wFiles(ctx, volume, 3));
    }
    ctx.state.DeleteForeignH2w = row.allH2w;
    cmdcleanup_Click(ctx);
    const std::vector<std::string> left = sim.VolumeFileNames(volume);
    const auto has = [&left](const std::string& name) { return std::count(left.begin(), left.end(), name) != 0; };
    EXPECT_EQ(!has("1.h2w"), row.deleted);
    EXPECT_EQ(!has("2.h2w"), row.deleted);
    EXPECT_EQ(!has("3.h2w"), row.allH2w);
    // The list goes with the last of the files it names.
    EXPECT_EQ(has(kH2wLedgerName), row.listed && !row.allH2w);
  }
}

TEST_F(FileTestFixture, CleanupOfADiskAnotherRunHoldsIsRefused) {
  AddStick(1, "E:", 4 * kFull);
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", OurFile(1)));
  diskio::PinSelectedVolume(ctx, "E:");
  ASSERT_TRUE(ctx.state.Pinned.has_value());
  const std::string claim = diskio::RunClaimName(ctx.state.Pinned->identity);
  sim.HoldMutexElsewhere(claim);
  cmdcleanup_Click(ctx);
  EXPECT_EQ(Left(sim), (std::vector<std::string>{"WARDFILE1.tmp"}));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::NotRun);
  sim.ReleaseMutexElsewhere(claim);
  cmdcleanup_Click(ctx);
  EXPECT_TRUE(Left(sim).empty());
  EXPECT_TRUE(sim.HeldMutexes().empty()) << "the claim ends with the command";
}

}  // namespace
}  // namespace sw::filetest::testing
