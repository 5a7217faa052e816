// "Save Report..." after a test: the report text as Copy copies it, the drive map beside it,
// and clear boxes when a file cannot be written.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/MainForm.h"
#include "app/MainFormTexts.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::app {
namespace {

using core::Context;
using core::Control;
namespace fs = std::filesystem;

std::string ReadWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SaveReport : public ::testing::Test {
 protected:
  SaveReport() {
    platform::sim::AddDemoDrives(os);
    form.Form_Load();
    win.boxes.clear();
    dir_ = fs::temp_directory_path() /
           ("sw-save-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  ~SaveReport() override { fs::remove_all(dir_); }

  // The Quick Size Test of the demo fake (E:), which fails with bad memory to draw.
  void RunQuickTestOfTheFake() {
    form.Combo1_Click();
    ASSERT_EQ(ctx.state.SelectedVolume, "E:");
    form.cmdQuickTest_Click();
    ASSERT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
    win.boxes.clear();
  }

  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  MainForm form{ctx};
  fs::path dir_;
};

TEST_F(SaveReport, SavesTheReportAsCopiedAndTheMapBesideIt) {
  bool visibleWhileBusy = false;
  win.onDoEvents = [&](int) {
    if (ctx.state.TestRunning && win.Visible(Control::cmdSaveReport)) visibleWhileBusy = true;
  };
  RunQuickTestOfTheFake();
  EXPECT_FALSE(visibleWhileBusy) << "the button shows in the busy layout";
  EXPECT_TRUE(win.Visible(Control::cmdSaveReport));

  const std::string report = win.Text(Control::Text1);
  form.cmdCopy_Click();
  win.savePath = (dir_ / "fake stick.txt").string();
  form.cmdSaveReport_Click();

  ASSERT_EQ(win.saveQuestions.size(), 1u);
  EXPECT_EQ(win.saveQuestions[0],
            std::string(form_text::kSaveTitle) + "|" + form_text::kSaveSuggestedName);
  EXPECT_EQ(ReadWhole(dir_ / "fake stick.txt"), win.clipboard) << "the file holds what Copy copies";
  EXPECT_EQ(win.clipboard, report);
  EXPECT_NE(report.find("\r\n"), std::string::npos) << "line breaks are kept as the report has them";
  const std::string map = ReadWhole(dir_ / "fake stick.svg");
  EXPECT_NE(map.find("<svg"), std::string::npos) << map.substr(0, 80);
  EXPECT_NE(map.find("</svg>"), std::string::npos);

  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].style, win::MB_ICONINFORMATION);
  EXPECT_NE(win.boxes[0].prompt.find((dir_ / "fake stick.txt").string()), std::string::npos);
  EXPECT_NE(win.boxes[0].prompt.find((dir_ / "fake stick.svg").string()), std::string::npos);
  EXPECT_EQ(win.Text(Control::Text1), report) << "saving adds nothing to the report";
}

TEST_F(SaveReport, CancelledQuestionWritesNothingAndSaysNothing) {
  RunQuickTestOfTheFake();
  win.savePath.clear();
  form.cmdSaveReport_Click();
  EXPECT_EQ(win.saveQuestions.size(), 1u);
  EXPECT_TRUE(win.boxes.empty());
  EXPECT_TRUE(fs::is_empty(dir_));
}

TEST_F(SaveReport, AnEmptyReportIsNotSaved) {
  win.savePath = (dir_ / "r.txt").string();
  form.cmdSaveReport_Click();
  EXPECT_TRUE(win.saveQuestions.empty()) << "nothing to ask about";
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].prompt, form_text::kSaveNothing);
  EXPECT_TRUE(fs::is_empty(dir_));
}

// What cannot be written is named with the reason, and the report itself stays as it was.
TEST_F(SaveReport, FilesThatCannotBeWrittenAreClearBoxes) {
  RunQuickTestOfTheFake();
  const std::string report = win.Text(Control::Text1);
  struct Row {
    const char* name;
    bool makeMapFolder;  // a folder where the map would go
    const char* says;
    bool reportSaved;
  };
  const Row rows[] = {
      {"no such folder/r.txt", false, form_text::kSaveNothingSaved, false},
      {"m.txt", true, form_text::kSaveMapNotSaved, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    win.boxes.clear();
    const fs::path path = dir_ / row.name;
    const fs::path mapPath = fs::path(path).replace_extension(".svg");
    if (row.makeMapFolder) fs::create_directory(mapPath);
    win.savePath = path.string();
    form.cmdSaveReport_Click();
    ASSERT_EQ(win.boxes.size(), 1u);
    const std::string& prompt = win.boxes[0].prompt;
    EXPECT_EQ(win.boxes[0].style, win::MB_ICONCRITICAL);
    EXPECT_NE(prompt.find(form_text::kSaveCannotWrite), std::string::npos) << prompt;
    EXPECT_NE(prompt.find(row.reportSaved ? mapPath.string() : path.string()), std::string::npos)
        << prompt;
    EXPECT_NE(prompt.find(row.says), std::string::npos) << prompt;
    EXPECT_EQ(fs::is_regular_file(path), row.reportSaved);
    if (row.reportSaved) {
      EXPECT_EQ(ReadWhole(path), report);
    }
    EXPECT_EQ(win.Text(Control::Text1), report);
  }
}

TEST_F(SaveReport, AReportNamedLikeAMapKeepsBothFiles) {
  RunQuickTestOfTheFake();
  win.savePath = (dir_ / "r.svg").string();
  form.cmdSaveReport_Click();
  EXPECT_EQ(ReadWhole(dir_ / "r.svg"), win.Text(Control::Text1));
  EXPECT_NE(ReadWhole(dir_ / "r.svg.svg").find("</svg>"), std::string::npos);
}

// The clean-up alone tests nothing, so there are no locations to draw.
TEST_F(SaveReport, WithoutATestOnlyTheTextIsSaved) {
  win.SetText(Control::Text1, "\r\nDeleting F:\\WARDFILE*.tmp files...finished.");
  win.savePath = (dir_ / "cleanup.txt").string();
  form.cmdSaveReport_Click();
  EXPECT_TRUE(fs::is_regular_file(dir_ / "cleanup.txt"));
  EXPECT_FALSE(fs::exists(dir_ / "cleanup.svg"));
  ASSERT_EQ(win.boxes.size(), 1u);
  EXPECT_EQ(win.boxes[0].prompt.find(form_text::kSavedMap), std::string::npos);
}

}  // namespace
}  // namespace sw::app
