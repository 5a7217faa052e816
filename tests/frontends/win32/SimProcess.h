// The window program under test as a child process: started, its windows found by class and
// title, waited for, and ended if a test leaves it running.
#pragma once

#include <functional>
#include <string>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace sw::testing::win32 {

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess();
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts the program with these arguments (already quoted where they need it); a Unix path
  // ("/work/...") is reached through Wine's Z: drive.
  bool Start(const std::string& exe, const std::string& arguments = "");
  // A top-level window of the process with this class (and title, when not null), or null.
  HWND FindWindowOf(const char* className, const char* title) const;
  // Ends when the process has exited; false on timeout. exitCode receives its exit code.
  bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);

 private:
  PROCESS_INFORMATION pi_{};
};

// A Unix path ("/tmp/x") as Windows programs under Wine reach it ("Z:\\tmp\\x"); other paths
// only get backslashes.
std::string WindowsPath(std::string path);

// Polls `ready` every 50 ms until it holds or the time is up.
bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs);

}  // namespace sw::testing::win32
