// Timing the log: trace-sized lines through LogText, the one way every report line is added.
#include "log/LogCost.h"

#include <chrono>
#include <ostream>
#include <streambuf>
#include <string>

#include "core/Context.h"
#include "core/Log.h"
#include "frontends/cli/Console.h"
#include "frontends/cli/TerminalWindow.h"
#include "platform/sim/SimOs.h"

namespace sw::bench {
namespace {

// Drops what is printed, so the figure is the log's own cost and not the terminal's.
class NullBuffer final : public std::streambuf {
 protected:
  int_type overflow(int_type c) override { return traits_type::not_eof(c); }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

class NoKeyboard final : public frontends::cli::Console {
 public:
  bool Interactive() override { return false; }
  bool CancelPressed() override { return false; }
  frontends::cli::ReadResult ReadLine(std::string&, std::ostream&) override {
    return frontends::cli::ReadResult::EndOfInput;
  }
};

// The terminal window with the stream and console it holds references to.
struct TerminalRig {
  NullBuffer null;
  std::ostream out{&null};
  NoKeyboard keyboard;
  frontends::cli::TerminalWindow win{out, out, keyboard, {true, true}};
};

// As long as a debug trace line: date, time, routine and figures.
std::string TraceLine() {
  return std::string(core::kCrLf) +
         "08/12/2026 14:00:00 ReadSector 123456789 OK 512 bytes 0x00000000";
}

// Seconds per call of append(i) over fresh states from start() until totalLines calls were made.
template <typename Start, typename Append>
double SecondsPerLine(int lines, int totalLines, Start start, Append append) {
  double seconds = 0;
  long long appended = 0;
  while (appended < totalLines) {
    auto state = start();
    const auto from = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i) append(*state);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - from).count();
    appended += lines;
  }
  return seconds / static_cast<double>(appended);
}

}  // namespace

std::shared_ptr<core::Window> MakeTerminalWindow() {
  auto rig = std::make_shared<TerminalRig>();
  return std::shared_ptr<core::Window>(rig, &rig->win);  // shares the rig's lifetime
}

double LogSecondsPerLine(const WindowFactory& makeWindow, int lines, int totalLines) {
  platform::sim::SimOs os;
  const std::string line = TraceLine();
  struct Logged {
    std::shared_ptr<core::Window> win;
    core::Context ctx;
  };
  return SecondsPerLine(
      lines, totalLines,
      [&] {
        auto win = makeWindow();
        return std::make_unique<Logged>(Logged{win, core::Context(os, *win)});
      },
      [&](Logged& logged) { core::LogText(logged.ctx, line); });
}

double StringSecondsPerLine(int lines, int totalLines) {
  const std::string line = TraceLine();
  return SecondsPerLine(
      lines, totalLines, [] { return std::make_unique<std::string>(); },
      [&](std::string& text) { text += line; });
}

}  // namespace sw::bench
