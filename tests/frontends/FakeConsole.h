// A scripted keyboard for the terminal tests: whether someone can answer, the answer lines, and
// the poll at which Ctrl-C is pressed.
#pragma once

#include <deque>
#include <memory>
#include <string>

#include "frontends/cli/Console.h"

namespace sw::frontends::cli {

struct ConsoleScript {
  bool interactive = false;
  std::deque<std::string> lines;  // answers typed; Ctrl-C at a prompt when "^C"
  int ctrlCAtPoll = 0;            // 0: never
  int polls = 0;
  bool catching = false;  // as the front end asked for
  bool terminalOutput = false;  // stdout and stderr are terminals
  int columns = 0;              // their width; 0: unknown
};

class FakeConsole final : public Console {
 public:
  explicit FakeConsole(ConsoleScript& script) : script_(script) {}
  bool Interactive() override { return script_.interactive; }
  bool OutputIsTerminal(bool) override { return script_.terminalOutput; }
  int Columns(bool) override { return script_.columns; }
  bool CancelPressed() override { return ++script_.polls == script_.ctrlCAtPoll; }
  ReadResult ReadLine(std::string& line, std::ostream&) override {
    if (script_.lines.empty()) return ReadResult::EndOfInput;
    line = script_.lines.front();
    script_.lines.pop_front();
    return line == "^C" ? ReadResult::Interrupted : ReadResult::Line;
  }

 private:
  ConsoleScript& script_;
};

}  // namespace sw::frontends::cli
