// A drive still in use is never written: a file system that stayed mounted, or another program
// (another test) holding the drive. Nothing is written, everything is released and given back.
#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "diskio/DriveClaim.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using core::Control;
using core::Outcome;

class DriveClaim : public QuickTestFixture {
 protected:
  void SetUp() override {
    core::Hide_Cancel(ctx);
    platform::sim::SimDriveSpec config;
    config.announcedBytes = 64 * kCylinder;
    AddStick(config, true);
    ctx.state.SelectedVolume = "E:";
    win.AddItem(Control::Combo1, "E:  [STICK]");
    win.SetListIndex(Control::Combo1, 0);
    os.failWrite = [this](std::int64_t) {
      ++writes_;
      return false;
    };
  }
  void Click() {
    win.answers = {win::IDOK, win::IDOK};
    cmdQuickTest_Click(ctx);
  }
  // The box shown after the two confirmations.
  std::string RefusalBox() const { return win.boxes.size() == 3 ? win.boxes[2].prompt : std::string{}; }
  void ExpectNothingWrittenAndAllReleased() {
    EXPECT_EQ(writes_, 0);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
    EXPECT_EQ(sim.OpenHandleCount(), 0);
    EXPECT_EQ(sim.LockedVolumeCount(), 0);
    EXPECT_FALSE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Enabled(Control::cmdQuickTest));
  }
  int writes_ = 0;
};

TEST_F(DriveClaim, AFileSystemStillMountedStopsTheTestBeforeTheFirstWrite) {
  os.mounts = {{"/dev/sdb1", "/media/me/STICK", {"4242 (bash)", "4300 (vim)"}},
               {"/dev/sdb", "/mnt/whole", {}}};
  Click();
  ExpectNothingWrittenAndAllReleased();
  EXPECT_EQ(os.remounts, 1) << "what was unmounted is mounted again";
  const std::string box = RefusalBox();
  EXPECT_NE(box.find("Nothing was written"), std::string::npos) << box;
  EXPECT_NE(box.find("/dev/sdb1 is mounted on /media/me/STICK, in use by 4242 (bash), 4300 (vim)"),
            std::string::npos)
      << box;
  EXPECT_NE(box.find("/dev/sdb is mounted on /mnt/whole"), std::string::npos) << box;
  EXPECT_NE(win.Text(Control::Text1).find("/media/me/STICK"), std::string::npos) << "the report keeps it";
  EXPECT_EQ(win.Text(Control::Text1).find("PASSED"), std::string::npos);
}

TEST_F(DriveClaim, AnotherProgramHoldingTheDriveStopsTheTest) {
  os.heldByAnother = true;
  Click();
  ExpectNothingWrittenAndAllReleased();
  EXPECT_EQ(os.remounts, 1);
  EXPECT_NE(RefusalBox().find("another program is using the drive"), std::string::npos) << RefusalBox();
}

TEST_F(DriveClaim, TheTestKeepsOtherWritersOutOfEveryOpenOfTheDrive) {
  os.failWrite = nullptr;
  Click();
  ASSERT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  // The identity report before the prompts shares the drive; the test's own opens do not.
  ASSERT_GE(os.physicalDriveShares.size(), 3u);
  std::size_t exclusive = 0;
  for (std::uint32_t share : os.physicalDriveShares) {
    if ((share & win::FILE_SHARE_WRITE) == 0) ++exclusive;
  }
  EXPECT_EQ(exclusive, 3u) << "sector 0, the markers, the zeroed sector 0 at the end";
  EXPECT_EQ(os.remounts, 0);
}

TEST(StillMountedText, NamesEachMountAndWhatCouldNotBeMountedAgain) {
  const std::string text = diskio::StillMountedText({{"/dev/sdc1", "/media/a b", {}}}, {"/media/a b"});
  EXPECT_NE(text.find("/dev/sdc1 is mounted on /media/a b\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("in use by"), std::string::npos) << "no holder found, none named";
  EXPECT_NE(text.find("These could not be mounted again: /media/a b"), std::string::npos) << text;
  EXPECT_EQ(diskio::StillMountedText({}, {}), "");
}

}  // namespace
}  // namespace sw::quicktest
