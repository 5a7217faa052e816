// Runs the terminal program as a child process and measures it as /usr/bin/time would.
#pragma once

#include <string>
#include <vector>

namespace sw::bench {

struct ChildFigures {
  bool ran = false;  // false: the child could not be started or was killed
  int exitStatus = -1;
  double seconds = 0;      // wall clock
  double peakMiB = 0;      // the child's peak resident memory
};

// args after the program name; the child's stdout goes to stdoutPath, stdin and stderr to
// /dev/null.
ChildFigures RunChild(const std::string& program, const std::vector<std::string>& args,
                      const std::string& stdoutPath);

}  // namespace sw::bench
