// Transcripts of a test on a terminal (one progress line redrawn in place, as wide as the
// terminal allows) and through a pipe (a few plain progress lines on stderr, none in the
// report), and each verdict said once.
#include <gtest/gtest.h>

#include <algorithm>

#include "frontends/cli/LiveLine.h"
#include "frontends/cli/TerminalWindow.h"
#include "report/CliRun.h"

namespace sw::frontends::cli {
namespace {

using report::testing::CliResult;
using report::testing::RunSizewarden;

std::size_t Count(const std::string& text, const std::string& piece) {
  std::size_t n = 0;
  for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

// The widest the cursor went on any one line: each CR or LF starts a new one, a backspace
// only steps back over what was already drawn.
std::size_t WidestDrawnLine(const std::string& transcript) {
  std::size_t widest = 0, column = 0, reach = 0;
  for (char c : transcript) {
    if (c == '\r' || c == '\n') {
      column = reach = 0;
    } else if (c == '\b') {
      column = column > 0 ? column - 1 : 0;
    } else {
      reach = std::max(reach, ++column);
    }
    widest = std::max(widest, reach);
  }
  return widest;
}

TEST(LiveProgress, OnATerminalOneLineUpdatesAndThroughAPipeAFewLinesGoToStderr) {
  struct Row {
    std::vector<std::string> args;
    const char* reportProgress;  // a progress line of the report itself
    const char* liveText;        // what only the live line says
    std::size_t phases;          // phases with a known length
  };
  const Row rows[] = {
      {{"--simulate", "demo", "quick", "E:", "--yes"}, "% complete", "Writing markers", 2},
      {{"--simulate", "demo", "files", "F:", "--yes"}, "Writing F:\\WARDFILE2.tmp", "Writing test files", 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[2]);
    ConsoleScript pipe;
    const CliResult lines = RunSizewarden(row.args, pipe);
    EXPECT_EQ(Count(lines.out, row.reportProgress), 0u) << "no progress in the report";
    EXPECT_EQ(Count(lines.out, "\r"), 0u) << "a pipe gets no redrawn line";
    const std::size_t told = Count(lines.err, std::string("\n") + row.liveText);
    EXPECT_GE(told, 1u) << lines.err;
    EXPECT_LE(Count(lines.err, "%  "), (TerminalWindow::kProgressSteps - 1) * row.phases) << lines.err;

    ConsoleScript tty;
    tty.terminalOutput = true;
    const CliResult live = RunSizewarden(row.args, tty);
    EXPECT_EQ(live.status, lines.status);
    EXPECT_EQ(Count(live.out, row.reportProgress), 0u) << "the live line stands for them";
    EXPECT_GT(Count(live.out, std::string("\r") + row.liveText), 1u) << "redrawn in place";
    EXPECT_NE(live.out.find(row.args[2] == "files" ? "Verifying files 1 - " : "Reading back"),
              std::string::npos) << "the other report lines stay";
    EXPECT_NE(live.out.find("Average speed: write "), std::string::npos);
    EXPECT_EQ(Count(live.err, "%  "), 0u) << "no step lines beside the live line";
  }
}

// The probe's search phase has the longest name and every figure: the live line must still fit.
TEST(LiveProgress, TheLiveLineFitsTheTerminalsWidth) {
  const struct {
    int columns;
    std::size_t widest;
  } rows[] = {{80, 79}, {50, 49}, {0, kUnknownLineWidth}, {200, 199}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.columns);
    ConsoleScript tty;
    tty.terminalOutput = true;
    tty.columns = row.columns;
    const CliResult r = RunSizewarden({"--simulate", "demo", "probe", "E:", "--yes"}, tty);
    ASSERT_EQ(r.status, 1) << r.err;
    ASSERT_GT(Count(r.out, "\rSearching the last good sector"), 0u) << "the long phase was drawn";
    std::string drawn;
    for (std::size_t at = r.out.find('\r'); at != std::string::npos; at = r.out.find('\r', at + 1)) {
      drawn += r.out.substr(at, r.out.find_first_of("\r\n", at + 1) - at);
    }
    EXPECT_LE(WidestDrawnLine(drawn), row.widest) << drawn;
  }
}

TEST(LiveLine, LeavesOffWhatMattersLeastFirst) {
  core::ProgressUpdate u;
  u.phase = "Searching the last good sector";
  u.done = 55;
  u.total = 100;
  u.bytesMoved = 2'611'000;
  u.elapsedSeconds = 1;
  u.remainingSeconds = 3723;
  const struct {
    std::size_t width;
    const char* line;
  } rows[] = {
      {200, "Searching the last good sector  55%  2.49 MB/s  elapsed 0:00:01  remaining 1:02:03"},
      {82, "Searching the last good sector  55%  2.49 MB/s  elapsed 0:00:01  remaining 1:02:03"},
      {81, "Searching the last good sector  55%  2.49 MB/s  remaining 1:02:03"},
      {79, "Searching the last good sector  55%  2.49 MB/s  remaining 1:02:03"},
      {64, "Searching the last good sector  55%  remaining 1:02:03"},
      {49, "Searching the last good sector  55%"},
      {35, "Searching the last good sector  55%"},
      {20, "Searching th...  55%"},
      {6, "Search"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.width);
    const std::string line = LiveLineText(u, row.width);
    EXPECT_EQ(line, row.line);
    EXPECT_LE(line.size(), row.width);
  }
}

TEST(LiveLine, LineWidthLeavesTheLastColumnFree) {
  EXPECT_EQ(LineWidthFor(80), 79u);
  EXPECT_EQ(LineWidthFor(50), 49u);
  EXPECT_EQ(LineWidthFor(0), kUnknownLineWidth);
  EXPECT_EQ(kUnknownLineWidth, 79u);
}

TEST(SaidOnce, AVerdictBoxTheReportHoldsIsNotPrintedAgainButAQuestionIs) {
  ConsoleScript script;
  const CliResult r = RunSizewarden({"--simulate", "demo", "quick", "E:", "--yes"}, script);
  EXPECT_EQ(Count(r.out, "*** FAILED ***"), 1u);
  EXPECT_EQ(Count(r.err, "*** FAILED ***"), 0u);
  EXPECT_EQ(Count(r.err, "Unplug and re-connect"), 0u);
  EXPECT_EQ(Count(r.err, "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 1?"), 1u);
}

}  // namespace
}  // namespace sw::frontends::cli
