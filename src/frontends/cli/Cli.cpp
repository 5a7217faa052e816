// Arguments with CLI11, then one command run through the window logic, as a user would click it.
#include "frontends/cli/Cli.h"

#include <CLI/CLI.hpp>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "core/Context.h"
#include "app/MainForm.h"
#include "frontends/cli/CliTexts.h"
#include "frontends/cli/HelpText.h"
#include "frontends/cli/LiveLine.h"
#include "frontends/cli/NextStep.h"
#include "frontends/cli/ResultFiles.h"
#include "frontends/cli/SimSetup.h"
#include "frontends/cli/TerminalWindow.h"
#include "platform/Trim.h"
#include "probe/RestoreCommand.h"
#include "platform/sim/SimOs.h"
#include "sw/Version.h"
#ifndef SW_CLI_NO_REAL_DRIVES
#include "platform/DefaultOs.h"

#ifndef _WIN32
#include <unistd.h>
#endif
#endif

namespace sw::frontends::cli {
namespace {

using core::Control;

enum class Command { List, Quick, Probe, Full, Fix, Files, Cleanup, Restore };

struct Arguments {
  std::vector<std::string> simulate;
  std::string drive;
  bool all = false;
  bool yes = false;
  bool debug = false;
  bool destructive = false;  // the probe without the backup and restore of its blocks
  bool thorough = false, verifyOnly = false, full = false, allH2w = false, keep = false;
  core::FixRequest fix;
  ResultPaths outputs;
  Command command = Command::List;
  std::string commandName = "list";
  std::string program = "sizewarden";  // as the user called it, for the hints that name it
};

// A device path rather than a drive letter: "/dev/sdb", "\\.\PhysicalDrive2", "//./PhysicalDrive2".
bool IsDevicePath(const std::string& text) {
  return !text.empty() && (text[0] == '/' || text.rfind("\\\\", 0) == 0);
}

// The letters of a list entry, without the empty ones.
std::vector<std::string> EntryLetters(const core::DriveRecord& entry) {
  std::vector<std::string> letters;
  for (const core::VolumeRecord& volume : entry.volumes) letters.push_back(volume.letter);
  return letters;
}

// "e", "E:", "e:\" -> "E:"; empty when the text names no drive letter.
std::string NormalLetter(const std::string& text) {
  std::string t = text;
  while (!t.empty() && (t.back() == '\\' || t.back() == '/')) t.pop_back();
  if (t.size() == 2 && t[1] == ':') t.pop_back();
  if (t.size() != 1 || !std::isalpha(static_cast<unsigned char>(t[0]))) return {};
  return std::string{static_cast<char>(std::toupper(static_cast<unsigned char>(t[0]))), ':'};
}

// The commands that write to the raw disk, for which a letter alone is not name enough. They
// take the whole drive, whichever of its volumes names it.
bool WritesToDisk(Command command) {
  return command == Command::Quick || command == Command::Probe || command == Command::Full ||
         command == Command::Fix;
}

int ExitStatus(core::Outcome outcome) {
  switch (outcome) {
    case core::Outcome::Passed:
      return kExitPassed;
    case core::Outcome::Failed:
      return kExitFailed;
    case core::Outcome::Cancelled:
      return kExitCancelled;
    case core::Outcome::NotRun:
      break;
  }
  return kExitNotRun;
}

// Without root the real drives cannot be opened on Linux, so none of them gets a size and the
// list stays empty; the window never gets as far as its Administrator-rights box.
bool LacksRawAccessRights(const Arguments& args) {
#ifdef _WIN32
  (void)args;
  return false;
#else
  return args.simulate.empty() && geteuid() != 0;
#endif
}

void PrintList(core::Context& ctx, std::ostream& out, std::ostream& err, bool all, bool noRights) {
  core::Window& w = ctx.win;
  const int count = w.ListCount(Control::Combo1);
  if (count == 0) {
    err << text::kNoDrives << (all ? "" : text::kNoDrivesUsbOnly) << (noRights ? text::kNeedsRoot : "")
        << '\n';
  }
  // Each drive by its device first, the name that keeps meaning this drive when others come and
  // go. The entries are padded into columns for the window's list; a terminal line ends at its
  // text.
  const auto& listed = ctx.state.ListedDrives;
  for (int i = 0; i < count; ++i) {
    std::string item = w.ListItem(Control::Combo1, i);
    item.erase(item.find_last_not_of(' ') + 1);
    const auto at = static_cast<std::size_t>(i);
    if (at < listed.size()) out << ctx.os.DeviceName(listed[at].number) << text::kDeviceGap;
    out << item << '\n';
  }
  for (const core::DriveRecord& entry : listed) {
    for (const std::string& letter : EntryLetters(entry)) {
      const std::string description = ctx.os.DescribeVolume(letter);
      if (!description.empty()) out << letter << text::kVolumeDescriptionGap << description << '\n';
    }
  }
}

// Every run of more than kEchoedArgumentMax characters without a blank is cut there.
std::string CutLongWords(const std::string& message) {
  std::string shown;
  std::size_t run = 0;
  for (char c : message) {
    run = c == ' ' || c == '\n' ? 0 : run + 1;
    if (run == text::kEchoedArgumentMax + 1) shown += text::kCut;
    if (run <= text::kEchoedArgumentMax) shown += c;
  }
  return shown;
}

bool IsCommand(CLI::App& cli, const std::string& word) {
  for (const CLI::App* sub : cli.get_subcommands({})) {
    if (sub->get_name() == word) return true;
  }
  return false;
}

// The first word on the command line that is neither an option nor the value of --simulate:
// where the command should stand.
std::string FirstCommandWord(int argc, const char* const argv[]) {
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == "--simulate") {
      ++i;
      continue;
    }
    if (!word.empty() && word[0] != '-') return word;
  }
  return {};
}

// The path of --json PATH or --json=PATH on a command line that could not be parsed; empty
// when none is there.
std::string JsonPathAsked(int argc, const char* const argv[]) {
  const std::string option = "--json";
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (word == option && i + 1 < argc) path = argv[++i];
    if (word.rfind(option + "=", 0) == 0) path = word.substr(option.size() + 1);
  }
  return path;
}

// Chooses list entry i, as a user would in the drop-down list.
void SelectEntry(app::MainForm& form, core::Window& w, std::size_t i) {
  w.SetListIndex(Control::Combo1, static_cast<int>(i));
  form.Combo1_Click();
}

namespace code = core::error_code;

// Chooses the list entry of a drive letter. Returns why it could not (an empty code when the
// entry is selected).
core::RunError SelectByLetter(core::Context& ctx, app::MainForm& form, const Arguments& args) {
  const std::string letter = NormalLetter(args.drive);
  if (letter.empty()) return {code::kBadArguments, text::kBadLetter + CutLongWords(args.drive)};
  // The volume file test and the clean-up work on the volume the entry begins with; the tests
  // of the raw disk take the whole drive, whichever of its volumes names it.
  const bool anyVolume = WritesToDisk(args.command);
  const auto& listed = ctx.state.ListedDrives;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    const auto letters = EntryLetters(listed[i]);
    for (std::size_t k = 0; k < letters.size(); ++k) {
      if (letters[k] != letter) continue;
      if (k > 0 && !anyVolume) {
        return {code::kNoVolume, letter + text::kNotFirstVolume1 + letters[0] + text::kNotFirstVolume2};
      }
      SelectEntry(form, ctx.win, i);
      return {};
    }
  }
  return {code::kUnknownDrive, text::kUnknownDrive1 + letter + text::kUnknownDrive2 +
                                   (args.all ? "" : text::kUnknownDriveUsbOnly)};
}

// Chooses the list entry of the drive a device path names; for the volume file test and the
// clean-up a partition names its own volume. Returns why it could not (an empty code when the
// entry is selected).
core::RunError SelectByDevice(core::Context& ctx, app::MainForm& form, const Arguments& args,
                              const platform::NamedDevice& device) {
  const std::string shown = CutLongWords(args.drive);
  if (device.diskNumber < 0) {
    return {code::kUnknownDrive, device.error.empty() ? text::kBadDevice + shown : CutLongWords(device.error)};
  }
  if (device.diskNumber == 0) return {code::kSystemDisk, shown + text::kSystemDevice};
  const auto& listed = ctx.state.ListedDrives;
  for (std::size_t i = 0; i < listed.size(); ++i) {
    if (listed[i].number != device.diskNumber) continue;
    const bool wholeDrive = WritesToDisk(args.command);
    if (!wholeDrive && EntryLetters(listed[i]).empty()) return {code::kNoVolume, shown + text::kDeviceNoVolume};
    SelectEntry(form, ctx.win, i);
    if (!wholeDrive && !device.volume.empty()) ctx.state.SelectedVolume = device.volume;
    return {};
  }
  return {code::kUnknownDrive, shown + text::kDeviceNotListed};
}

// Why a test that neither passed nor failed ended so, when the test itself named nothing.
core::RunError ReasonNotRun(const TerminalWindow& win) {
  if (!win.StopAtBox().code.empty()) return win.StopAtBox();
  return {code::kNotRun, text::kNotRunWithoutReason};
}

std::unique_ptr<platform::Os> MakeMachine(const Arguments& args, std::string& error) {
  if (!args.simulate.empty()) {
    auto sim = std::make_unique<platform::sim::SimOs>();
    error = BuildSimulatedMachine(args.simulate, *sim);
    if (!error.empty()) return nullptr;
    return sim;
  }
#ifndef SW_CLI_NO_REAL_DRIVES
  if (auto real = platform::MakeDefaultOs()) return real;
#endif
  error = text::kNoRealDrives;
  return nullptr;
}

int Run(const Arguments& args, std::ostream& out, std::ostream& err,
        const ConsoleFactory& makeConsole) {
  // First of all: from here on a signal is held for the run, which stops at it as at Cancel;
  // before, it would end the process without a report.
  const std::unique_ptr<Console> console = makeConsole(args.command != Command::List);
  std::string error;
  ResultFiles results(args.outputs);
  if (!results.error().empty()) {
    err << text::kErrorPrefix << results.error() << '\n';
    return kExitNotRun;
  }
  // A command stopped before it reached a drive: the reason on stderr and in the document.
  const auto notRun = [&](const core::RunError& reason) {
    err << text::kErrorPrefix << reason.message << '\n';
    const std::string failed = results.WriteNotRun(args.commandName, reason, out);
    if (!failed.empty()) err << text::kErrorPrefix << failed << '\n';
    return kExitNotRun;
  };
  const std::unique_ptr<platform::Os> os = MakeMachine(args, error);
  if (!os) return notRun({code::kBadArguments, error});
  const bool byDevice = args.command != Command::List && IsDevicePath(args.drive);
  if (!byDevice && WritesToDisk(args.command) && args.yes && !os->LettersAreStable()) {
    return notRun({code::kLetterWithYes, CutLongWords(args.drive) + text::kLetterWithYes});
  }
  platform::NamedDevice device;
  if (byDevice) device = os->FindDevice(args.drive);
  // With a result on stdout, the report makes way for it.
  const bool reportToStderr = results.SomethingToStdout();
  std::ostream& reportStream = reportToStderr ? err : out;
  const bool live = console->OutputIsTerminal(reportToStderr);
  TerminalWindow win(reportStream, err, *console, {args.yes, args.debug, live, reportToStderr});
  core::Context ctx(*os, win);
  app::MainForm form(ctx, app::MainForm::Options{false});
  win.onCancel = [&form] { form.cmdCancel_Click(); };
  form.Form_Load();
  // A device named explicitly is found whatever its bus.
  if (args.all || byDevice) {
    win.SetValue(Control::chkShowAll, 1);
    win.AnswerBoxesQuietly(true);
    form.chkShowAll_Click();
    win.AnswerBoxesQuietly(false);
  }

  const auto writeResults = [&](int status) {
    const std::string failed = results.WriteAfterRun(ctx, args.commandName, args.all, win.SavedReport(), out);
    if (failed.empty()) return status;
    err << text::kErrorPrefix << failed << '\n';
    return status == kExitPassed ? kExitNotRun : status;
  };
  core::RunRecord& run = ctx.state.LastRun;
  if (args.command == Command::Restore) {
    if (LacksRawAccessRights(args)) return notRun({code::kNeedsRoot, platform::Trim(text::kNeedsRoot, " ")});
    form.cmdRestore_Click();
    win.FinishReport();
    return writeResults(ExitStatus(ctx.state.LastOutcome));
  }
  // A probe that died left blocks to put back: every later start says so until they are.
  err << probe::PendingRestoreNote(ctx, args.program) << std::flush;
  if (args.command == Command::List) {
    const bool noRights = LacksRawAccessRights(args);
    PrintList(ctx, reportStream, err, args.all, noRights);
    // An empty list is an answer only when every drive could be looked at.
    const bool unanswered = noRights && ctx.state.ListedDrives.empty();
    if (unanswered) run.errors.push_back({code::kNeedsRoot, platform::Trim(text::kNeedsRoot, " ")});
    return writeResults(unanswered ? kExitNotRun : kExitPassed);
  }
  core::RunError picked = byDevice ? SelectByDevice(ctx, form, args, device) : SelectByLetter(ctx, form, args);
  if (!picked.code.empty()) {
    if (LacksRawAccessRights(args)) picked.message += text::kNeedsRoot;
    err << text::kErrorPrefix << picked.message << '\n';
    run.errors.push_back(picked);
    return writeResults(kExitNotRun);
  }
  switch (args.command) {
    case Command::Quick:
      form.cmdQuickTest_Click();
      break;
    case Command::Probe:
      ctx.state.ProbeDestructive = args.destructive;
      form.cmdProbe_Click();
      break;
    case Command::Full:
      form.cmdSurface_Click();
      break;
    case Command::Fix:
      ctx.state.Fix = args.fix;
      // One process is one run: without a size to go by, the real end is measured first, by
      // the Exact Probe on the same pinned disk, and the fix goes on only once it has one.
      if (!args.fix.sizeBytes && !args.fix.lastSector) form.cmdProbe_Click();
      if (args.fix.sizeBytes || args.fix.lastSector || !ctx.state.MeasuredEnds.empty()) form.cmdFix_Click();
      break;
    case Command::Files:
      win.SetValue(Control::chkThorough, args.thorough || args.verifyOnly ? 1 : 0);
      ctx.state.VerifyOnly = args.verifyOnly;
      ctx.state.FullRun = args.full;
      ctx.state.KeepTestFiles = args.keep;
      form.cmdVolumeTest_Click();
      break;
    case Command::Cleanup:
      ctx.state.DeleteForeignH2w = args.allH2w;
      form.cmdcleanup_Click();
      break;
    case Command::List:
    case Command::Restore:
      break;
  }
  win.FinishReport();
  // A signal that came before the test could start (it answered the questions Cancel) is the
  // Cancel button all the same: the run was cancelled, not refused.
  if (win.Signalled() && ctx.state.LastOutcome == core::Outcome::NotRun) {
    ctx.state.LastOutcome = core::Outcome::Cancelled;
    run.verdict = core::Verdict::Cancelled;
    run.errors.push_back({code::kCancelled, text::kCancelledBeforeStart});
  }
  if (args.command == Command::Cleanup) return writeResults(ExitStatus(ctx.state.LastOutcome));
  const bool decided = run.verdict == core::Verdict::Passed || run.verdict == core::Verdict::Failed;
  if (!decided && run.errors.empty()) run.errors.push_back(ReasonNotRun(win));
  const std::string speeds = AverageSpeedsText(run);
  if (!speeds.empty()) reportStream << speeds << '\n' << std::flush;
  const std::string next = NextStepText(run);
  if (!next.empty()) reportStream << next << '\n' << std::flush;
  return writeResults(ExitStatus(ctx.state.LastOutcome));
}

}  // namespace

int RunCli(int argc, const char* const argv[], std::ostream& out, std::ostream& err,
           const ConsoleFactory& makeConsole) {
  Arguments args;
  const std::string program = ProgramName(argc, argv);
  CLI::App cli{text::kDescription, program};
  cli.set_version_flag("--version", std::string(text::kProgram) + " " + SW_VERSION_TEXT);
  // On Windows CLI11 would take "/dev/sdb" or "/?" for an option; a drive argument may be a
  // path, and options are spelt with dashes on every system.
  cli.allow_windows_style_options(false);
  cli.require_subcommand(1);
  cli.fallthrough();
  cli.add_option("--simulate", args.simulate, text::kSimulateHelp)
      ->type_name("DESC")
      ->expected(1)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);

  CLI::App* list = cli.add_subcommand("list", text::kListHelp);
  list->add_flag("--all", args.all, text::kAllHelp);
  list->add_option("--json", args.outputs.json, text::kJsonHelp)->type_name("PATH");

  const auto addDriveCommand = [&](const char* name, const char* help, bool debugFlag) {
    CLI::App* sub = cli.add_subcommand(name, help);
    sub->add_option("DRIVE", args.drive, text::kDriveHelp)->required();
    sub->add_flag("--yes", args.yes, text::kYesHelp);
    sub->add_flag("--all", args.all, text::kAllDriveHelp);
    if (debugFlag) sub->add_flag("--debug", args.debug, text::kDebugHelp);
    return sub;
  };
  CLI::App* quick = addDriveCommand("quick", text::kQuickHelp, true);
  CLI::App* probe = addDriveCommand("probe", text::kProbeHelp, true);
  probe->add_flag("--destructive", args.destructive, text::kDestructiveHelp);
  CLI::App* full = addDriveCommand("full", text::kFullSurfaceHelp, true);
  CLI::App* fix = addDriveCommand("fix", text::kFixHelp, true);
  fix->add_option("--fs", args.fix.fileSystem, text::kFsHelp)->check(CLI::IsMember({"fat32", "exfat", "ntfs", "ext4"}));
  fix->add_option("--size", args.fix.sizeBytes, text::kSizeHelp)->transform(CLI::AsSizeValue(false))->type_name("SIZE");
  fix->add_option("--last-sector", args.fix.lastSector, text::kLastSectorHelp)->type_name("SECTOR");
  fix->add_option("--label", args.fix.label, text::kLabelHelp);
  CLI::App* files = addDriveCommand("files", text::kFilesHelp, false);
  files->add_flag("--thorough", args.thorough, text::kThoroughHelp);
  files->add_flag("--verify-only", args.verifyOnly, text::kVerifyOnlyHelp);
  files->add_flag("--full", args.full, text::kFullHelp);
  files->add_flag("--keep", args.keep, text::kKeepHelp);
  CLI::App* cleanup = addDriveCommand("cleanup", text::kCleanupHelp, false);
  CLI::App* restore = cli.add_subcommand("restore", text::kRestoreHelp);
  restore->add_flag("--yes", args.yes, text::kYesHelp);
  cleanup->add_flag("--all-h2w", args.allH2w, text::kAllH2wHelp);
  // Every test command saves its result; only the tests that check sector locations draw them.
  // The whole footer belongs to the program's own help; a command's help ends with a short one.
  cli.footer(ProgramFooter());
  for (CLI::App* sub : cli.get_subcommands({})) {
    const std::string& name = sub->get_name();
    sub->footer(CommandFooter(program, sub == probe));
    if (name == "list" || name == "cleanup" || name == "restore") continue;
    sub->add_option("--json", args.outputs.json, text::kJsonHelp)->type_name("PATH");
    sub->add_option("--report", args.outputs.report, text::kReportHelp)->type_name("PATH");
    if (name != "files" && name != "fix") sub->add_option("--map", args.outputs.map, text::kMapHelp)->type_name("PATH.svg");
  }

  try {
    cli.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help, --version
      cli.exit(e, out, err);
      return kExitPassed;
    }
    const std::string command = FirstCommandWord(argc, argv);
    const bool known = !command.empty() && IsCommand(cli, command);
    std::string message;
    if (!command.empty() && !known) {
      message = text::kUnknownCommand1 + CutLongWords(command) + text::kUnknownCommand2;
      err << text::kErrorPrefix << message << '\n';
    } else {
      message = CutLongWords(e.what());
      err << text::kErrorPrefix << message << '\n' << text::kSeeHelp << '\n';
    }
    // A script that asked for the document gets one, saying why nothing ran.
    const std::string jsonPath = JsonPathAsked(argc, argv);
    if (!jsonPath.empty()) {
      ResultFiles results({jsonPath, {}, {}});
      std::string failed = results.error();
      if (failed.empty()) {
        failed = results.WriteNotRun(known ? command : std::string(), {code::kBadArguments, message}, out);
      }
      if (!failed.empty()) err << text::kErrorPrefix << failed << '\n';
    }
    return kExitNotRun;
  }
  for (const CLI::App* sub : cli.get_subcommands({})) {
    if (sub->parsed()) args.commandName = sub->get_name();
  }
  if (quick->parsed()) args.command = Command::Quick;
  if (probe->parsed()) args.command = Command::Probe;
  if (full->parsed()) args.command = Command::Full;
  if (fix->parsed()) args.command = Command::Fix;
  if (files->parsed()) args.command = Command::Files;
  if (cleanup->parsed()) args.command = Command::Cleanup;
  if (restore->parsed()) args.command = Command::Restore;
  args.program = program;
  return Run(args, out, err, makeConsole);
}

}  // namespace sw::frontends::cli
