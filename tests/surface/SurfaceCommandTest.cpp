// The full command end to end on simulated drives through the command line: its questions, its
// report lines, its exit statuses, its JSON document and map, and Ctrl-C.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "frontends/FakeConsole.h"
#include "frontends/cli/Cli.h"

namespace sw::surface {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

class SurfaceCommand : public ::testing::Test {
 protected:
  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), "sizewarden");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int status = frontends::cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err,
                                              [this](bool catchCtrlC) {
                                                script.catching = catchCtrlC;
                                                return std::make_unique<frontends::cli::FakeConsole>(script);
                                              });
    return {status, out.str(), err.str()};
  }
  frontends::cli::ConsoleScript script;
};

// The report of a fake whose memory follows the writes, line by line from the findings on.
TEST_F(SurfaceCommand, AFollowingFakeIsToldAfterItsRealEndWithEveryFigure) {
  const Result r = Run({"--simulate", "E:64Mi:real=8Mi:follow:speed=10M", "full", "E:", "--yes"});
  EXPECT_EQ(r.status, 1) << r.err;
  const std::string expected =
      "SWD - Full Surface Test (destructive)\n"
      "E:     (no label)   [DRIVE 1]      62.7MiB SIMTEK Flash Disk\n"
      "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 67,108,864 bytes\n"
      "\n"
      "Testing the whole surface of drive 1: writing test blocks from its first sector, reading samples of what "
      "was written as it goes.\n"
      "\n"
      "Writing stopped after 9.0MiB (18432 sectors): samples of what was written showed that the drive's memory "
      "had run out.\n"
      "Announced size: 67,108,864 bytes (131072 sectors)\n"
      "Sectors read back: 18432 of 131072\n"
      "Kept their data: 16384\n"
      "Lost (read back as a fill): 2048\n"
      "Overwritten by other sectors' blocks: 0\n"
      "Changed (neither its data nor a fill): 0\n"
      "Unreadable: 0\n"
      "Sectors that kept their data: 0 to 16383\n"
      "Last good sector (the real end): 16383\n"
      "Real size: 8,388,608 bytes (8.0MiB)\n"
      "Write speed: no collapse along the drive\n";
  EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("*** FAILED ***"), std::string::npos);
  EXPECT_NE(r.out.find("Recommended maximum usable partition size: 7.0MiB (exact Last good Sector=16383)"),
            std::string::npos);
  EXPECT_NE(r.out.find("The test overwrote the whole drive: reformat it before use."), std::string::npos);
  // The two questions naming the disk, then the one about the memory that ran out.
  EXPECT_NE(r.err.find("ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 1?"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("The drive's memory has run out: after 9.0MiB (18432 sectors) were written, "),
            std::string::npos)
      << r.err;
}

TEST_F(SurfaceCommand, VerdictsBecomeExitStatuses) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> shown;  // in the report
  };
  const Row rows[] = {
      {{"--simulate", "E:32Mi", "full", "E:", "--yes"}, 0,
       {"Full surface test was OK    *** PASSED ***", "Sectors that kept their data: 0 to 65535\n",
        "Recommended maximum usable partition size: 31.0MiB (exact Last good Sector=65535)"}},
      {{"--simulate", "E:64Mi:real=8Mi:wrap", "full", "E:", "--yes"}, 1,
       {"Overwritten by other sectors' blocks: 2048 (e.g. sector 0 holds the block of sector 16384)\n",
        "Last good sector (the real end): 16383\n", "*** FAILED ***"}},
      {{"--simulate", "E:64Mi:real=8Mi:follow:full=evict", "full", "E:", "--yes"}, 1,
       {"Sectors that kept their data: 2048 to 18431\n",
        "Last good sector (the real end): none (sector 0 does not keep its data)\n", "*** FAILED ***"}},
      {{"--simulate", "E:64Mi:real=8Mi:limbo:cache=256", "full", "E:", "--yes"}, 1,
       {"Sectors that kept their data: 0 to 16383, 18176 to 18431\n"}},
      {{"--simulate", "E:64Mi:real=8Mi:limbo:readerr", "full", "E:", "--yes"}, 1, {"Unreadable: 2048\n"}},
      {{"--simulate", "E:64Mi:speed=10M:fast=8Mi", "full", "E:", "--yes"}, 0,
       {"Write speed collapses at 8.0MiB: from a median of 40.", " MB/s before it to 9.98"}},
      // No terminal to ask and no --yes: the first question is answered Cancel.
      {{"--simulate", "E:64Mi:real=8Mi", "full", "E:"}, 2, {}},
      {{"--simulate", "E:64Mi", "full", "Q:", "--yes"}, 2, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const Result r = Run(row.args);
    EXPECT_EQ(r.status, row.status) << r.err;
    for (const std::string& text : row.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text << r.out;
    if (row.status == 2) {
      EXPECT_EQ(r.out.find("Testing the whole surface"), std::string::npos) << r.out;
    }
  }
}

// On a terminal the user may have the whole drive mapped instead: Cancel at the third question.
TEST_F(SurfaceCommand, OnATerminalTheWholeDriveCanBeMapped) {
  script.interactive = true;
  script.lines = {"o", "o", "c"};
  const Result r = Run({"--simulate", "E:64Mi:real=8Mi:follow", "full", "E:"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_NE(r.out.find("The samples went wrong after 9.0MiB (18432 sectors); writing went on to the end of the "
                       "drive, as asked.\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Sectors read back: 131072 of 131072\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Lost (read back as a fill): 114688\n"), std::string::npos) << r.out;
}

TEST_F(SurfaceCommand, CtrlCCancelsIt) {
  script.ctrlCAtPoll = 6;
  const Result r = Run({"--simulate", "E:64Mi", "full", "E:", "--yes"});
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("TEST ABORTED!"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("*** PASSED ***"), std::string::npos) << r.out;
}

TEST_F(SurfaceCommand, TheJsonDocumentAndTheMapHoldTheFindings) {
  const auto folder = std::filesystem::temp_directory_path() / ("sw-surface-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string json = (folder / "r.json").string();
  const std::string map = (folder / "m.svg").string();
  const Result r = Run({"--simulate", "E:64Mi:real=8Mi:follow", "full", "E:", "--yes", "--json", json, "--map", map});
  EXPECT_EQ(r.status, 1) << r.err;
  std::string text;
  {
    // Closed before the folder goes: Windows deletes no file that is still open.
    std::ifstream in(json);
    std::stringstream doc;
    doc << in.rdbuf();
    text = doc.str();
  }
  for (const char* part : {"\"command\": \"full\"", "\"verdict\": \"failed\"", "\"last_good_sector\": 16383",
                           "\"real_bytes\": 8388608", "\"recommended_bytes\": 7340032", "\"first_sector\": 16384",
                           "\"last_sector\": 18431"}) {
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
  EXPECT_TRUE(std::filesystem::exists(map));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace sw::surface
