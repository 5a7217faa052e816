// Drives the real window (linked with the simulated demo drives) from outside, through the
// Win32 API, as a user meets it: the introduction box first, then the idle layout as designed,
// the drive list, Refresh (by click and by Alt+R), a pick in the list, the fixed size, a whole
// Quick Size Test with its boxes, an Exact Probe of the fake, a thorough volume test by the check box, Copy, and the close
// box (idle, and during a test), and Make Usable on the fake once they measured its real end.
// The tests of the first suite share one run of the program, in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/Log.h"
#include "app/MainFormLayout.h"
#include "app/MainFormTexts.h"
#include "filetest/FileTestTexts.h"
#include "fix/FixTexts.h"
#include "frontends/win32/WindowConstants.h"
#include "probe/ProbeTexts.h"
#include "quicktest/QuickTestTexts.h"
#include "surface/SurfaceTexts.h"
#include "sw/Version.h"

// <windows.h> after our headers: its macros would rewrite names in them.
#include "WindowDriver.h"

#include <commctrl.h>

namespace sw::testing::win32 {
namespace {

using core::Control;
using app::ControlKind;
using app::kMainFormControls;

constexpr DWORD kStepTimeoutMs = 20000;
// The desktop's DPI; the program scales its twips layout to it (15 twips a pixel at 96 DPI).
int DesktopDpi() {
  HDC dc = ::GetDC(nullptr);
  int dpi = ::GetDeviceCaps(dc, LOGPIXELSX);
  ::ReleaseDC(nullptr, dc);
  return dpi;
}

int Px(int twips) { return ::MulDiv(twips, DesktopDpi(), 1440); }

RECT RectIn(HWND parent, HWND child) {
  RECT r{};
  ::GetWindowRect(child, &r);
  ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

const char* ClassFor(ControlKind kind) {
  switch (kind) {
    case ControlKind::ComboBox:
    case ControlKind::DriveListBox:
      return "ComboBox";
    case ControlKind::TextBox:
      return "Edit";
    case ControlKind::Label:
      return "Static";
    case ControlKind::Button:
    case ControlKind::CheckBox:
      break;
  }
  return "Button";
}

// A question before a test writes to a drive: Enter presses Cancel, and the warning icon shows.
void ExpectWarnsWithCancelFirst(const SeenBox& box) {
  SCOPED_TRACE(box.text);
  EXPECT_EQ(box.focusedButton, IDCANCEL);
  EXPECT_TRUE(box.cancelLooksDefault);
  EXPECT_TRUE(box.hasIcon);
}

class WindowSmoke : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    w_ = new WindowDriver;
    started_ = w_->Start();
  }
  static void TearDownTestSuite() {
    delete w_;
    w_ = nullptr;
  }
  void SetUp() override { ASSERT_TRUE(started_) << "cannot start " << Options().sim; }

  static WindowDriver* w_;
  static bool started_;
};

WindowDriver* WindowSmoke::w_ = nullptr;
bool WindowSmoke::started_ = false;

TEST_F(WindowSmoke, IntroductionBoxComesBeforeTheWindow) {
  std::string intro;
  ASSERT_TRUE(w_->PassIntroduction(intro)) << "no introduction box, or the window showed first";
  EXPECT_NE(intro.find(app::form_text::kIntroduction[1]), std::string::npos) << intro;
  EXPECT_NE(intro.find(app::form_text::kIntroduction[24]), std::string::npos) << intro;
}

TEST_F(WindowSmoke, WindowHasItsTitleDesignedSizeAndIsCentred) {
  HWND main = w_->Main();
  ASSERT_NE(main, nullptr);
  const std::string title = std::string(app::form_text::kTitlePrefix) +
                            std::to_string(SW_VERSION_MAJOR) + "." +
                            std::to_string(SW_VERSION_MINOR) + "." +
                            std::to_string(SW_VERSION_PATCH) + app::form_text::kTitleSuffix;
  EXPECT_EQ(WindowDriver::TextOf(main), title);
  RECT client{};
  ::GetClientRect(main, &client);
  EXPECT_EQ(client.right, Px(app::kClientWidth)) << "at " << DesktopDpi() << " DPI";
  EXPECT_EQ(client.bottom, Px(app::kClientHeight)) << "at " << DesktopDpi() << " DPI";
  RECT outer{};
  ::GetWindowRect(main, &outer);
  const int screenW = ::GetSystemMetrics(SM_CXSCREEN), screenH = ::GetSystemMetrics(SM_CYSCREEN);
  EXPECT_NEAR(outer.left, (screenW - (outer.right - outer.left)) / 2, 1);
  EXPECT_NEAR(outer.top, (screenH - (outer.bottom - outer.top)) / 2, 1);
}

TEST_F(WindowSmoke, IdleLayoutIsTheDesignedOne) {
  HWND main = w_->Main();
  ASSERT_NE(main, nullptr);
  int withTooltip = 0;
  for (const app::ControlLayout& row : kMainFormControls) {
    SCOPED_TRACE(row.name);
    HWND h = w_->Ctl(row.id);
    ASSERT_NE(h, nullptr);
    if (row.tooltip && *row.tooltip) ++withTooltip;

    char cls[64] = {};
    ::GetClassNameA(h, cls, sizeof cls);
    EXPECT_EQ(::lstrcmpiA(cls, ClassFor(row.kind)), 0) << cls;
    if (row.kind == ControlKind::Button || row.kind == ControlKind::Label ||
        row.kind == ControlKind::CheckBox) {
      EXPECT_EQ(WindowDriver::TextOf(h), row.caption);
    }

    const LONG style = ::GetWindowLongA(h, GWL_STYLE);
    const bool hidden =
        row.id == Control::Drive1 || row.id == Control::cmdCancel || row.id == Control::Label1 ||
        row.id == Control::cmdFix;  // shown once a test measured the real end
    EXPECT_EQ((style & WS_VISIBLE) != 0, !hidden);
    if (row.id != Control::Drive1) {
      // Make Usable, out of sight, cannot be pressed by its access key either.
      EXPECT_EQ(::IsWindowEnabled(h) != FALSE, row.id != Control::cmdCancel && row.id != Control::cmdFix);
    }
    if (row.graphical) {
      EXPECT_EQ(style & BS_TYPEMASK, BS_OWNERDRAW);
    }
    RECT r = RectIn(main, h);
    EXPECT_EQ(r.left, Px(row.rect.left));
    EXPECT_EQ(r.top, Px(row.rect.top));
    EXPECT_EQ(r.right - r.left, Px(row.rect.width));
    EXPECT_EQ(r.bottom - r.top, Px(row.rect.height));
  }
  EXPECT_TRUE(w_->IdleLayout());

  HWND text1 = w_->Ctl(Control::Text1);
  EXPECT_EQ(::GetWindowLongA(text1, GWL_STYLE) & (ES_MULTILINE | ES_READONLY | WS_VSCROLL),
            ES_MULTILINE | ES_READONLY | WS_VSCROLL);
  EXPECT_EQ(WindowDriver::TextOf(text1), "") << "nothing is logged at start-up";
  EXPECT_EQ(::GetWindowLongA(w_->Ctl(Control::Combo1), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
  EXPECT_EQ(WindowDriver::Send(w_->Ctl(Control::chkShowAll), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  // Tab order is creation order: the children follow the table.
  int expectedId = frontends::win32::kFirstControlId;
  for (HWND c = ::GetWindow(main, GW_CHILD); c; c = ::GetWindow(c, GW_HWNDNEXT)) {
    EXPECT_EQ(::GetDlgCtrlID(c), expectedId++);
  }
  EXPECT_EQ(expectedId,
            frontends::win32::kFirstControlId + static_cast<int>(kMainFormControls.size()));

  HWND tips = w_->Process().FindWindowOf(TOOLTIPS_CLASSA, nullptr);
  ASSERT_NE(tips, nullptr);
  EXPECT_EQ(::GetWindow(tips, GW_OWNER), main);
  EXPECT_EQ(WindowDriver::Send(tips, TTM_GETTOOLCOUNT, 0, 0), withTooltip);
}

// What was added beyond the designed window must find room in it: no two controls of the idle
// window overlap, and "Save Report..." shows its whole caption in the window's own font.
TEST_F(WindowSmoke, IdleControlsLeaveEachOtherRoomAndTheSaveCaptionFits) {
  HWND main = w_->Main();
  ASSERT_NE(main, nullptr);
  struct Shown {
    const char* name;
    RECT rect;
  };
  std::vector<Shown> shown;
  for (const app::ControlLayout& row : kMainFormControls) {
    HWND h = w_->Ctl(row.id);
    if (h && ::IsWindowVisible(h)) shown.push_back({row.name, RectIn(main, h)});
  }
  ASSERT_GE(shown.size(), 10u);
  for (std::size_t i = 0; i < shown.size(); ++i) {
    for (std::size_t j = i + 1; j < shown.size(); ++j) {
      RECT both{};
      EXPECT_FALSE(::IntersectRect(&both, &shown[i].rect, &shown[j].rect))
          << shown[i].name << " overlaps " << shown[j].name;
    }
  }

  HWND save = w_->Ctl(Control::cmdSaveReport);
  ASSERT_TRUE(save && ::IsWindowVisible(save));
  RECT client{};
  ::GetClientRect(main, &client);
  const RECT r = RectIn(main, save);
  EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom);

  HDC dc = ::GetDC(nullptr);
  HFONT font = ::CreateFontA(-::MulDiv(static_cast<int>(frontends::win32::kDefaultFontPoints),
                                       DesktopDpi(), 72),
                             0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH, frontends::win32::kDefaultFontName);
  HGDIOBJ old = ::SelectObject(dc, font);
  const std::string caption = app::form_text::kSaveCaption;
  SIZE extent{};
  ::GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, dc);
  // The button's edge and the focus rectangle take a few pixels on each side.
  EXPECT_LE(extent.cx + 8, r.right - r.left) << "caption " << extent.cx << " px";
  EXPECT_LE(extent.cy + 4, r.bottom - r.top);
}

TEST_F(WindowSmoke, DriveListOffersTheDemoSticks) {
  HWND combo = w_->Ctl(Control::Combo1);
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(WindowDriver::Send(combo, CB_GETCOUNT, 0, 0), 2);
  const std::string first = WindowDriver::ComboItem(combo, 0);
  const std::string second = WindowDriver::ComboItem(combo, 1);
  EXPECT_EQ(first.rfind("E:", 0), 0u) << first;
  EXPECT_EQ(second.rfind("F:", 0), 0u) << second;
  EXPECT_NE(first.find("[DRIVE "), std::string::npos) << first;
  EXPECT_NE(second.find("[DRIVE "), std::string::npos) << second;
  EXPECT_EQ(WindowDriver::Send(combo, CB_GETCURSEL, 0, 0), 0);
}

TEST_F(WindowSmoke, APickHoldsUntilRefreshSelectsTheFirstEntryAgain) {
  HWND combo = w_->Ctl(Control::Combo1);
  ASSERT_NE(combo, nullptr);
  WindowDriver::Send(combo, CB_SETCURSEL, 1, 0);
  WindowDriver::Send(w_->Main(), WM_COMMAND,
                     MAKEWPARAM(WindowDriver::IdOf(Control::Combo1), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
  EXPECT_EQ(WindowDriver::Send(combo, CB_GETCURSEL, 0, 0), 1);

  WindowDriver::Send(w_->Ctl(Control::cmdRefreshDrive), BM_CLICK, 0, 0);
  EXPECT_TRUE(
      WaitFor([&] { return WindowDriver::Send(combo, CB_GETCURSEL, 0, 0) == 0; }, kStepTimeoutMs));
  EXPECT_EQ(WindowDriver::Send(combo, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(WindowDriver::TextOf(w_->Ctl(Control::Text1)), "") << "a refresh logs nothing";
}

TEST_F(WindowSmoke, AccessKeyAltRPressesRefresh) {
  HWND combo = w_->Ctl(Control::Combo1);
  ASSERT_NE(combo, nullptr);
  WindowDriver::Send(combo, CB_SETCURSEL, 1, 0);
  // What a keyboard delivers for Alt+R; the program's dialog handling finds "&Refresh".
  ::PostMessageA(combo, WM_SYSCHAR, 'r', 1 << 29);
  EXPECT_TRUE(
      WaitFor([&] { return WindowDriver::Send(combo, CB_GETCURSEL, 0, 0) == 0; }, kStepTimeoutMs));
}

TEST_F(WindowSmoke, SizeSnapsBackAndMinimizeRestoreWork) {
  HWND main = w_->Main();
  ASSERT_NE(main, nullptr);
  RECT designed{};
  ::GetWindowRect(main, &designed);
  auto sameSize = [&] {
    RECT now{};
    ::GetWindowRect(main, &now);
    return now.right - now.left == designed.right - designed.left &&
           now.bottom - now.top == designed.bottom - designed.top;
  };
  ::SetWindowPos(main, nullptr, 0, 0, designed.right - designed.left + 120,
                 designed.bottom - designed.top + 80, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_TRUE(WaitFor(sameSize, kStepTimeoutMs));

  ::ShowWindowAsync(main, SW_MINIMIZE);
  EXPECT_TRUE(WaitFor([&] { return ::IsIconic(main) != FALSE; }, kStepTimeoutMs));
  ::ShowWindowAsync(main, SW_RESTORE);
  EXPECT_TRUE(WaitFor([&] { return !::IsIconic(main) && sameSize(); }, kStepTimeoutMs));
}

TEST_F(WindowSmoke, QuickSizeTestOfTheFakeStickRunsToFailed) {
  HWND text1 = w_->Ctl(Control::Text1);
  ASSERT_NE(text1, nullptr);
  ASSERT_EQ(WindowDriver::Send(w_->Ctl(Control::Combo1), CB_GETCURSEL, 0, 0), 0);  // E:, the fake
  ::PostMessageA(w_->Ctl(Control::cmdQuickTest), BM_CLICK, 0, 0);

  std::vector<SeenBox> boxes;
  auto finished = [&] {
    std::string log = WindowDriver::TextOf(text1);
    return log.find(quicktest::text::kFailed) != std::string::npos && w_->IdleLayout();
  };
  ASSERT_TRUE(w_->AnswerBoxesUntil(finished, boxes))
      << "log: [" << WindowDriver::TextOf(text1) << "] idle=" << w_->IdleLayout();

  ASSERT_GE(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].title, quicktest::text::kConfirmTitle);
  EXPECT_EQ(boxes[1].title, quicktest::text::kConfirmTitle);
  ExpectWarnsWithCancelFirst(boxes[0]);
  ExpectWarnsWithCancelFirst(boxes[1]);
  EXPECT_EQ(boxes.back().focusedButton, IDOK) << "a box with OK alone keeps OK";
  EXPECT_FALSE(boxes[0].busyLayout) << "asks before it shows the busy layout";
  for (std::size_t i = 2; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i].title, core::kAppTitle);
    EXPECT_TRUE(boxes[i].busyLayout) << boxes[i].text;
  }
  const std::string log = WindowDriver::TextOf(text1);
  EXPECT_EQ(log.rfind(WindowDriver::TextOf(w_->Main()), 0), 0u)
      << "the report starts with the title";
  EXPECT_TRUE(w_->IdleLayout());
  EXPECT_TRUE(w_->Visible(Control::cmdFix) && w_->Enabled(Control::cmdFix))
      << "Make Usable is offered once the fake's real end is known";
}

// The Exact Probe of the demo's fake (32 GB announced, 8,000,000,000 bytes real): the two
// questions, the busy layout with the button out of sight, then the exact last good sector.
TEST_F(WindowSmoke, ExactProbeOfTheFakeStickFindsItsLastGoodSector) {
  HWND text1 = w_->Ctl(Control::Text1);
  ASSERT_NE(text1, nullptr);
  ASSERT_EQ(WindowDriver::Send(w_->Ctl(Control::Combo1), CB_GETCURSEL, 0, 0), 0);  // E:, the fake
  ::PostMessageA(w_->Ctl(Control::cmdProbe), BM_CLICK, 0, 0);

  std::vector<SeenBox> boxes;
  auto finished = [&] {
    std::string log = WindowDriver::TextOf(text1);
    return log.find(probe::text::kFailed) != std::string::npos && w_->IdleLayout();
  };
  ASSERT_TRUE(w_->AnswerBoxesUntil(finished, boxes))
      << "log: [" << WindowDriver::TextOf(text1) << "] idle=" << w_->IdleLayout();

  ASSERT_GE(boxes.size(), 3u);
  EXPECT_EQ(boxes[0].title, probe::text::kConfirmTitle);
  EXPECT_EQ(boxes[1].title, probe::text::kConfirmTitle);
  ExpectWarnsWithCancelFirst(boxes[0]);
  ExpectWarnsWithCancelFirst(boxes[1]);
  EXPECT_FALSE(boxes[1].busyLayout) << "asks before it shows the busy layout";
  EXPECT_TRUE(boxes.back().busyLayout) << "the verdict box comes while the test still runs";
  const std::string log = WindowDriver::TextOf(text1);
  EXPECT_NE(log.find(probe::text::kHeading), std::string::npos) << log;
  EXPECT_NE(log.find("\r\nLast good sector: 15624999\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("(exact Last good Sector=15624999)"), std::string::npos) << log;
  EXPECT_NE(log.find(probe::text::kRestored), std::string::npos) << log;
  EXPECT_TRUE(w_->IdleLayout());
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Make Usable on the fake, whose real end the tests above measured: its two questions name the
// size the stick will have, and the simulated drive was given one FAT32 partition from 1 MiB to
// the last MiB of its 8,000,000,000 real bytes.
TEST_F(WindowSmoke, MakeUsableGivesTheFakeOneFat32PartitionToItsRealEnd) {
  HWND text1 = w_->Ctl(Control::Text1);
  ASSERT_EQ(WindowDriver::Send(w_->Ctl(Control::Combo1), CB_GETCURSEL, 0, 0), 0);  // E:, the fake
  ASSERT_TRUE(w_->Visible(Control::cmdFix) && w_->Enabled(Control::cmdFix));
  ::DeleteFileA(Options().layoutRecord.c_str());
  ::PostMessageA(w_->Ctl(Control::cmdFix), BM_CLICK, 0, 0);

  std::vector<SeenBox> boxes;
  auto finished = [&] {
    return WindowDriver::TextOf(text1).find(fix::text::kDone) != std::string::npos && w_->IdleLayout();
  };
  ASSERT_TRUE(w_->AnswerBoxesUntil(finished, boxes))
      << "log: [" << WindowDriver::TextOf(text1) << "] idle=" << w_->IdleLayout();
  ASSERT_GE(boxes.size(), 2u);
  EXPECT_EQ(boxes[0].title, fix::text::kTitle);
  EXPECT_EQ(boxes[1].title, fix::text::kTitle);
  ExpectWarnsWithCancelFirst(boxes[0]);
  ExpectWarnsWithCancelFirst(boxes[1]);
  EXPECT_NE(boxes[0].text.find("7,998,537,728 bytes (7,628.0MiB) FAT32"), std::string::npos) << boxes[0].text;
  EXPECT_NE(boxes[0].text.find("(sectors 2048 to 15624191)"), std::string::npos) << boxes[0].text;
  EXPECT_FALSE(boxes[1].busyLayout) << "asks before it shows the busy layout";
  EXPECT_EQ(FileText(Options().layoutRecord),
            "drive 1 style 0 first 2048 last 15624191 type 12 fs fat32 label VERIFIED\n");
  const std::string log = WindowDriver::TextOf(text1);
  EXPECT_NE(log.find(fix::text::kTableReadBack), std::string::npos) << log;
  EXPECT_NE(log.find(fix::text::kLastSectorKept), std::string::npos) << log;
  EXPECT_TRUE(w_->IdleLayout());
}

// The Full Surface Test's button: its first question names the disk, with Cancel as the default
// button and the warning icon; Cancel there leaves the drive untouched and the window idle.
TEST_F(WindowSmoke, FullSurfaceButtonAsksFirstAndCancelLeavesTheDriveAlone) {
  HWND text1 = w_->Ctl(Control::Text1);
  ASSERT_NE(w_->Ctl(Control::cmdSurface), nullptr);
  ASSERT_TRUE(w_->IdleLayout());
  ASSERT_EQ(WindowDriver::Send(w_->Ctl(Control::Combo1), CB_GETCURSEL, 0, 0), 0);  // E:, the fake
  ::PostMessageA(w_->Ctl(Control::cmdSurface), BM_CLICK, 0, 0);
  std::vector<SeenBox> boxes;
  ASSERT_TRUE(w_->AnswerBoxesUntil([&] { return !boxes.empty() && w_->IdleLayout(); }, boxes,
                                   [](HWND box) {
                                     ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                                                    reinterpret_cast<LPARAM>(::GetDlgItem(box, IDCANCEL)));
                                   }))
      << "log: [" << WindowDriver::TextOf(text1) << "]";
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].title, surface::text::kTitle);
  ExpectWarnsWithCancelFirst(boxes[0]);
  EXPECT_NE(boxes[0].text.find("DRIVE 1"), std::string::npos) << boxes[0].text;
  const std::string log = WindowDriver::TextOf(text1);
  EXPECT_EQ(log.find(surface::text::kTesting), std::string::npos) << log;
  EXPECT_TRUE(w_->IdleLayout());
}

// The check box makes Test Empty Space check every byte of the genuine stick; it is out of the
// way while the test runs and keeps its tick afterwards.
TEST_F(WindowSmoke, ThoroughBoxRunsTheVolumeTestOnTheGenuineStick) {
  HWND combo = w_->Ctl(Control::Combo1);
  HWND box = w_->Ctl(Control::chkThorough);
  HWND text1 = w_->Ctl(Control::Text1);
  ASSERT_NE(box, nullptr);
  WindowDriver::Send(combo, CB_SETCURSEL, 1, 0);  // F:, the genuine stick
  WindowDriver::Send(w_->Main(), WM_COMMAND,
                     MAKEWPARAM(WindowDriver::IdOf(Control::Combo1), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
  EXPECT_FALSE(w_->Visible(Control::cmdFix)) << "Make Usable stays with the stick that was measured";
  WindowDriver::Send(box, BM_CLICK, 0, 0);
  ASSERT_EQ(WindowDriver::Send(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  ::PostMessageA(w_->Ctl(Control::cmdVolumeTest), BM_CLICK, 0, 0);

  bool shownWhileBusy = false;
  std::vector<SeenBox> boxes;
  auto finished = [&] {
    const std::string log = WindowDriver::TextOf(text1);
    return log.find(filetest::texts::kThoroughFinished) != std::string::npos && w_->IdleLayout();
  };
  ASSERT_TRUE(w_->AnswerBoxesUntil(finished, boxes, [&](HWND) {
    if (w_->BusyLayout() && w_->Visible(Control::chkThorough)) shownWhileBusy = true;
  })) << "log: [" << WindowDriver::TextOf(text1) << "]";
  const std::string log = WindowDriver::TextOf(text1);
  EXPECT_NE(log.find("Thorough test: 1 .h2w files, "), std::string::npos) << log;
  EXPECT_NE(log.find(filetest::texts::kPassed), std::string::npos) << log;
  EXPECT_FALSE(shownWhileBusy);
  EXPECT_TRUE(w_->Visible(Control::chkThorough));
  EXPECT_EQ(WindowDriver::Send(box, BM_GETCHECK, 0, 0), BST_CHECKED);

  WindowDriver::Send(box, BM_CLICK, 0, 0);
  EXPECT_EQ(WindowDriver::Send(box, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  WindowDriver::Send(combo, CB_SETCURSEL, 0, 0);
  WindowDriver::Send(w_->Main(), WM_COMMAND,
                     MAKEWPARAM(WindowDriver::IdOf(Control::Combo1), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
  EXPECT_TRUE(w_->Visible(Control::cmdFix)) << "the fake again, measured in this run";
}

std::string ClipboardText() {
  std::string text;
  if (!::OpenClipboard(nullptr)) return "<clipboard busy>";
  if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(::GlobalLock(data))) {
      text = p;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

void PutOnClipboard(const std::string& text) {
  HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(::GlobalLock(memory), text.c_str(), text.size() + 1);
  ::GlobalUnlock(memory);
  ::OpenClipboard(nullptr);
  ::EmptyClipboard();
  ::SetClipboardData(CF_TEXT, memory);
  ::CloseClipboard();
}

TEST_F(WindowSmoke, CopyPutsTheWholeReportOnTheClipboard) {
  PutOnClipboard("left over from before");
  const std::string log = WindowDriver::TextOf(w_->Ctl(Control::Text1));
  ASSERT_NE(log, "");
  WindowDriver::Send(w_->Ctl(Control::cmdCopy), BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return ClipboardText() == log; }, kStepTimeoutMs)) << ClipboardText();
}

// The save question is the system's own dialog: a name typed into it gets the report, as Copy
// would copy it, and the drive map beside it.
TEST_F(WindowSmoke, SaveReportWritesTheReportAndTheMapWhereTheDialogSays) {
  const std::string log = WindowDriver::TextOf(w_->Ctl(Control::Text1));
  ASSERT_NE(log, "");
  char folder[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, folder);
  const std::string path = std::string(folder) + "sw smoke report.txt";
  const std::string mapPath = std::string(folder) + "sw smoke report.svg";
  ::DeleteFileA(path.c_str());
  ::DeleteFileA(mapPath.c_str());

  ::PostMessageA(w_->Ctl(Control::cmdSaveReport), BM_CLICK, 0, 0);
  HWND dialog = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        dialog = w_->Process().FindWindowOf("#32770", app::form_text::kSaveTitle);
        return dialog != nullptr;
      },
      kStepTimeoutMs))
      << "no save dialog";
  // The file name box is the dialog's one visible edit field (in a combo box in some versions).
  struct Found {
    HWND edit = nullptr;
    std::string seen;
  } found;
  ASSERT_TRUE(WaitFor(
      [&] {
        found = {};
        ::EnumChildWindows(
            dialog,
            [](HWND h, LPARAM p) -> BOOL {
              auto* f = reinterpret_cast<Found*>(p);
              char cls[64] = {};
              ::GetClassNameA(h, cls, sizeof cls);
              f->seen += std::string(cls) + "#" + std::to_string(::GetDlgCtrlID(h)) + " ";
              if (!f->edit && ::lstrcmpiA(cls, "Edit") == 0 && ::IsWindowVisible(h)) f->edit = h;
              return TRUE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found.edit != nullptr;
      },
      kStepTimeoutMs))
      << found.seen;
  HWND name = found.edit;
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                        SMTO_ABORTIFHUNG, kStepTimeoutMs, &ignored);
  ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(dialog); }, kStepTimeoutMs));

  std::vector<SeenBox> boxes;
  const auto said = [&] {
    return std::find_if(boxes.begin(), boxes.end(),
                        [](const SeenBox& b) { return b.title == core::kAppTitle; });
  };
  ASSERT_TRUE(w_->AnswerBoxesUntil([&] { return said() != boxes.end(); }, boxes));
  EXPECT_NE(said()->text.find(path), std::string::npos) << said()->text;
  std::ifstream saved(path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(saved)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, log);
  std::ifstream map(mapPath, std::ios::binary);
  const std::string svg((std::istreambuf_iterator<char>(map)), std::istreambuf_iterator<char>());
  EXPECT_NE(svg.find("</svg>"), std::string::npos);
  saved.close();
  map.close();
  ::DeleteFileA(path.c_str());
  ::DeleteFileA(mapPath.c_str());
  EXPECT_TRUE(w_->IdleLayout());
}

TEST_F(WindowSmoke, CloseBoxEndsTheProgramWithoutAFarewell) {
  HWND main = w_->Main();
  ASSERT_NE(main, nullptr);
  if (!Options().holdMarker.empty()) {
    // The screenshot script takes its picture now; the marker carries the window's place.
    RECT r{};
    ::GetWindowRect(main, &r);
    std::ofstream(Options().holdMarker)
        << r.left << ' ' << r.top << ' ' << r.right - r.left << ' ' << r.bottom - r.top << '\n';
    WaitFor(
        [] {
          return ::GetFileAttributesA(Options().holdMarker.c_str()) == INVALID_FILE_ATTRIBUTES;
        },
        120000);
  }
  ::PostMessageA(main, WM_CLOSE, 0, 0);
  DWORD exitCode = 99;
  ASSERT_TRUE(w_->Process().WaitForExit(kStepTimeoutMs, exitCode)) << "still running";
  EXPECT_EQ(exitCode, 0u);
}

// The close box while a test runs presses Cancel; the program ends once the command is over.
TEST(WindowSmokeCloseDuringTest, CloseBoxActsAsCancelThenEndsTheProgram) {
  WindowDriver w;
  ASSERT_TRUE(w.Start());
  std::string intro;
  ASSERT_TRUE(w.PassIntroduction(intro));
  HWND main = w.Main();
  ::PostMessageA(w.Ctl(Control::cmdQuickTest), BM_CLICK, 0, 0);

  bool closeSent = false;
  bool aliveAfterClose = false;
  std::vector<SeenBox> boxes;
  DWORD exitCode = 99;
  auto ended = [&] { return w.Process().WaitForExit(0, exitCode); };
  ASSERT_TRUE(w.AnswerBoxesUntil(ended, boxes, [&](HWND box) {
    // At the first box of the running test: the close box, then the box must still be there.
    if (closeSent || !w.BusyLayout()) return;
    ::PostMessageA(main, WM_CLOSE, 0, 0);
    closeSent = true;
    ::Sleep(500);
    aliveAfterClose = ::IsWindow(box) && ::IsWindow(main);
  }));
  EXPECT_TRUE(closeSent);
  EXPECT_TRUE(aliveAfterClose) << "the close box ended the program in the middle of a test";
  EXPECT_EQ(exitCode, 0u);
  for (const SeenBox& b : boxes) {
    EXPECT_EQ(b.text.find(app::form_text::kFarewellStart), std::string::npos) << "no farewell";
  }
}

}  // namespace
}  // namespace sw::testing::win32
