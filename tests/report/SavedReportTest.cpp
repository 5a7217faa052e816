// --report saves the report as the window's Copy button copies it; result paths that cannot be
// written stop the command before it starts.
#include <gtest/gtest.h>

#include "CliRun.h"
#include "report/SavedFiles.h"

namespace sw::report::testing {
namespace {

// The terminal prints the report's lines with LF and without the blanks that pad a line's end;
// the saved report keeps both.
std::string AsTerminalLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    if (text[i] == '\n') {
      while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    out += text[i];
  }
  return out;
}

TEST(SavedReport, HoldsTheWholeReportWithItsOwnLineBreaks) {
  TempFolder folder;
  frontends::cli::ConsoleScript script;
  const std::string path = folder / "report.txt";
  const CliResult r = RunSizewarden({"--simulate", "demo", "quick", "E:", "--yes", "--report", path}, script);
  ASSERT_EQ(r.status, 1);
  const std::string saved = ReadWhole(path);
  EXPECT_EQ(saved.rfind("SIZEWARDEN v", 0), 0u);
  for (std::size_t i = saved.find('\n'); i != std::string::npos; i = saved.find('\n', i + 1)) {
    ASSERT_EQ(saved[i - 1], '\r') << "CR LF everywhere, at " << i;
  }
  // The report ends with its last text, no line break after it, as the window holds it.
  EXPECT_NE(saved.back(), '\n');
  // What the terminal printed is the same report (the speeds line is the terminal's own).
  EXPECT_EQ(r.out.rfind(AsTerminalLines(saved), 0), 0u);
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
