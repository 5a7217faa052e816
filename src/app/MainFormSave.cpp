// "Save Report...": the report text as Copy would copy it, and the drive map beside it.
#include "app/MainForm.h"
#include "app/MainFormTexts.h"
#include "core/Log.h"
#include "platform/WinApi.h"
#include "report/DriveMap.h"
#include "report/SavedFiles.h"

namespace sw::app {
namespace {

using core::kCrLf;

// What went wrong with one file, and what that means for the other one.
std::string CannotWriteText(const report::OutputFile& file, const char* consequence) {
  return form_text::kSaveCannotWrite + file.path() + kCrLf + form_text::kSaveReason +
         file.error() + kCrLf + kCrLf + consequence;
}

}  // namespace

void MainForm::cmdSaveReport_Click() {
  core::Window& w = ctx_.win;
  const std::string text = w.Text(core::Control::Text1);
  if (text.empty()) {
    w.MsgBox(form_text::kSaveNothing, win::MB_ICONINFORMATION, core::kAppTitle);
    return;
  }
  const std::string path = w.AskSavePath(form_text::kSaveTitle, form_text::kSaveSuggestedName);
  if (path.empty()) return;

  report::OutputFile reportFile(path);
  if (!reportFile.Write(text)) {
    w.MsgBox(CannotWriteText(reportFile, form_text::kSaveNothingSaved), win::MB_ICONCRITICAL,
             core::kAppTitle);
    return;
  }
  std::string saved = form_text::kSavedReport + path;
  // Only a test leaves locations to draw; a report of clean-ups alone has no map.
  if (!ctx_.state.LastRun.command.empty()) {
    std::string mapPath = report::MapPathBeside(path);
    // A report named like a map must not be overwritten by its own map.
    if (mapPath == path) mapPath += report::kMapSuffix;
    report::OutputFile mapFile(mapPath);
    if (!mapFile.Write(report::DriveMapSvg(ctx_.state.LastRun, ctx_.os.GeneralDate(ctx_.os.Now())))) {
      w.MsgBox(CannotWriteText(mapFile, form_text::kSaveMapNotSaved), win::MB_ICONCRITICAL,
               core::kAppTitle);
      return;
    }
    saved += kCrLf + std::string(form_text::kSavedMap) + mapPath;
  }
  w.MsgBox(saved + form_text::kSavedEnd, win::MB_ICONINFORMATION, core::kAppTitle);
}

}  // namespace sw::app
