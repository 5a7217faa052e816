// Running sizewarden as a child process, plainly or on a pseudo-terminal.
#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <thread>

namespace sw::e2e {

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> Argv(std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  return argv;
}

int ExitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

// Reaps pid; kills it first once the deadline passes.
int ReapBy(pid_t pid, Clock::time_point deadline) {
  int status = 0;
  while (::waitpid(pid, &status, WNOHANG) == 0) {
    if (Clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return ExitCode(status);
}

// Appends what fd offers within timeout; false at EOF or error.
bool Drain(int fd, std::string& into, std::chrono::milliseconds timeout) {
  pollfd p{fd, POLLIN, 0};
  int r = ::poll(&p, 1, static_cast<int>(timeout.count()));
  if (r <= 0) return r == 0;
  char buffer[4096];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n <= 0) return false;  // a pty master reads EIO once the child is gone
  into.append(buffer, static_cast<std::size_t>(n));
  return true;
}

}  // namespace

CliResult RunCli(const std::vector<std::string>& args, std::chrono::seconds timeout,
                 const std::vector<std::string>& wrapper) {
  CliResult result;
  std::vector<std::string> all = wrapper;
  all.push_back(SW_CLI_BINARY);
  all.insert(all.end(), args.begin(), args.end());
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) return result;
  pid_t pid = ::fork();
  if (pid == 0) {
    int null = ::open("/dev/null", O_RDONLY);
    ::dup2(null, 0);
    ::dup2(pipeFds[1], 1);
    ::dup2(pipeFds[1], 2);
    auto argv = Argv(all);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (pid < 0) {
    ::close(pipeFds[0]);
    return result;
  }
  auto deadline = Clock::now() + timeout;
  while (Clock::now() < deadline && Drain(pipeFds[0], result.output, std::chrono::milliseconds(100))) {
  }
  ::close(pipeFds[0]);
  result.exitCode = ReapBy(pid, deadline);
  return result;
}

CliOnTerminal::CliOnTerminal(const std::vector<std::string>& args) {
  std::vector<std::string> all = {SW_CLI_BINARY};
  all.insert(all.end(), args.begin(), args.end());
  pid_ = ::forkpty(&master_, nullptr, nullptr, nullptr);
  if (pid_ == 0) {
    auto argv = Argv(all);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  if (pid_ < 0) master_ = -1;
}

CliOnTerminal::~CliOnTerminal() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (master_ >= 0) ::close(master_);
}

bool CliOnTerminal::WaitFor(const std::string& text, std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    std::size_t at = output_.find(text, matched_);
    if (at != std::string::npos) {
      matched_ = at + text.size();
      return true;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0 || master_ < 0) return false;
    if (!Drain(master_, output_, std::min(left, std::chrono::milliseconds(100)))) return false;
  }
}

void CliOnTerminal::Type(const std::string& keys) {
  // A failed write means the child is gone; Finish reports how it ended.
  if (master_ >= 0) [[maybe_unused]] ssize_t n = ::write(master_, keys.data(), keys.size());
}

void CliOnTerminal::Signal(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

bool CliOnTerminal::Holds(int signal, std::chrono::milliseconds timeout) const {
  const Clock::time_point deadline = Clock::now() + timeout;
  const std::uint64_t bit = std::uint64_t{1} << (signal - 1);
  while (pid_ > 0 && Clock::now() < deadline) {
    // The exec'd program's own mask: "SigBlk:	0000000000004003".
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind("SigBlk:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) & bit) != 0) return true;
    }
    std::this_thread::yield();
  }
  return false;
}

int CliOnTerminal::Finish(std::chrono::seconds timeout) {
  if (pid_ <= 0) return -1;
  auto deadline = Clock::now() + timeout;
  while (master_ >= 0 && Clock::now() < deadline && Drain(master_, output_, std::chrono::milliseconds(100))) {
  }
  int code = ReapBy(pid_, deadline);
  pid_ = -1;
  return code;
}

}  // namespace sw::e2e
