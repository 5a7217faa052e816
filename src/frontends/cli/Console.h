// The keyboard side of the terminal: is there someone to ask, Ctrl-C as the Cancel button, and
// reading an answer line.
#pragma once

#include <memory>
#include <ostream>
#include <string>

namespace sw::frontends::cli {

enum class ReadResult { Line, Interrupted, EndOfInput };

class Console {
 public:
  virtual ~Console() = default;
  // True when stdin is a terminal a person can answer on.
  virtual bool Interactive() = 0;
  // True when stdout (or stderr) is a terminal, where a line can be redrawn in place.
  virtual bool OutputIsTerminal(bool errorStream) {
    (void)errorStream;
    return false;
  }
  // The width of the terminal the report goes to (errorStream: stderr's), in columns; 0 when
  // it is not a terminal or does not say.
  virtual int Columns(bool errorStream) {
    (void)errorStream;
    return 0;
  }
  // True once per Ctrl-C pressed since the last call (only while Ctrl-C is caught).
  virtual bool CancelPressed() = 0;
  // Reads one answer line (without its line break). Ctrl-C gives Interrupted. echo receives what
  // the console does not echo itself.
  virtual ReadResult ReadLine(std::string& line, std::ostream& echo) = 0;
};

// The process's console. With catchCtrlC, Ctrl-C no longer ends the program but is reported by
// CancelPressed and ReadLine, until the console is destroyed.
std::unique_ptr<Console> MakeConsole(bool catchCtrlC);

}  // namespace sw::frontends::cli
