// Start-up, resizing, the service buttons, the check box and the close box of the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "core/Layouts.h"
#include "app/MainForm.h"
#include "app/MainFormLayout.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"
#include "sw/Version.h"

namespace sw::app {
namespace {

using core::Context;
using core::Control;
using core::Hide_Cancel;
using core::Show_Cancel;
using core::TwipsRect;

using platform::sim::SimDriveSpec;
using platform::sim::SimOs;

SimDriveSpec UsbStick(const std::string& letter, const std::string& label) {
  SimDriveSpec config;
  config.announcedBytes = 16'000'000'000ull;
  platform::sim::SimVolumeSpec volume;
  volume.letter = letter;
  volume.label = label;
  config.volumes = {volume};
  return config;
}

class MainFormTest : public ::testing::Test {
 protected:
  MainFormTest() {
    os.AddDrive(1, UsbStick("E:", "STICK"));
    SimDriveSpec sata = UsbStick("F:", "DATA");
    sata.busType = win::BusTypeSata;
    os.AddDrive(2, sata);
  }
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (int i = 0; i < win.ListCount(Control::Combo1); ++i)
      items.push_back(win.ListItem(Control::Combo1, i));
    return items;
  }
  SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  MainForm form{ctx};
};

TEST_F(MainFormTest, StartUpShowsTheIntroductionBeforeTheWindowWithTheListBuilt) {
  int itemsWhenBoxShown = -1;
  bool shownWhenBoxShown = true;
  win.onMsgBox = [&](const testing::ShownBox&) {
    itemsWhenBoxShown = win.ListCount(Control::Combo1);
    shownWhenBoxShown = win.shown;
  };
  form.Form_Load();

  ASSERT_EQ(win.events, (std::vector<std::string>{"box:SIZEWARDEN", "show"}));
  EXPECT_EQ(itemsWhenBoxShown, 1);
  EXPECT_FALSE(shownWhenBoxShown);
  const testing::ShownBox& intro = win.boxes.front();
  EXPECT_EQ(intro.style, win::MB_ICONINFORMATION);
  EXPECT_EQ(intro.prompt.rfind("\r\nThis utility tests the size of the memory in your USB Flash "
                               "drive or SD card.\r\n\r\n",
                               0),
            0u);
  EXPECT_NE(intro.prompt.find("\r\n\r\n    WARNING: \r\n    If you have any valuable files"),
            std::string::npos);
  EXPECT_NE(
      intro.prompt.find("\r\n  This test checks your drive and reports the true capacity.\r\n"),
      std::string::npos);
  const std::string last = "to the Cancel button - just click once and wait!";
  EXPECT_EQ(intro.prompt.substr(intro.prompt.size() - last.size()), last);

  EXPECT_EQ(win.Text(Control::Text1), "") << "nothing is logged at start-up";
  EXPECT_EQ(win.ListIndex(Control::Combo1), 0);
  EXPECT_EQ(ctx.state.SelectedVolume, "E:");
  EXPECT_EQ(ctx.state.SectorBuffer.size(), 4097u);
  for (std::size_t i = 0; i < ctx.state.SectorBuffer.size(); ++i)
    ASSERT_EQ(ctx.state.SectorBuffer[i], 0);
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(MainFormTest, StartUpCentresTheWindowAndSetsTheTitle) {
  win.bounds = {0, 0, 8175, 7080};
  win.screenWidth = 19200;
  win.screenHeight = 10800;
  form.Form_Load();
  EXPECT_EQ(form.SavedHeight, 7080.0f);
  EXPECT_EQ(form.SavedWidth, 8175.0f);
  EXPECT_EQ(win.bounds.left, (19200 - 8175) / 2);
  EXPECT_EQ(win.bounds.top, (10800 - 7080) / 2);
  EXPECT_EQ(win.bounds.width, 8175);
  EXPECT_EQ(win.bounds.height, 7080);
  const std::string title = std::string("SIZEWARDEN v") + SW_VERSION_TEXT + "  [Zentrel]";
  EXPECT_EQ(win.caption, title);
  EXPECT_EQ(ctx.state.WindowTitle, title);
  EXPECT_EQ(BuildWindowTitle(), title);
}

TEST_F(MainFormTest, StartUpLeavesTheIdleLayout) {
  win.SetVisible(Control::cmdCancel, true);
  win.SetVisible(Control::Label1, true);
  form.Form_Load();
  EXPECT_FALSE(win.Visible(Control::cmdCancel));
  EXPECT_FALSE(win.Enabled(Control::cmdCancel));
  EXPECT_FALSE(win.Visible(Control::Label1));
  EXPECT_FALSE(win.Visible(Control::Drive1));
  // Make Usable waits for a test of this run to measure the picked drive's real end.
  EXPECT_FALSE(win.Visible(Control::cmdFix));
  EXPECT_FALSE(win.Enabled(Control::cmdFix));
  for (const ControlLayout& row : kMainFormControls) {
    if (row.id == Control::cmdCancel || row.id == Control::Label1 || row.id == Control::Drive1 ||
        row.id == Control::cmdFix) {
      continue;
    }
    EXPECT_TRUE(win.Visible(row.id)) << row.name;
    EXPECT_TRUE(win.Enabled(row.id)) << row.name;
  }
}

TEST_F(MainFormTest, TerminalStartUpSkipsTheIntroduction) {
  MainForm quiet(ctx, MainForm::Options{false});
  quiet.Form_Load();
  EXPECT_TRUE(win.boxes.empty());
  EXPECT_TRUE(win.shown);
  EXPECT_EQ(ctx.state.SelectedVolume, "E:");
}

TEST_F(MainFormTest, ShowAllCancelledKeepsTheBoxTickedAndTheList) {
  form.Form_Load();
  const auto before = Items();
  win.boxes.clear();
  win.SetValue(Control::chkShowAll, 1);
  win.answers = {win::IDCANCEL};
  form.chkShowAll_Click();
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].prompt, "WARNING: All drives in the system will be listed!");
  EXPECT_EQ(win.boxes[0].style, win::MB_OKCANCEL);
  EXPECT_EQ(win.boxes[0].title, "SIZEWARDEN");
  EXPECT_EQ(win.Value(Control::chkShowAll), 1);
  EXPECT_FALSE(ctx.state.ShowAllDrives);
  EXPECT_EQ(Items(), before);
}

TEST_F(MainFormTest, ShowAllConfirmedListsEveryDriveAndUntickingNeverAsks) {
  form.Form_Load();
  win.boxes.clear();
  win.SetValue(Control::chkShowAll, 1);
  form.chkShowAll_Click();  // answered OK
  EXPECT_TRUE(ctx.state.ShowAllDrives);
  EXPECT_EQ(Items().size(), 2u);

  win.boxes.clear();
  win.SetValue(Control::chkShowAll, 0);
  form.chkShowAll_Click();
  EXPECT_TRUE(win.boxes.empty());
  EXPECT_FALSE(ctx.state.ShowAllDrives);
  EXPECT_EQ(Items().size(), 1u);
}

TEST_F(MainFormTest, ShowAllClickDuringATestIsIgnored) {
  form.Form_Load();
  Show_Cancel(ctx);
  ctx.state.DiskNumber = 7;
  win.SetValue(Control::chkShowAll, 1);
  form.chkShowAll_Click();
  EXPECT_TRUE(win.boxes.size() == 1u) << "only the introduction";
  EXPECT_FALSE(ctx.state.ShowAllDrives);
  EXPECT_EQ(ctx.state.DiskNumber, 7) << "no rebuild under a running test";
}

TEST_F(MainFormTest, CopyPutsTheWholeReportOnTheClipboard) {
  win.clipboard = "old";
  form.cmdCopy_Click();
  EXPECT_TRUE(win.clipboardCleared);
  EXPECT_EQ(win.clipboard, "");

  win.SetText(Control::Text1, "line 1\r\nline 2");
  form.cmdCopy_Click();
  EXPECT_EQ(win.clipboard, "line 1\r\nline 2");
}

TEST_F(MainFormTest, ExitSaysFarewellClosesTheDriveAndEnds) {
  ctx.state.hDrive =
      os.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE,
                     win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  ASSERT_NE(ctx.state.hDrive, platform::kInvalidHandle);
  form.cmdExit_Click();
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(
      win.boxes[0].prompt,
      "Thanks for using SIZEWARDEN - Please visit www.sizewarden.net and forum.sizewarden.net "
      "for more information on Fake Flash Memory and lots of other interesting things!");
  EXPECT_EQ(win.boxes[0].style, win::MB_ICONINFORMATION);
  EXPECT_EQ(win.boxes[0].title, "SIZEWARDEN");
  EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
  EXPECT_EQ(os.OpenHandleCount(), 0);
  EXPECT_EQ(win.events, (std::vector<std::string>{"box:SIZEWARDEN", "end"}));
}

TEST_F(MainFormTest, ResizeSnapsBackUnlessMinimized) {
  form.Form_Load();
  const TwipsRect placed = win.bounds;
  win.bounds = {placed.left, placed.top, 12000, 3000};
  form.Form_Resize();
  EXPECT_EQ(win.bounds.left, placed.left);
  EXPECT_EQ(win.bounds.top, placed.top);
  EXPECT_EQ(win.bounds.width, placed.width);
  EXPECT_EQ(win.bounds.height, placed.height);

  win.minimized = true;
  win.bounds = {0, 0, 2400, 450};
  form.Form_Resize();
  EXPECT_EQ(win.bounds.width, 2400);
  EXPECT_EQ(win.bounds.height, 450);
}

TEST_F(MainFormTest, LinkOpensTheTutorialPage) {
  form.Label2_Click();
  ASSERT_EQ(win.openedPages.size(), 1u);
  const std::string url = win.openedPages[0];
  const std::string path = "/tutorials/-fake-usb-flash-memory-drives";
  EXPECT_EQ(url.rfind("https://", 0), 0u);
  EXPECT_EQ(url.substr(url.size() - path.size()), path);
  EXPECT_NE(url.find(LayoutOf(Control::Label2).caption), std::string::npos)
      << "the page is on the site the link names";
}

TEST_F(MainFormTest, CancelOnlySetsTheFlag) {
  form.cmdCancel_Click();
  EXPECT_TRUE(ctx.state.CancelRequested);
  EXPECT_TRUE(win.events.empty());
}

TEST_F(MainFormTest, CloseBoxEndsAtOnceWhenIdle) {
  form.Form_Load();
  form.RequestClose();
  EXPECT_TRUE(win.ended);
  EXPECT_EQ(win.boxes.size(), 1u) << "no farewell box";
  EXPECT_FALSE(form.ClosePending());
}

TEST_F(MainFormTest, CloseBoxDuringATestCancelsAndClosesOnceTheTestHasUnwound) {
  form.Form_Load();
  Show_Cancel(ctx);
  form.RequestClose();
  EXPECT_TRUE(ctx.state.CancelRequested);
  EXPECT_FALSE(win.ended);
  EXPECT_TRUE(form.ClosePending());
  form.FinishPendingClose();
  EXPECT_FALSE(win.ended) << "the test is still unwinding";
  Hide_Cancel(ctx);
  form.FinishPendingClose();
  EXPECT_TRUE(win.ended);
  EXPECT_EQ(std::count(win.events.begin(), win.events.end(), "end"), 1);
}

TEST(MainFormLayout, LinkCaptionAndControlsMatchTheWindow) {
  EXPECT_STREQ(LayoutOf(Control::Label2).caption, "www.sizewarden.net");
  EXPECT_FALSE(LayoutOf(Control::Drive1).visibleAtStart);
  EXPECT_FALSE(LayoutOf(Control::cmdCancel).visibleAtStart);
  EXPECT_FALSE(LayoutOf(Control::Label1).visibleAtStart);
  EXPECT_STREQ(LayoutOf(Control::cmdcleanup).tooltip, "Deletes any test files ");
  EXPECT_EQ(LayoutOf(Control::Text1).backColour, 0x00E0E0E0u);
}

bool Overlap(const core::TwipsRect& a, const core::TwipsRect& b) {
  return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
         b.top < a.top + a.height;
}

TEST(MainFormLayout, TheProbeAndFullSurfaceButtonsSitInTheFreeSpaceOfTheRightColumn) {
  for (const auto& [id, caption] : {std::pair{Control::cmdProbe, "Exact &Probe"},
                                    std::pair{Control::cmdSurface, "&Full Surface Test"}}) {
    SCOPED_TRACE(caption);
    const ControlLayout& button = LayoutOf(id);
    EXPECT_STREQ(button.caption, caption);
    // Below "Delete Test Files", above "<<< Copy To ClipBoard", right of the report.
    const core::TwipsRect r = button.rect;
    const core::TwipsRect cleanup = LayoutOf(Control::cmdcleanup).rect;
    const core::TwipsRect copy = LayoutOf(Control::cmdCopy).rect;
    const core::TwipsRect report = LayoutOf(Control::Text1).rect;
    EXPECT_GE(r.top, cleanup.top + cleanup.height);
    EXPECT_LE(r.top + r.height, copy.top);
    EXPECT_GE(r.left, report.left + report.width);
    // Sized and coloured like the other test buttons.
    EXPECT_EQ(r.width, LayoutOf(Control::cmdVolumeTest).rect.width);
    EXPECT_EQ(r.height, LayoutOf(Control::cmdVolumeTest).rect.height);
    EXPECT_EQ(button.backColour, LayoutOf(Control::cmdQuickTest).backColour);
    EXPECT_TRUE(button.graphical);
    EXPECT_TRUE(button.visibleAtStart);
    // Nothing in view in the idle layout is covered; Label1 and Cancel take the space while the
    // button is hidden.
    for (const ControlLayout& row : kMainFormControls) {
      if (row.id == id || !row.visibleAtStart) continue;
      EXPECT_FALSE(Overlap(r, row.rect)) << row.name;
    }
    // The Cancel button, shown while a test runs, lies below both.
    EXPECT_LE(r.top + r.height, LayoutOf(Control::cmdCancel).rect.top);
  }
}

TEST(MainFormLayout, EveryAccessKeyIsUsedOnce) {
  std::string keys;
  for (const ControlLayout& row : kMainFormControls) {
    const std::string caption = row.caption;
    const auto amp = caption.find('&');
    if (amp == std::string::npos || amp + 1 >= caption.size()) continue;
    const char key = static_cast<char>(std::tolower(static_cast<unsigned char>(caption[amp + 1])));
    EXPECT_EQ(keys.find(key), std::string::npos) << row.name << " repeats &" << key;
    keys += key;
  }
  EXPECT_NE(keys.find('p'), std::string::npos);
}

}  // namespace
}  // namespace sw::app
