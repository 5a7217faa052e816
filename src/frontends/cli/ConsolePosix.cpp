// The terminal on Linux: SIGINT, SIGTERM and SIGHUP stay blocked while they are caught and are
// collected with a zero timeout poll, so no signal handler and no global flag are needed. Each
// is the Cancel button: a `kill`, a closed terminal window or Ctrl-C all end a run through its
// own clean-up (volumes unlocked, drive closed, the abort line in the report).
#include <poll.h>
#include <sys/ioctl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "frontends/cli/Console.h"

namespace sw::frontends::cli {
namespace {

constexpr int kPollMs = 100;

class PosixConsole final : public Console {
 public:
  explicit PosixConsole(bool catchCtrlC) : catching_(catchCtrlC) {
    if (!catching_) return;
    sigset_t interrupt = InterruptSet();
    catching_ = sigprocmask(SIG_BLOCK, &interrupt, &previous_) == 0;
  }
  ~PosixConsole() override {
    if (!catching_) return;
    // A signal still pending would end the program the moment the old mask returns.
    while (CancelPressed()) {
    }
    sigprocmask(SIG_SETMASK, &previous_, nullptr);
  }
  PosixConsole(const PosixConsole&) = delete;
  PosixConsole& operator=(const PosixConsole&) = delete;

  bool Interactive() override { return isatty(STDIN_FILENO) == 1; }
  bool OutputIsTerminal(bool errorStream) override {
    return isatty(errorStream ? STDERR_FILENO : STDOUT_FILENO) == 1;
  }

  int Columns(bool errorStream) override {
    winsize size{};
    if (ioctl(errorStream ? STDERR_FILENO : STDOUT_FILENO, TIOCGWINSZ, &size) != 0) return 0;
    return size.ws_col;
  }

  bool CancelPressed() override {
    if (!catching_) return false;
    const sigset_t interrupt = InterruptSet();
    const timespec zero{0, 0};
    return sigtimedwait(&interrupt, nullptr, &zero) > 0;
  }

  ReadResult ReadLine(std::string& line, std::ostream&) override {
    line.clear();
    for (;;) {
      if (CancelPressed()) return ReadResult::Interrupted;
      pollfd in{STDIN_FILENO, POLLIN, 0};
      const int ready = poll(&in, 1, kPollMs);
      if (ready < 0 && errno != EINTR) return ReadResult::EndOfInput;
      if (ready <= 0) continue;
      char c = 0;
      const ssize_t got = read(STDIN_FILENO, &c, 1);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return ReadResult::EndOfInput;
      if (c == '\n') return ReadResult::Line;
      line.push_back(c);
    }
  }

 private:
  static sigset_t InterruptSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, signal);
    return set;
  }

  bool catching_;
  sigset_t previous_{};
};

}  // namespace

std::unique_ptr<Console> MakeConsole(bool catchCtrlC) {
  return std::make_unique<PosixConsole>(catchCtrlC);
}

}  // namespace sw::frontends::cli
