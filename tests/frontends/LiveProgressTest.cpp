// Transcripts of a test on a terminal (one progress line redrawn in place) and through a pipe
// (the report's own progress lines), and each verdict said once.
#include <gtest/gtest.h>

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

TEST(LiveProgress, OnATerminalOneLineUpdatesAndThroughAPipeTheLinesStay) {
  struct Row {
    std::vector<std::string> args;
    const char* reportProgress;  // a progress line of the report itself
    const char* liveText;        // what only the live line says
  };
  const Row rows[] = {
      {{"--simulate", "demo", "quick", "E:", "--yes"}, "% complete", "Writing markers"},
      {{"--simulate", "demo", "files", "F:", "--yes"}, "Writing F:\\WARDFILE2.tmp", "Writing test files"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[2]);
    ConsoleScript pipe;
    const CliResult lines = RunSizewarden(row.args, pipe);
    EXPECT_GT(Count(lines.out, row.reportProgress), 0u);
    EXPECT_EQ(Count(lines.out, "\r"), 0u) << "a pipe gets no redrawn line";

    ConsoleScript tty;
    tty.terminalOutput = true;
    const CliResult live = RunSizewarden(row.args, tty);
    EXPECT_EQ(live.status, lines.status);
    EXPECT_EQ(Count(live.out, row.reportProgress), 0u) << "the live line stands for them";
    EXPECT_GT(Count(live.out, std::string("\r") + row.liveText), 1u) << "redrawn in place";
    EXPECT_NE(live.out.find(row.args[2] == "files" ? "Verifying files 1 - " : "Reading back"),
              std::string::npos) << "the other report lines stay";
    EXPECT_NE(live.out.find("Average speed: write "), std::string::npos);
  }
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
