// A child run through posix_spawn, timed with the steady clock, its peak memory from wait4.
#include "log/ChildRun.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>

extern char** environ;

namespace sw::bench {

ChildFigures RunChild(const std::string& program, const std::vector<std::string>& args,
                      const std::string& stdoutPath) {
  std::vector<std::string> words{program};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, stdoutPath.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);

  ChildFigures f;
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return f;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return f;
  f.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB on Linux
  f.ran = WIFEXITED(status);
  f.exitStatus = f.ran ? WEXITSTATUS(status) : -1;
  return f;
}

}  // namespace sw::bench
