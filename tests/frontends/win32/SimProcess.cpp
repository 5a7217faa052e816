// Child process handling for the window smoke test.
#include "SimProcess.h"

#include <vector>

namespace sw::testing::win32 {
namespace {

struct Search {
  DWORD pid;
  const char* className;
  const char* title;
  HWND found;
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  ::GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid) return TRUE;
  char cls[64] = {};
  ::GetClassNameA(hwnd, cls, sizeof cls);
  if (std::string(cls) != s->className) return TRUE;
  if (s->title) {
    char text[256] = {};
    ::GetWindowTextA(hwnd, text, sizeof text);
    if (std::string(text) != s->title) return TRUE;
  }
  s->found = hwnd;
  return FALSE;
}

}  // namespace

SimProcess::~SimProcess() {
  if (pi_.hProcess) {
    if (::WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
      ::TerminateProcess(pi_.hProcess, 99);
    ::CloseHandle(pi_.hProcess);
    ::CloseHandle(pi_.hThread);
  }
}

bool SimProcess::Start(const std::string& exe, const std::string& arguments) {
  // The command line: "<path>", the arguments and a terminating NUL (CreateProcessA may write
  // to it).
  std::string path = WindowsPath(exe);
  std::vector<char> line{'"'};
  line.insert(line.end(), path.begin(), path.end());
  line.push_back('"');
  if (!arguments.empty()) line.push_back(' ');
  line.insert(line.end(), arguments.begin(), arguments.end());
  line.push_back('\0');
  STARTUPINFOA si{};
  si.cb = sizeof si;
  return ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi_) != FALSE;
}

HWND SimProcess::FindWindowOf(const char* className, const char* title) const {
  Search s{pi_.dwProcessId, className, title, nullptr};
  ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

bool SimProcess::WaitForExit(DWORD timeoutMs, DWORD& exitCode) {
  if (!pi_.hProcess || ::WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0)
    return false;
  return ::GetExitCodeProcess(pi_.hProcess, &exitCode) != FALSE;
}

std::string WindowsPath(std::string path) {
  std::string result;
  if (!path.empty() && path[0] == '/') result.append("Z:");
  for (char c : path) result.push_back(c == '/' ? '\\' : c);
  return result;
}

bool WaitFor(const std::function<bool()>& ready, DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (ready()) return true;
    if (::GetTickCount() - start > timeoutMs) return false;
    ::Sleep(50);
  }
}

}  // namespace sw::testing::win32
