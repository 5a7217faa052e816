// The terminal window: the report as it grows, boxes as prompts, Ctrl-C as the Cancel button.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "frontends/FakeConsole.h"
#include "frontends/cli/TerminalWindow.h"
#include "platform/WinApi.h"

namespace sw::frontends::cli {
namespace {

using core::Control;

class Terminal : public ::testing::Test {
 protected:
  TerminalWindow Make(TerminalWindow::Options options = {}) {
    return TerminalWindow(report, prompts, console, options);
  }
  void Append(TerminalWindow& w, const std::string& text) {
    w.SetText(Control::Text1, w.Text(Control::Text1) + text);
  }
  std::ostringstream report;
  std::ostringstream prompts;
  ConsoleScript script;
  FakeConsole console{script};
};

TEST_F(Terminal, ReportPrintsOnlyWhatWasAppendedWithLineBreaks) {
  TerminalWindow w = Make();
  Append(w, "TITLE");
  Append(w, "\r\nline 1");
  Append(w, " continued");
  EXPECT_EQ(report.str(), "TITLE\nline 1 continued");
  EXPECT_EQ(w.Text(Control::Text1), "TITLE\r\nline 1 continued");
  w.FinishReport();
  EXPECT_EQ(report.str(), "TITLE\nline 1 continued\n");
}

// The report keeps its padded columns and the blank some lines end with; a terminal line ends
// at its text, in the report and in the boxes alike.
TEST_F(Terminal, LinesEndAtTheirTextOnTheTerminal) {
  struct Row {
    std::vector<std::string> pieces;
    std::string shown;
  };
  const Row rows[] = {
      {{"E:     STICK   [DRIVE 1]      7.5GiB ACME    ", "\r\nnext"},
       "E:     STICK   [DRIVE 1]      7.5GiB ACME\nnext"},
      // A blank that ends a piece, not the line, stays.
      {{"BAD MEMORY from sector 5 (0.002MiB) ", "to sector 9 (0.004Mib)"},
       "BAD MEMORY from sector 5 (0.002MiB) to sector 9 (0.004Mib)"},
      {{"00:00:01 Writing E:\\WARDFILE1.tmp, 00:00:09 remaining ", "\r\n",
        "00:00:02 Writing E:\\WARDFILE2.tmp, 00:00:08 remaining "},
       "00:00:01 Writing E:\\WARDFILE1.tmp, 00:00:09 remaining\n"
       "00:00:02 Writing E:\\WARDFILE2.tmp, 00:00:08 remaining"},
      {{"a  ", "  ", " \r\n  \r\nb"}, "a\n\nb"},
  };
  for (const Row& row : rows) {
    report.str("");
    TerminalWindow w = Make();
    std::string all;
    for (const std::string& piece : row.pieces) {
      Append(w, piece);
      all += piece;
    }
    EXPECT_EQ(report.str(), row.shown);
    EXPECT_EQ(w.Text(Control::Text1), all) << "the report itself keeps every blank";
    w.FinishReport();
    EXPECT_EQ(report.str(), row.shown + "\n");
  }
  TerminalWindow w = Make();
  w.MsgBox("\r\nE:     STICK   [DRIVE 1]     \r\nOK?  ", win::MB_OK, "SIZEWARDEN");
  EXPECT_EQ(prompts.str(), "----- SIZEWARDEN -----\nE:     STICK   [DRIVE 1]\nOK?\n");
}

TEST_F(Terminal, ANewReportStartsOnItsOwnLine) {
  TerminalWindow w = Make();
  Append(w, "old report");
  w.SetText(Control::Text1, "SWD - Volume File Test");
  Append(w, "\r\nnext");
  EXPECT_EQ(report.str(), "old report\nSWD - Volume File Test\nnext");
}

TEST_F(Terminal, InformationBoxesArePrintedNotAsked) {
  TerminalWindow w = Make();
  Append(w, "heading\r\nPASSED");
  EXPECT_EQ(w.MsgBox("\r\nPASSED\r\n", win::MB_ICONINFORMATION, "SIZEWARDEN"), win::IDOK);
  EXPECT_EQ(w.MsgBox("Drive is not supported!", win::MB_ICONCRITICAL, "SIZEWARDEN"), win::IDOK);
  Append(w, "\r\nafter");
  EXPECT_EQ(prompts.str(),
            "----- SIZEWARDEN -----\nPASSED\n----- SIZEWARDEN -----\nDrive is not supported!\n");
  EXPECT_EQ(report.str(), "heading\nPASSED\nafter") << "the line ended for the box is not doubled";
  EXPECT_EQ(script.polls, 0);
}

TEST_F(Terminal, WithoutATerminalEveryQuestionIsCancel) {
  TerminalWindow w = Make();
  EXPECT_EQ(w.MsgBox("Erase?", win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, "Quick Size Test"),
            win::IDCANCEL);
  EXPECT_NE(prompts.str().find("[O]K/[C]ancel? Cancel (no terminal"), std::string::npos)
      << prompts.str();
}

TEST_F(Terminal, YesAnswersOkWithoutReading) {
  script.interactive = true;
  TerminalWindow w = Make({true, false});
  EXPECT_EQ(w.MsgBox("Erase?", win::MB_OKCANCEL, "Quick Size Test"), win::IDOK);
  EXPECT_NE(prompts.str().find("OK (--yes)"), std::string::npos);
}

TEST_F(Terminal, PromptAsksAgainUntilOkOrCancel) {
  script.interactive = true;
  script.lines = {"yes", " O ", "cancel", "^C"};
  TerminalWindow w = Make();
  EXPECT_EQ(w.MsgBox("Q1", win::MB_OKCANCEL, "T"), win::IDOK);
  EXPECT_EQ(w.MsgBox("Q2", win::MB_OKCANCEL, "T"), win::IDCANCEL);
  EXPECT_EQ(w.MsgBox("Q3", win::MB_OKCANCEL, "T"), win::IDCANCEL) << "Ctrl-C at a prompt";
  EXPECT_EQ(w.MsgBox("Q4", win::MB_OKCANCEL, "T"), win::IDCANCEL) << "end of input";
  std::size_t asks = 0;
  for (std::size_t at = prompts.str().find("[O]K/[C]ancel? "); at != std::string::npos;
       at = prompts.str().find("[O]K/[C]ancel? ", at + 1)) {
    ++asks;
  }
  EXPECT_EQ(asks, 5u);
}

TEST_F(Terminal, AnEmptyAnswerIsCancelOnlyWhereCancelIsTheDefault) {
  script.interactive = true;
  script.lines = {"", "", "ok"};
  TerminalWindow w = Make();
  EXPECT_EQ(w.MsgBox("Erase?", win::MB_OKCANCEL | win::MB_ICONWARNING | win::MB_DEFBUTTON2, "T"),
            win::IDCANCEL);
  EXPECT_EQ(w.MsgBox("List all?", win::MB_OKCANCEL, "T"), win::IDOK) << "asked again, then OK";
  EXPECT_TRUE(script.lines.empty());
}

// Ctrl-C presses Cancel only while the button can be clicked; one that came before waits for it
// (the command clears Cancel as it starts) and meanwhile answers every question Cancel, --yes
// or not.
TEST_F(Terminal, CtrlCBeforeTheButtonShowsPressesItOnceItShows) {
  TerminalWindow w = Make({true});
  int pressed = 0;
  w.onCancel = [&] { ++pressed; };
  w.SetVisible(Control::cmdCancel, false);
  w.SetEnabled(Control::cmdCancel, false);
  script.ctrlCAtPoll = 1;
  w.DoEvents();
  w.DoEvents();
  EXPECT_EQ(pressed, 0);
  EXPECT_TRUE(w.CancelPending());
  EXPECT_EQ(w.MsgBox("Go on?", win::MB_OKCANCEL, "T"), win::IDCANCEL) << "not OK by --yes";

  w.SetVisible(Control::cmdCancel, true);
  w.SetEnabled(Control::cmdCancel, true);
  w.DoEvents();
  EXPECT_EQ(pressed, 1);
  EXPECT_FALSE(w.CancelPending());
  w.DoEvents();
  EXPECT_EQ(pressed, 1) << "one signal, one press";
  EXPECT_EQ(w.MsgBox("Go on?", win::MB_OKCANCEL, "T"), win::IDOK);
  EXPECT_TRUE(w.Signalled());
}

TEST_F(Terminal, CtrlCWhileTheButtonShowsPressesItAtOnce) {
  TerminalWindow w = Make();
  int pressed = 0;
  w.onCancel = [&] { ++pressed; };
  w.SetVisible(Control::cmdCancel, true);
  w.SetEnabled(Control::cmdCancel, true);
  script.ctrlCAtPoll = 2;
  w.DoEvents();
  EXPECT_EQ(pressed, 0);
  EXPECT_FALSE(w.Signalled());
  w.DoEvents();
  EXPECT_EQ(pressed, 1);
}

TEST_F(Terminal, DebugHoldsShift) {
  TerminalWindow plain = Make();
  TerminalWindow debug = Make({false, true});
  EXPECT_EQ(plain.GetAsyncKeyState(core::VK_SHIFT), 0);
  EXPECT_NE(debug.GetAsyncKeyState(core::VK_SHIFT), 0);
  EXPECT_EQ(debug.GetAsyncKeyState(0x11), 0);
}

TEST_F(Terminal, ComboHoldsEntriesInOrderAndTheSelectionsText) {
  TerminalWindow w = Make();
  w.AddItem(Control::Combo1, "E: one");
  w.AddItem(Control::Combo1, "F: two");
  EXPECT_EQ(w.Text(Control::Combo1), "");
  w.SetListIndex(Control::Combo1, 1);
  EXPECT_EQ(w.Text(Control::Combo1), "F: two");
  w.SetListIndex(Control::Combo1, 2);
  EXPECT_EQ(w.ListIndex(Control::Combo1), -1);
  w.ClearItems(Control::Combo1);
  EXPECT_EQ(w.ListCount(Control::Combo1), 0);
}

}  // namespace
}  // namespace sw::frontends::cli
