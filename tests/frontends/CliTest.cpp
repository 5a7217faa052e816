// The sizewarden command line end to end on simulated drives: output, questions, exit statuses.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "frontends/FakeConsole.h"
#include "frontends/cli/Cli.h"
#include "sw/Version.h"

namespace sw::frontends::cli {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  Result Run(std::vector<std::string> args) {
    args.insert(args.begin(), "sizewarden");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::ostringstream out;
    std::ostringstream err;
    const int status =
        RunCli(static_cast<int>(argv.size()), argv.data(), out, err, [this](bool catchCtrlC) {
          script.catching = catchCtrlC;
          return std::make_unique<FakeConsole>(script);
        });
    return {status, out.str(), err.str()};
  }
  ConsoleScript script;
};

TEST_F(Cli, ListPrintsTheDemoDrivesAsTheDriveListHoldsThem) {
  const Result r = Run({"--simulate", "demo", "list", "--all"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "\\\\.\\PhysicalDrive1  E:     BARGAIN32   [DRIVE 1]      29.7GiB SIMTEK Flash Disk 32G\n"
            "\\\\.\\PhysicalDrive2  F:     GENUINE16   [DRIVE 2]      14.8GiB SIMTEK Flash Disk 16G\n"
            "E:  simulated USB drive 1, volume 1\n"
            "F:  simulated USB drive 2, volume 1\n");
  EXPECT_FALSE(script.catching) << "listing leaves Ctrl-C alone";
  // --all already answered the warning box: the terminal does not show it again.
  EXPECT_EQ(r.err, "");
}

TEST_F(Cli, MistakesOnTheCommandLineAreNamedShortly) {
  const std::string blob(100000, 'x');
  struct Row {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err;
  };
  const Row rows[] = {
      {{"--version"}, 0, std::string("sizewarden ") + SW_VERSION_TEXT + "\n", ""},
      {{"bogus"}, 2, "",
       "sizewarden: unknown command 'bogus'; the commands are list, quick, probe, full, files and cleanup "
       "(see --help)\n"},
      {{"--simulate", "demo", "lisst", "E:"}, 2, "",
       "sizewarden: unknown command 'lisst'; the commands are list, quick, probe, full, files and cleanup "
       "(see --help)\n"},
      {{"--simulate", "demo", "quick", blob, "--yes"}, 2, "",
       "sizewarden: not a drive letter: " + std::string(80, 'x') + "...\n"},
      {{"--simulate", "demo", blob}, 2, "",
       "sizewarden: unknown command '" + std::string(80, 'x') +
           "...'; the commands are list, quick, probe, full, files and cleanup (see --help)\n"},
      {{"quick"}, 2, "", "sizewarden: DRIVE is required\nRun with --help for more information.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.args.front().substr(0, 20));
    const Result r = Run(row.args);
    EXPECT_EQ(r.status, row.status);
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.err, row.err);
  }
}

TEST_F(Cli, ListShowsOtherBusesOnlyWithAll) {
  const std::vector<std::string> machine = {"--simulate", "E:sata:64G:label=DISK", "--simulate",
                                            "F:8G"};
  std::vector<std::string> args = machine;
  args.push_back("list");
  Result r = Run(args);
  EXPECT_EQ(r.out.find("E:"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.rfind("\\\\.\\PhysicalDrive2  F:     (no label)   [DRIVE 2]", 0), 0u) << r.out;

  args.push_back("--all");
  r = Run(args);
  EXPECT_EQ(r.out.rfind("\\\\.\\PhysicalDrive1  E:     DISK   [DRIVE 1]", 0), 0u) << r.out;
}

TEST_F(Cli, EmptyMachineSaysSoAndSucceeds) {
  const Result r = Run({"--simulate", "demo", "list"});
  ASSERT_EQ(r.status, 0);
  const Result none = Run({"--simulate", "E:sata:8G", "list"});
  EXPECT_EQ(none.status, 0);
  EXPECT_EQ(none.out, "");
  EXPECT_NE(none.err.find("No drive to test was found."), std::string::npos);
}

TEST_F(Cli, MalformedSimulationIsAClearErrorWithStatusTwo) {
  const std::vector<std::string> bad = {
      "E:usb:32Q",     "usb:32G", "",          "E:",
      "E:8G:real=16G", "C:8G",    "E:8G:wrap", std::string(5000, 'x')};
  for (const std::string& config : bad) {
    const Result r = Run({"--simulate", config, "list"});
    EXPECT_EQ(r.status, 2) << config;
    EXPECT_EQ(r.out, "") << config;
    EXPECT_EQ(r.err.rfind("sizewarden: ", 0), 0u) << config << ": " << r.err;
  }
  Result r = Run({"--simulate", "E:8G", "--simulate", "E:16G", "list"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("E:"), std::string::npos) << r.err;
  r = Run({"--simulate", "E:8G", "--simulate", "demo", "list"});
  EXPECT_EQ(r.status, 2);
  r = Run({"--simulate"});
  EXPECT_EQ(r.status, 2);
}

TEST_F(Cli, BadArgumentsAndUnknownDrivesGiveStatusTwo) {
  EXPECT_EQ(Run({"--simulate", "demo"}).status, 2) << "a command is required";
  EXPECT_EQ(Run({"--simulate", "demo", "quick"}).status, 2) << "the drive is required";
  EXPECT_EQ(Run({"--simulate", "demo", "frobnicate"}).status, 2);
  Result r = Run({"--simulate", "demo", "quick", "EE", "--yes"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("not a drive letter: EE"), std::string::npos);
  r = Run({"--simulate", "demo", "quick", "G:", "--yes"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("no drive G: in the drive list"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "") << "nothing ran";
  r = Run({"--simulate", "demo", "files", "C:", "--yes", "--all"});
  EXPECT_EQ(r.status, 2) << "drive 0 is never listed";
}

TEST_F(Cli, HelpDocumentsCommandsStatusesAndSimulation) {
  const Result r = Run({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* expected : {"list", "quick", "probe", "files", "cleanup", "--simulate",
                               "Exit status:", "3  cancelled", "real=SIZE", "demo"}) {
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected;
  }
}

TEST_F(Cli, WithoutATerminalTheQuickTestIsNotRun) {
  const Result r = Run({"--simulate", "demo", "quick", "E:"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Cancel (no terminal"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("Writing marker"), std::string::npos) << r.out;
  EXPECT_TRUE(script.catching);
}

TEST_F(Cli, QuickTestVerdictsBecomeExitStatuses) {
  Result r = Run({"--simulate", "demo", "quick", "E:", "--yes"});
  EXPECT_EQ(r.status, 1) << "the demo's E: is a counterfeit";
  EXPECT_NE(r.out.find("FAILED"), std::string::npos);
  EXPECT_EQ(r.out.rfind("SIZEWARDEN v", 0), 0u) << "the report starts with the title";
  EXPECT_EQ(r.out.find('\r'), std::string::npos);
  EXPECT_EQ(r.out.back(), '\n');

  r = Run({"--simulate", "demo", "quick", "F:", "--yes"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("PASSED"), std::string::npos);
}

TEST_F(Cli, HelpStatesTheProbesBoundOnItsWrites) {
  Result r = Run({"--help"});
  for (char& c : r.out) c = c == '\n' ? ' ' : c;  // however the lines are wrapped
  const auto at = r.out.find("The probe writes at most ");
  ASSERT_NE(at, std::string::npos) << r.out;
  EXPECT_NE(r.out.find(" on a 2 TB drive, the restore of the saved blocks included", at), std::string::npos)
      << r.out.substr(at);
  EXPECT_NE(Run({"probe", "--help"}).out.find("--destructive"), std::string::npos);
}

// The probe's verdicts as exit statuses, on the demo's fake (8 GB real of 32) and genuine stick.
TEST_F(Cli, ProbeVerdictsBecomeExitStatuses) {
  struct Row {
    std::vector<std::string> args;
    int status;
    std::vector<std::string> shown;  // in the report
  };
  const Row rows[] = {
      {{"--simulate", "demo", "probe", "E:", "--yes"}, 1,
       {"SWD - Exact Probe (non-destructive)", "\nLast good sector: 15624999\n", "*** FAILED ***",
        "(exact Last good Sector=15624999)", "Original blocks restored: all of them."}},
      {{"--simulate", "demo", "probe", "F:", "--yes"}, 0,
       {"*** PASSED ***", "Kind of drive: NO FAKE FOUND", "Not ruled out by a probe: ",
        "The Full-Surface Test writes every sector"}},
      {{"--simulate", "demo", "probe", "E:", "--yes", "--destructive"}, 1,
       {"SWD - Exact Probe (destructive)", "\nLast good sector: 15624999\n",
        "Original blocks not restored (destructive probe)."}},
      // No terminal to ask and no --yes: the first question is answered Cancel.
      {{"--simulate", "demo", "probe", "E:"}, 2, {}},
      {{"--simulate", "demo", "probe", "Q:", "--yes"}, 2, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::PrintToString(row.args));
    const Result r = Run(row.args);
    EXPECT_EQ(r.status, row.status) << r.err;
    for (const std::string& text : row.shown) EXPECT_NE(r.out.find(text), std::string::npos) << text;
    if (row.status == 2) {
      EXPECT_EQ(r.out.find("Probing drive"), std::string::npos) << r.out;
    }
  }
}

TEST_F(Cli, CtrlCDuringTheProbeCancelsIt) {
  script.ctrlCAtPoll = 4;
  const Result r = Run({"--simulate", "demo", "probe", "E:", "--yes"});
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.out.find("TEST ABORTED!"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("*** FAILED ***"), std::string::npos) << r.out;
}

TEST_F(Cli, AnsweredQuestionsOnATerminal) {
  script.interactive = true;
  script.lines = {"o", "c"};
  const Result r = Run({"--simulate", "demo", "quick", "F:"});
  EXPECT_EQ(r.status, 2) << "Cancel at the second confirmation";
  EXPECT_NE(r.err.find("ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 2?"),
            std::string::npos);
}

TEST_F(Cli, CtrlCDuringTheTestCancelsIt) {
  script.ctrlCAtPoll = 4;
  const Result r = Run({"--simulate", "demo", "quick", "E:", "--yes"});
  EXPECT_EQ(r.status, 3) << r.out;
  EXPECT_NE(r.err.find("Cancel pressed (Ctrl-C)"), std::string::npos);
}

// Ctrl-C or a signal in the first moments of a run, before its Cancel button shows (while the
// drives are listed, the drive is picked, the questions are answered with --yes), stops it as the
// button does: status 3, no verdict, nothing written. The first polls come before the button.
TEST_F(Cli, ASignalBeforeTheCancelButtonShowsStillCancelsTheRun) {
  const std::vector<std::vector<std::string>> commands = {
      {"quick", "E:"}, {"probe", "E:"}, {"files", "E:"}, {"files", "E:", "--thorough"}};
  for (const std::vector<std::string>& command : commands) {
    for (const int poll : {1, 2, 3}) {
      SCOPED_TRACE(command[0] + (command.size() > 2 ? " " + command[2] : "") + " at poll " + std::to_string(poll));
      script = {};
      script.ctrlCAtPoll = poll;
      std::vector<std::string> args = {"--simulate", "E:2G:vol=G:"};
      args.insert(args.end(), command.begin(), command.end());
      args.insert(args.end(), {"--yes", "--json", "-"});
      const Result r = Run(args);
      EXPECT_EQ(r.status, 3) << r.err;
      EXPECT_EQ(r.err.find("PASSED"), std::string::npos) << r.err;
      EXPECT_NE(r.out.find("\"verdict\": \"cancelled\""), std::string::npos) << r.out;
      EXPECT_NE(r.out.find("\"code\": \"cancelled\""), std::string::npos) << r.out;
    }
  }
}

// Ctrl-C typed at a question is that same Cancel: the run is cancelled, not refused.
TEST_F(Cli, CtrlCAtAQuestionCancelsTheRun) {
  script.interactive = true;
  script.lines = {"^C"};
  const Result r = Run({"--simulate", "demo", "quick", "F:", "--json", "-"});
  EXPECT_EQ(r.status, 3) << r.err;
  EXPECT_NE(r.out.find("\"verdict\": \"cancelled\""), std::string::npos) << r.out;
}

TEST_F(Cli, DebugStandsForShift) {
  const Result plain = Run({"--simulate", "demo", "quick", "F:", "--yes"});
  const Result debug = Run({"--simulate", "demo", "quick", "F:", "--yes", "--debug"});
  EXPECT_EQ(plain.out.find(" SCSI size="), std::string::npos);
  EXPECT_NE(debug.out.find(" SCSI size="), std::string::npos);
  EXPECT_EQ(debug.status, 0);
}

TEST_F(Cli, VolumeCommandsWorkOnTheFirstVolumeOfAnEntry) {
  const std::vector<std::string> machine = {"--simulate", "E:16G:free=1G:vol=G:"};
  std::vector<std::string> args = machine;
  args.insert(args.end(), {"files", "G:", "--yes"});
  Result r = Run(args);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("G: is not the first volume of its drive"), std::string::npos) << r.err;

  args = machine;
  args.insert(args.end(), {"files", "e", "--yes"});
  r = Run(args);
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("PASSED"), std::string::npos);

  args = machine;
  args.insert(args.end(), {"cleanup", "E:"});
  EXPECT_EQ(Run(args).status, 0);
}

}  // namespace
}  // namespace sw::frontends::cli

namespace sw::frontends::cli {
namespace {

TEST_F(Cli, ADeviceNamedExplicitlyIsFoundWithoutAllAndNamesTheWholeDrive) {
  // A SATA drive is listed only with --all, unless it is named by its device.
  const Result r = Run({"--simulate", "E:sata:8G:vol=F:", "quick", "\\\\.\\PhysicalDrive1", "--yes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("PASSED"), std::string::npos) << r.out;
  const Result lower = Run({"--simulate", "G:8G:free=300Mi", "files", "//./physicaldrive1", "--yes"});
  EXPECT_EQ(lower.status, 0) << lower.err;
  EXPECT_NE(lower.err.find("OK to fill G: with"), std::string::npos) << "the drive's first volume";
}

TEST_F(Cli, DevicePathsThatNameNoListedDriveAreClearErrors) {
  struct Row {
    std::string device;
    std::string says;
  };
  const Row rows[] = {
      {"\\\\.\\PhysicalDrive0", "is the disk of the running system"},
      {"\\\\.\\PhysicalDrive7", "is not in the drive list"},
      {"\\\\.\\PhysicalDriveX", "not a device path"},
      {"/dev/sdb", "not a device path"},  // the simulator has no /dev
  };
  for (const Row& row : rows) {
    const Result r = Run({"--simulate", "demo", "quick", row.device, "--yes"});
    EXPECT_EQ(r.status, 2) << row.device;
    EXPECT_NE(r.err.find(row.says), std::string::npos) << row.device << ": " << r.err;
    EXPECT_EQ(r.out, "") << "nothing ran for " << row.device;
  }
}

#if !defined(_WIN32)
TEST_F(Cli, OnLinuxALetterWithYesIsRefusedBeforeAnyDriveIsTouched) {
  // Real drives: a letter follows device order, so --yes needs the device. Refused before the
  // drive list is even built, so this runs safely on any machine.
  const Result r = Run({"quick", "E:", "--yes"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("E:: with --yes, name the drive by its device"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  // The probe writes too (and restores only at its end): the same rule.
  const Result probe = Run({"probe", "E:", "--yes"});
  EXPECT_EQ(probe.status, 2);
  EXPECT_NE(probe.err.find("E:: with --yes, name the drive by its device"), std::string::npos) << probe.err;
  // The simulator's letters stay where they are put.
  EXPECT_EQ(Run({"--simulate", "demo", "quick", "F:", "--yes"}).status, 0);
}
#endif

}  // namespace
}  // namespace sw::frontends::cli
