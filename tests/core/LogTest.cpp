// The result log's line-break rules, debug gating and message boxes.
#include <gtest/gtest.h>

#include "core/Log.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::core {
namespace {

struct LogTest : ::testing::Test {
  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  std::string log() { return win.Text(Control::Text1); }
};

TEST_F(LogTest, LogTextAppendsExactlyAndKeepsCaretAtEnd) {
  win.SetText(Control::Text1, "head");
  win.selLength = 3;
  LogText(ctx, " more");
  LogText(ctx, "\r\nnext");
  EXPECT_EQ(log(), "head more\r\nnext");
  EXPECT_EQ(win.selStart, log().size());
  EXPECT_EQ(win.selLength, 0u);
}

TEST_F(LogTest, MyPrintOnlyInDebugMode) {
  win.SetText(Control::Text1, "x");
  MyPrint(ctx, "hidden");
  EXPECT_EQ(log(), "x");
  ctx.state.DebugMode = true;
  MyPrint(ctx, "x");
  MyPrint(ctx, "y");
  EXPECT_EQ(log(), "x\r\nx\r\ny");
}

TEST_F(LogTest, TraceStartsWithTheGeneralDateAndIsSilentOutsideDebugMode) {
  Trace(ctx, " Routine text");
  EXPECT_EQ(log(), "");
  ctx.state.DebugMode = true;
  Trace(ctx, " Routine text");
  EXPECT_EQ(log(), "\r\n" + os.GeneralDate(os.Now()) + " Routine text");
}

TEST_F(LogTest, LogMsgBoxLineBreakRules) {
  struct Row {
    std::string prompt;
    std::string logged;
  };
  const Row rows[] = {
      {"\r\nAlready new line", "\r\nAlready new line"},
      {"First\r\nthen more", "\r\nFirst\r\nthen more"},
      {"plain", "\r\nplain"},
      {"", "\r\n"},
      {"\n\rnot CR LF", "\r\n\n\rnot CR LF"},
  };
  for (const Row& row : rows) {
    win.SetText(Control::Text1, "");
    win.boxes.clear();
    LogMsgBox(ctx, row.prompt, win::MB_ICONINFORMATION);
    EXPECT_EQ(log(), row.logged) << row.prompt;
    ASSERT_EQ(win.boxes.size(), 1u);
    EXPECT_EQ(win.boxes[0].prompt, row.prompt);  // the box shows the prompt as given
    EXPECT_EQ(win.boxes[0].style, win::MB_ICONINFORMATION);
    EXPECT_EQ(win.boxes[0].title, "SIZEWARDEN");
  }
}

TEST_F(LogTest, LogMsgBoxReturnsTheAnswerAndPassesTheTitle) {
  win.answers.push_back(win::IDCANCEL);
  EXPECT_EQ(LogMsgBox(ctx, "q", win::MB_OKCANCEL, "Other"), win::IDCANCEL);
  EXPECT_EQ(win.boxes.at(0).title, "Other");
  EXPECT_EQ(LogMsgBox(ctx, "q", win::MB_OK), win::IDOK);
}

}  // namespace
}  // namespace sw::core
