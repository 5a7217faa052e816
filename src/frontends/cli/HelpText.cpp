// The help texts that are built rather than written out.
#include "frontends/cli/HelpText.h"

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <sstream>

#include "drives/TextFormat.h"
#include "frontends/cli/CliTexts.h"
#include "platform/sim/SimOptions.h"
#include "probe/ProbeEngine.h"

namespace sw::frontends::cli {
namespace {

// "  usage             help", the help's words wrapped into their column; a usage too wide
// for its column has the help begin on the next line.
// The words of text from column `column` on, each further line indented to `indent`.
std::string Wrapped(const std::string& text, std::size_t column, std::size_t indent) {
  std::string out;
  bool first = true;
  std::istringstream words(text);
  for (std::string word; words >> word;) {
    if (!first && column + 1 + word.size() > text::kHelpWidth) {
      out += '\n' + std::string(indent, ' ');
      column = indent;
      first = true;
    }
    if (!first) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    first = false;
  }
  return out;
}

std::string OptionLine(const std::string& usage, const std::string& help) {
  std::string out = std::string(text::kHelpIndent, ' ') + usage;
  if (out.size() + 1 >= text::kHelpColumn) {
    out += '\n' + std::string(text::kHelpColumn, ' ');
  } else {
    out += std::string(text::kHelpColumn - out.size(), ' ');
  }
  return out + Wrapped(help, text::kHelpColumn, text::kHelpColumn) + '\n';
}

}  // namespace

std::string SimulateHelp() {
  std::string help = std::string(text::kSimulateHead) + '\n';
  help += OptionLine(text::kSimulateLetter, text::kSimulateLetterHelp);
  help += OptionLine(text::kSimulateSize, text::kSimulateSizeHelp);
  // Options that share a line are listed under the first of them; the rest have no usage.
  for (const platform::sim::SimOption& option : platform::sim::kSimOptions) {
    if (!option.usage.empty()) help += OptionLine(std::string(option.usage), std::string(option.help));
  }
  help += OptionLine(text::kDemo, text::kSimulateDemoHelp);
  return help;
}

std::string ProbeBoundText() {
  std::string bound = text::kProbeBound;
  const auto grouped = [](double n) { return drives::FormatDecimals(n, text::kGroupedPattern); };
  for (std::size_t i = 0; i < std::size(text::kProbeBoundSizes); ++i) {
    const text::BoundSize& size = text::kProbeBoundSizes[i];
    const std::uint64_t most =
        probe::ProbeWriteBoundSectors(static_cast<std::int64_t>(size.bytes / text::kSectorBytes));
    const auto megabytes = static_cast<double>(most * text::kSectorBytes / 1'000'000);
    bound += (i == 0 ? "" : text::kProbeBoundSeparator) + grouped(static_cast<double>(most)) +
             text::kProbeBoundSectors + grouped(megabytes) + text::kProbeBoundOn + size.name;
  }
  return bound + text::kProbeBoundEnd;
}

std::string ProgramFooter() {
  return std::string(text::kExitStatus) + "\n\n" + text::kQuestions + "\n\n" + SimulateHelp() +
         '\n' + Wrapped(ProbeBoundText(), 0, 0);
}

std::string CommandFooter(const std::string& program, bool probe) {
  std::string footer = Wrapped(text::kCommandFooter1 + program + text::kCommandFooter2, 0, 0);
  if (probe) footer += "\n\n" + Wrapped(ProbeBoundText(), 0, 0);
  return footer;
}

std::string ProgramName(int argc, const char* const argv[]) {
  if (argc < 1 || argv[0] == nullptr || *argv[0] == '\0') return text::kProgram;
  const std::string called = argv[0];
  const auto slash = called.find_last_of("/\\");
  const std::string name = slash == std::string::npos ? called : called.substr(slash + 1);
  return name.empty() ? std::string(text::kProgram) : name;
}

}  // namespace sw::frontends::cli
