// --report saves the report as the window's Copy button copies it; result paths that cannot be
// written stop the command before it starts.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "report/SavedFiles.h"

namespace sw::report::testing {
namespace {

// A saved report is a text file of the system it was saved on: its line breaks, one at the
// end, no blanks padding a line's end and none of the progress lines a run printed on its way.
TEST(SavedReport, IsATextFileOfTheSystemWithoutProgressLines) {
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* progress;  // a progress line of the window's report
  };
  const Row rows[] = {
      {{"--simulate", "demo", "quick", "E:", "--yes"}, 1, "% complete - "},
      {{"--simulate", "demo", "files", "F:", "--yes"}, 0, "Writing F:\\WARDFILE2.tmp"},
      {{"--simulate", "demo", "probe", "E:", "--yes"}, 1, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args[2]);
    TempFolder folder;
    frontends::cli::ConsoleScript script;
    const std::string path = folder / "report.txt";
    std::vector<std::string> args = row.args;
    args.insert(args.end(), {"--report", path});
    const CliResult r = RunSizewarden(args, script);
    ASSERT_EQ(r.status, row.status) << r.err;
    const std::string saved = ReadWhole(path);
    ASSERT_GT(saved.size(), 2u);
    EXPECT_NE(saved.find("SIZEWARDEN v"), std::string::npos);
#ifdef _WIN32
    for (std::size_t i = saved.find('\n'); i != std::string::npos; i = saved.find('\n', i + 1)) {
      ASSERT_EQ(saved[i - 1], '\r') << "CR LF everywhere, at " << i;
    }
    EXPECT_EQ(saved.substr(saved.size() - 2), "\r\n") << "a line break ends the last line";
    EXPECT_NE(saved.substr(saved.size() - 4), "\r\n\r\n");
#else
    EXPECT_EQ(saved.find('\r'), std::string::npos) << "LF line breaks only";
    EXPECT_EQ(saved.back(), '\n') << "a line break ends the last line";
    EXPECT_NE(saved[saved.size() - 2], '\n') << "and only one";
    // Through a pipe stdout is the saved report, then the terminal's own speeds line.
    EXPECT_EQ(r.out.rfind(saved, 0), 0u) << r.out;
#endif
    EXPECT_EQ(saved.find(" \n"), std::string::npos) << "no blanks at a line's end";
    EXPECT_EQ(saved.find(" \r"), std::string::npos) << "no blanks at a line's end";
    if (row.progress) {
      EXPECT_EQ(saved.find(row.progress), std::string::npos) << saved;
    }
    EXPECT_NE(saved.find(row.args[2] == "files" ? "Verifying" : "FAILED"), std::string::npos) << saved;
  }
}

TEST(SavedReport, AnUnwritablePathStopsTheCommandBeforeItTouchesTheDrive) {
  TempFolder folder;
  frontends::cli::ConsoleScript script;
  for (const char* option : {"--report", "--json", "--map"}) {
    const CliResult r = RunSizewarden(
        {"--simulate", "demo", "quick", "E:", "--yes", option, folder / "missing/folder/out"}, script);
    EXPECT_EQ(r.status, 2) << option;
    EXPECT_EQ(r.out, "") << "no test was started";
    EXPECT_NE(r.err.find("cannot write"), std::string::npos) << r.err;
  }
}

TEST(SavedReport, TheMapGoesBesideTheReport) {
  const struct {
    const char* report;
    const char* map;
  } rows[] = {
      {"r.txt", "r.svg"},
      {"/tmp/run.1/report", "/tmp/run.1/report.svg"},
      {"C:\\a.b\\report.txt", "C:\\a.b\\report.svg"},
      {"noext", "noext.svg"},
  };
  for (const auto& row : rows) EXPECT_EQ(MapPathBeside(row.report), row.map) << row.report;
}

}  // namespace
}  // namespace sw::report::testing
