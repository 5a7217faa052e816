// The check of the test-file names before the first test file is written.
#include "filetest/LinkGuard.h"

#include "core/Log.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

inline constexpr const char* kTaken1 = "Nothing was written: these names of test files on ";
inline constexpr const char* kTaken2 =
    " are taken by something that is not an ordinary file (a folder, a link, a device), and "
    "test data is never written through them:";
inline constexpr const char* kTakenAdvice = "Move or rename them, then start the test again.";
inline constexpr const char* kIndent = "  ";

}  // namespace

std::string TakenNamesText(const std::string& volume, const std::vector<std::string>& paths) {
  std::string message = kTaken1 + volume + kTaken2;
  for (const std::string& path : paths) message += core::kCrLf + (kIndent + path);
  return message + core::kCrLf + kTakenAdvice;
}

bool TestFileNamesFree(core::Context& ctx, const std::string& pattern) {
  const std::string& volume = ctx.state.SelectedVolume;
  const std::vector<std::string> taken = ctx.os.FindNonRegularFiles(pattern);
  if (taken.empty()) return true;
  std::vector<std::string> paths;
  for (const std::string& name : taken) paths.push_back(ctx.os.ShownPath(volume + "\\" + name));
  core::LogMsgBox(ctx, core::kCrLf + TakenNamesText(volume, paths), win::MB_OK | win::MB_ICONCRITICAL);
  return false;
}

}  // namespace sw::filetest
