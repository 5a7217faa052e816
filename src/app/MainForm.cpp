// Start-up, resizing, the service buttons and the close box of the main window.
#include "app/MainForm.h"

#include "core/Layouts.h"
#include "core/Log.h"
#include "app/MainFormTexts.h"
#include "diskio/PhysicalDrive.h"
#include "drives/DriveList.h"
#include "platform/WinApi.h"
#include "sw/Version.h"

namespace sw::app {
namespace {

constexpr std::size_t kStartupSectorBufferBytes = 4097;

std::string IntroductionText() {
  std::string text;
  for (std::size_t i = 0; i < form_text::kIntroduction.size(); ++i) {
    if (i > 0) text += core::kCrLf;
    text += form_text::kIntroduction[i];
  }
  return text;
}

}  // namespace

std::string BuildWindowTitle() {
  return std::string(form_text::kTitlePrefix) + std::to_string(SW_VERSION_MAJOR) + "." +
         std::to_string(SW_VERSION_MINOR) + "." + std::to_string(SW_VERSION_PATCH) +
         form_text::kTitleSuffix;
}

void MainForm::Form_Load() {
  core::Window& w = ctx_.win;
  core::TwipsRect r = w.Bounds();
  SavedHeight = static_cast<float>(r.height);
  SavedWidth = static_cast<float>(r.width);
  r.top = (w.ScreenHeight() - r.height) / 2;
  r.left = (w.ScreenWidth() - r.width) / 2;
  w.SetBounds(r);

  ctx_.state.WindowTitle = BuildWindowTitle();
  w.SetCaption(ctx_.state.WindowTitle);
  core::Hide_Cancel(ctx_);
  ctx_.state.SectorBuffer.Resize(kStartupSectorBufferBytes);
  Drive1_Change();
  if (options_.showIntroduction) w.MsgBox(IntroductionText(), win::MB_ICONINFORMATION, core::kAppTitle);
  w.Show();
}

void MainForm::Form_Resize() {
  core::Window& w = ctx_.win;
  if (w.Minimized()) return;
  core::TwipsRect r = w.Bounds();
  r.height = static_cast<int>(SavedHeight);
  r.width = static_cast<int>(SavedWidth);
  w.SetBounds(r);
}

void MainForm::Label2_Click() { ctx_.win.OpenWebPage(form_text::kTutorialUrl); }

void MainForm::cmdCopy_Click() {
  ctx_.win.ClipboardClear();
  ctx_.win.ClipboardSetText(ctx_.win.Text(core::Control::Text1));
}

void MainForm::cmdExit_Click() {
  ctx_.win.MsgBox(std::string(form_text::kFarewellStart) + form_text::kWebSite +
                      form_text::kFarewellJoin + form_text::kWebForum + form_text::kFarewellEnd,
                  win::MB_ICONINFORMATION, core::kAppTitle);
  diskio::MyCloseHandle(ctx_, ctx_.state.hDrive);
  ctx_.win.EndProgram();
}

void MainForm::cmdCancel_Click() { ctx_.state.CancelRequested = true; }

void MainForm::Drive1_Change() {
  drives::Drive1_Change(ctx_);
  OfferFix();
}

void MainForm::chkShowAll_Click() {
  // A rebuild reopens drives and overwrites DiskNumber and DriveSizeBytes under a running test.
  if (ctx_.state.TestRunning) return;
  const bool ticked = ctx_.win.Value(core::Control::chkShowAll) != 0;
  int answer = win::IDOK;
  if (ticked) answer = ctx_.win.MsgBox(form_text::kShowAllWarning, win::MB_OKCANCEL, core::kAppTitle);
  if (answer != win::IDOK) return;
  ctx_.state.ShowAllDrives = ticked;
  Drive1_Change();
}

void MainForm::cmdRefreshDrive_Click() { Drive1_Change(); }

void MainForm::Combo1_Click() {
  drives::Combo1_Change(ctx_);
  OfferFix();
}

void MainForm::Combo1_Change() {
  drives::Combo1_Change(ctx_);
  OfferFix();
}

void MainForm::GetVolumeLabel(const std::string& root, std::string& label) {
  drives::GetVolumeLabel(ctx_, root, label);
}

void MainForm::RequestClose() {
  if (ctx_.state.TestRunning) {
    closePending_ = true;
    cmdCancel_Click();
    return;
  }
  // Nothing should be open between commands; a handle left over must not outlive the program.
  if (ctx_.state.hDrive != platform::kInvalidHandle) ctx_.os.CloseHandle(ctx_.state.hDrive);
  ctx_.state.hDrive = platform::kInvalidHandle;
  ctx_.win.EndProgram();
}

void MainForm::FinishPendingClose() {
  if (!closePending_ || ctx_.state.TestRunning) return;
  closePending_ = false;
  ctx_.win.EndProgram();
}

}  // namespace sw::app
