// The help: the whole footer once, in the program's own help; each command's help short; every
// option the simulator takes listed, and each one listed taken; the program named as called.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "frontends/FakeConsole.h"
#include "frontends/cli/Cli.h"
#include "platform/sim/SimOptions.h"
#include "platform/sim/SimOs.h"

namespace sw::frontends::cli {
namespace {

std::string Help(std::vector<std::string> args, const std::string& program = "sizewarden") {
  args.insert(args.begin(), program);
  args.push_back("--help");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  ConsoleScript script;
  const int status = RunCli(static_cast<int>(argv.size()), argv.data(), out, err, [&script](bool) {
    return std::make_unique<FakeConsole>(script);
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(err.str(), "");
  return out.str();
}

std::size_t Count(const std::string& text, const std::string& piece) {
  std::size_t n = 0;
  for (auto at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
  return n;
}

TEST(Help, TheWholeFooterComesOnceInTheProgramsHelpAndNotInACommands) {
  const std::string main = Help({});
  EXPECT_EQ(Count(main, "Exit status:\n"), 1u);
  EXPECT_EQ(Count(main, "--simulate DESC: DESC is"), 1u);
  EXPECT_EQ(Count(main, "The probe writes at most "), 1u);
  for (const char* command : {"list", "quick", "probe", "files", "cleanup"}) {
    SCOPED_TRACE(command);
    const std::string help = Help({command});
    EXPECT_EQ(Count(help, "Exit status:\n"), 0u) << help;
    EXPECT_EQ(Count(help, "--simulate DESC: DESC is"), 0u) << help;
    EXPECT_EQ(Count(help, "Exit status: 0 passed, 1 failed, 2 not run, 3 cancelled."), 1u) << help;
    EXPECT_EQ(Count(help, "The probe writes at most "), std::string(command) == "probe" ? 1u : 0u);
    EXPECT_LT(Count(help, "\n"), 30u) << "a command's help is short";
  }
  EXPECT_EQ(Count(Help({"quick"}), "List all drives"), 0u) << "--all finds a drive, it lists none";
}

TEST(Help, EveryLineOfTheFooterFitsAnEightyColumnTerminal) {
  const std::string help = Help({});
  const auto footer = help.find("Exit status:\n");
  ASSERT_NE(footer, std::string::npos);
  std::istringstream lines(help.substr(footer));
  std::size_t count = 0;
  for (std::string line; std::getline(lines, line); ++count) EXPECT_LE(line.size(), 79u) << line;
  EXPECT_GT(count, 30u);
}

TEST(Help, UsageNamesTheProgramAsItWasCalled) {
  const struct {
    const char* called;
    const char* usage;
  } rows[] = {
      {"sizewarden", "Usage: sizewarden "},
      {"/usr/local/bin/sizewarden", "Usage: sizewarden "},
      {"C:\\Tools\\sizewarden-cli.exe", "Usage: sizewarden-cli.exe "},
      {"./sw", "Usage: sw "},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.called);
    EXPECT_NE(Help({}, row.called).find(row.usage), std::string::npos);
    const std::string quick = Help({"quick"}, row.called);
    EXPECT_NE(quick.find(std::string(row.usage).substr(7) + "quick"), std::string::npos) << quick;
  }
}

// Every option of the simulator's table, in a description that the parser takes; a new option
// without a row here fails, and so does one the help does not show.
TEST(Help, EverySimulatorOptionIsListedAndTaken) {
  const std::map<std::string, std::string> examples = {
      {"usb", "E:8G:usb"}, {"sata", "E:8G:sata"}, {"nvme", "E:8G:nvme"}, {"sd", "E:8G:sd"},
      {"scsi", "E:8G:scsi"}, {"ata", "E:8G:ata"}, {"fixed", "E:8G:fixed"},
      {"real=", "E:8G:real=2G"}, {"limbo", "E:8G:real=2G:limbo"}, {"wrap", "E:8G:real=2G:wrap"},
      {"chain", "E:8G:real=2G:chain"}, {"follow", "E:8G:real=2G:follow"}, {"good", "E:8G:good"},
      {"full=", "E:8G:real=2G:follow:full=evict"}, {"fast=", "E:8G:speed=20M:fast=1G"},
      {"wrap=", "E:8G:real=2G:wrap:wrap=3G"}, {"fill=", "E:8G:real=2G:fill=ones"},
      {"cache=", "E:8G:real=2G:cache=64"}, {"dcache=", "E:8G:real=2G:dcache=64"},
      {"loose", "E:8G:real=2G:dcache=64:loose"}, {"readcache=", "E:8G:readcache=128"},
      {"readerr", "E:8G:real=2G:readerr"}, {"writeerr", "E:8G:real=2G:writeerr"},
      {"delay=", "E:8G:delay=5"}, {"speed=", "E:8G:speed=20M"}, {"block=", "E:8G:block=4096"},
      {"label=", "E:8G:label=STICK"}, {"free=", "E:8G:free=1G"},
      {"model=", "E:8G:model=ACME/Stick"}, {"vol=", "E:8G:vol=F:"},
  };
  const std::string help = Help({});
  for (const platform::sim::SimOption& option : platform::sim::kSimOptions) {
    const std::string key = std::string(option.name) + (option.takesValue ? "=" : "");
    SCOPED_TRACE(key);
    EXPECT_NE(help.find(key), std::string::npos) << "not in --help";
    const auto example = examples.find(key);
    ASSERT_NE(example, examples.end()) << "no example of this option here";
    const platform::sim::ParsedSimDrive parsed = platform::sim::ParseSimDrive(example->second);
    EXPECT_EQ(parsed.error, "") << example->second;
  }
  EXPECT_EQ(examples.size(), std::size(platform::sim::kSimOptions)) << "an example of an option that is gone";
  EXPECT_NE(platform::sim::ParseSimDrive("E:8G:bogus").error, "");
  EXPECT_NE(platform::sim::ParseSimDrive("E:8G:usb=1").error, "") << "a word takes no value";
}

}  // namespace
}  // namespace sw::frontends::cli
