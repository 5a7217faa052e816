// The real terminal program run as a child: either to its end with its output collected, or
// on a pseudo-terminal so a test can read its questions, act between them and answer them.
// The child is killed and reaped by the destructor if a test leaves it running.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace sw::e2e {

struct CliResult {
  int exitCode = -1;  // -1: did not exit normally (killed, or still running at the deadline)
  std::string output; // stdout and stderr together
};

// Runs sizewarden with args, stdin from /dev/null, until it ends (at most timeout). A wrapper
// (a command found on PATH, with its own arguments) runs it in its place: "unshare ... --".
CliResult RunCli(const std::vector<std::string>& args,
                 std::chrono::seconds timeout = std::chrono::seconds(600),
                 const std::vector<std::string>& wrapper = {});

class CliOnTerminal {
 public:
  explicit CliOnTerminal(const std::vector<std::string>& args);
  ~CliOnTerminal();
  CliOnTerminal(const CliOnTerminal&) = delete;
  CliOnTerminal& operator=(const CliOnTerminal&) = delete;

  bool Started() const { return pid_ > 0; }
  // True once the program holds `signal` blocked (it collects it then; until then the signal
  // would end it at once); false if that does not happen within timeout.
  bool Holds(int signal, std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Reads until the output since the last match holds text; false at the deadline or at EOF.
  bool WaitFor(const std::string& text, std::chrono::milliseconds timeout = std::chrono::seconds(60));
  void Type(const std::string& keys);
  // Sends the program a signal, as a closed terminal (SIGHUP) or `kill` (SIGTERM) does.
  void Signal(int signal);
  // Reads the rest and reaps the child (killed at the deadline); the exit status as RunCli's.
  int Finish(std::chrono::seconds timeout = std::chrono::seconds(600));
  const std::string& Output() const { return output_; }

 private:
  bool ReadSome(std::chrono::milliseconds timeout);
  pid_t pid_ = -1;
  int master_ = -1;
  std::string output_;
  std::size_t matched_ = 0;  // WaitFor looks only past the last match
};

}  // namespace sw::e2e
