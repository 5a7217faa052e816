// Output files are written beside their target and renamed into its place: never through a
// link, never into anything but a regular file, and a run that does not write leaves the old
// file whole. '-' puts any one of them on stdout.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CliRun.h"
#include "report/SavedFiles.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace sw::report::testing {
namespace {

namespace fs = std::filesystem;

void Put(const std::string& path, const std::string& content) {
  std::ofstream(path, std::ios::binary) << content;
}

// A symbolic link, where the system lets this process make one (Wine does not).
bool MakeLink(const std::string& target, const std::string& link) {
  std::error_code ec;
  fs::create_symlink(target, link, ec);
  return !ec;
}

std::size_t EntriesIn(const std::string& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(OutputFile, ReplacesTheTargetOnlyOnceTheWholeContentIsWritten) {
  TempFolder folder;
  const std::string path = folder / "result.json";
  Put(path, "old");
  {
    OutputFile file(path);
    ASSERT_TRUE(file.opened()) << file.error();
    EXPECT_EQ(ReadWhole(path), "old") << "made ready beside it, the old file untouched";
    EXPECT_EQ(EntriesIn(folder / ""), 2u) << "the temporary file stands beside the target";
    ASSERT_TRUE(file.Write("new content\n")) << file.error();
  }
  EXPECT_EQ(ReadWhole(path), "new content\n");
  EXPECT_EQ(EntriesIn(folder / ""), 1u) << "no temporary file is left";
}

TEST(OutputFile, ARunThatNeverWritesLeavesTheOldFileWhole) {
  TempFolder folder;
  const std::string path = folder / "report.txt";
  Put(path, "the last report");
  { OutputFile file(path); }
  EXPECT_EQ(ReadWhole(path), "the last report");
  EXPECT_EQ(EntriesIn(folder / ""), 1u);
}

TEST(OutputFile, RefusesLinksAndAnythingButARegularFile) {
  TempFolder folder;
  const std::string victim = folder / "victim";
  Put(victim, "precious");
  fs::create_directory(folder / "dir");
  struct Row {
    std::string path;
    const char* why;
  };
  std::vector<Row> rows = {{folder / "dir", "not a regular file"},
                           {folder / "missing/out.json", "no file can be made"}};
  if (MakeLink(victim, folder / "link") && MakeLink(folder / "nowhere", folder / "dangling")) {
    rows.push_back({folder / "link", "symbolic link"});
    rows.push_back({folder / "dangling", "symbolic link"});
  }
#ifndef _WIN32
  ASSERT_EQ(::mkfifo((folder / "fifo").c_str(), 0600), 0);
  rows.push_back({folder / "fifo", "not a regular file"});
#endif
  const std::size_t entries = EntriesIn(folder / "");
  for (const Row& row : rows) {
    SCOPED_TRACE(row.path);
    OutputFile file(row.path);
    EXPECT_FALSE(file.opened());
    EXPECT_NE(file.error().find(row.why), std::string::npos) << file.error();
    EXPECT_FALSE(file.Write("overwritten"));
  }
  EXPECT_EQ(ReadWhole(victim), "precious");
  EXPECT_FALSE(fs::exists(folder / "nowhere")) << "a dangling link is not followed to create its target";
  EXPECT_EQ(EntriesIn(folder / ""), entries) << "nothing left behind";
}

// A link put in the target's place after the file was made ready is replaced, not followed.
TEST(OutputFile, ALinkThatAppearsMeanwhileIsReplacedNotFollowed) {
  TempFolder folder;
  const std::string victim = folder / "victim";
  Put(victim, "precious");
  const std::string path = folder / "result.json";
  OutputFile file(path);
  ASSERT_TRUE(file.opened());
  if (!MakeLink(victim, path)) GTEST_SKIP() << "no symbolic links here";
  ASSERT_TRUE(file.Write("{}\n")) << file.error();
  EXPECT_EQ(ReadWhole(victim), "precious");
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadWhole(path), "{}\n");
}

// A folder put in the target's place meanwhile cannot be replaced: the write fails, says why,
// and leaves nothing behind.
TEST(OutputFile, ATargetThatBecameAFolderFailsTheWriteCleanly) {
  TempFolder folder;
  const std::string path = folder / "report.txt";
  OutputFile file(path);
  ASSERT_TRUE(file.opened());
  fs::create_directory(path);
  Put(path + "/inside", "kept");
  EXPECT_FALSE(file.Write("report\n"));
  EXPECT_NE(file.error().find("could not be replaced"), std::string::npos) << file.error();
  EXPECT_EQ(ReadWhole(path + "/inside"), "kept");
  EXPECT_EQ(EntriesIn(folder / ""), 1u) << "the temporary file is gone";
}

TEST(ResultFiles, ALinkedPathStopsTheCommandBeforeItTouchesTheDrive) {
  TempFolder folder;
  const std::string victim = folder / "victim";
  Put(victim, "precious");
  if (!MakeLink(victim, folder / "link")) GTEST_SKIP() << "no symbolic links here";
  frontends::cli::ConsoleScript script;
  for (const char* option : {"--report", "--json", "--map"}) {
    SCOPED_TRACE(option);
    const CliResult r = RunSizewarden({"--simulate", "demo", "quick", "E:", "--yes", option, folder / "link"}, script);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("symbolic link"), std::string::npos) << r.err;
  }
  EXPECT_EQ(ReadWhole(victim), "precious");
}

// Each result can go to stdout; the report then makes way, to stderr; only one at a time.
TEST(ResultFiles, ADashMeansStdoutForEachAndOnlyOneMayHaveIt) {
  struct Row {
    const char* option;
    const char* starts;  // what stdout begins with
  };
  const Row rows[] = {{"--json", "{\n  \"format\": \"sizewarden-result\""},
                      {"--report", "SIZEWARDEN v"},
                      {"--map", "<?xml version=\"1.0\""}};
  TempFolder folder;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.option);
    frontends::cli::ConsoleScript script;
    const CliResult r = RunSizewarden({"--simulate", "demo", "quick", "F:", "--yes", row.option, "-"}, script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind(row.starts, 0), 0u) << r.out.substr(0, 200);
    EXPECT_NE(r.err.find("*** PASSED ***"), std::string::npos) << "the report on stderr";
    EXPECT_FALSE(fs::exists("-")) << "no file named '-'";
  }
  frontends::cli::ConsoleScript script;
  const CliResult two = RunSizewarden({"--simulate", "demo", "quick", "F:", "--yes", "--json", "-", "--map", "-"}, script);
  EXPECT_EQ(two.status, 2);
  EXPECT_EQ(two.out, "");
  EXPECT_NE(two.err.find("only one of --json, --report and --map can go to stdout"), std::string::npos) << two.err;
}

}  // namespace
}  // namespace sw::report::testing
