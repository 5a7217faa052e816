// What the Linux provider makes the reports say: its own wording for the sentences that name
// Windows things, and test files named by their real path under the mount point.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "FakeSystem.h"
#include "support/ScriptedWindow.h"
#include "core/Context.h"
#include "filetest/Cleanup.h"
#include "filetest/LinkGuard.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {
namespace {

using testing::FakeSystem;
namespace fs = std::filesystem;

// sdb1 is mounted on a folder with a space in its name; sdc is a blank stick.
class LinuxWording : public ::testing::Test {
 protected:
  void SetUp() override {
    sys_.AddDisk({.name = "vda", .majMin = "254:0", .sectors = 1000, .busPath = "pci0000:00/virtio1"});
    sys_.AddDisk({.name = "sdb", .majMin = "8:16", .sectors = 62521344,
                  .busPath = "pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6", .removable = true});
    sys_.AddPartition("sdb", 1, "8:17", 62519296);
    sys_.AddDisk({.name = "sdc", .majMin = "8:32", .sectors = 15728640,
                  .busPath = "pci0000:00/0000:00:14.0/usb2/2-2/2-2:1.0/host7"});
    stick_ = sys_.MakeFolder("my stick");
    sys_.AddMount("254:0", "/dev/vda", "/", "ext4");
    sys_.AddMount("8:17", "/dev/sdb1", stick_.string(), "vfat");
  }

  FakeSystem sys_;
  fs::path stick_;
  LinuxOs os_{sys_.Paths()};
};

TEST_F(LinuxWording, EveryPlatformSentenceIsTheLinuxOne) {
  const PlatformWording& words = os_.Wording();
  EXPECT_EQ(&words, &kLinuxWording);
  const struct {
    const char* text;
    const char* says;
  } rows[] = {
      {words.needsRawAccessRights, "as root"},
      {words.quickPassedNote, "f3write and f3read"},
      {words.classedRemovable, "classed as a removable disk by the system"},
      {words.classedFixed, "not classed as a removable disk by the system"},
      {words.unplugAndReformat, "mkfs or GNOME Disks"},
      {words.fileTestSpeedTip, "file managers"},
  };
  for (const auto& row : rows) {
    const std::string text = row.text;
    EXPECT_NE(text.find(row.says), std::string::npos) << text;
    for (const char* windowsOnly : {"Windows", "Explorer", "Administrator", "Quillmark", "H2TESTW"}) {
      EXPECT_EQ(text.find(windowsOnly), std::string::npos) << text;
    }
  }
  // The two classes must stay told apart.
  EXPECT_STRNE(words.classedRemovable, words.classedFixed);
}

TEST_F(LinuxWording, FilesAreShownUnderTheirMountPoint) {
  const std::string mount = stick_.string();
  const struct {
    const char* name;
    std::string shown;
  } rows[] = {
      {"D:\\WARDFILE1.tmp", mount + "/WARDFILE1.tmp"},
      {"d:\\WARDFILE*.tmp", mount + "/WARDFILE*.tmp"},
      {"D:\\*.h2w", mount + "/*.h2w"},
      {"C:\\WARDFILE1.tmp", "/WARDFILE1.tmp"},
      {"E:\\WARDFILE1.tmp", "E:\\WARDFILE1.tmp"},  // not mounted: nowhere else to point
      {"Q:\\WARDFILE1.tmp", "Q:\\WARDFILE1.tmp"},  // no such letter
      {"D:", "D:"},
      {"\\\\.\\PhysicalDrive1", "\\\\.\\PhysicalDrive1"},
  };
  for (const auto& row : rows) EXPECT_EQ(os_.ShownPath(row.name), row.shown) << row.name;
}

TEST_F(LinuxWording, ShowingAPathLeavesTheLastErrorAlone) {
  EXPECT_EQ(os_.CreateFileA("Q:\\WARDFILE1.tmp", win::GENERIC_READ, 3, win::OPEN_EXISTING, 0),
            kInvalidHandle);
  ASSERT_EQ(os_.GetLastError(), win::ERROR_PATH_NOT_FOUND);
  os_.ShownPath("E:\\WARDFILE1.tmp");
  os_.ShownPath("D:\\WARDFILE1.tmp");
  EXPECT_EQ(os_.GetLastError(), win::ERROR_PATH_NOT_FOUND);
}

// The report lines of the clean-up and of the check of the test-file names, through this
// provider: the real folder, as a file manager or a shell shows it.
TEST_F(LinuxWording, CleanupAndTakenNamesNameTheRealFolder) {
  sw::testing::ScriptedWindow win;
  core::Context ctx(os_, win);
  ctx.state.SelectedVolume = "D:";
  std::ofstream(stick_ / "WARDFILE1.tmp") << std::string("\x01\0\0\0FFF\r\n", 9) << "pattern";
  std::ofstream(stick_ / "WARDFILE3.tmp") << "someone else's";
  filetest::cmdcleanup_Click(ctx);
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_NE(win.boxes[0].prompt.find("Delete these test files from " + stick_.string() + "/?"), std::string::npos)
      << win.boxes[0].prompt;
  EXPECT_EQ(win.Text(core::Control::Text1),
            "\r\nDeleting " + stick_.string() + "/WARDFILE*.tmp files...finished.\r\nKept " + stick_.string() +
                "/WARDFILE3.tmp: this program did not write it");
  EXPECT_FALSE(fs::exists(stick_ / "WARDFILE1.tmp"));
  EXPECT_TRUE(fs::exists(stick_ / "WARDFILE3.tmp"));

  fs::create_directory(stick_ / "WARDFILE2.tmp");
  EXPECT_FALSE(filetest::TestFileNamesFree(ctx, "D:\\WARDFILE*.tmp"));
  ASSERT_EQ(win.boxes.size(), 2u);
  EXPECT_NE(win.boxes[1].prompt.find("\r\n  " + stick_.string() + "/WARDFILE2.tmp\r\n"),
            std::string::npos)
      << win.boxes[0].prompt;
}

}  // namespace
}  // namespace sw::platform::linuxos
