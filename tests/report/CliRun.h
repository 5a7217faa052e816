// Runs the sizewarden command line on simulated drives and keeps what it printed and saved.
#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "frontends/FakeConsole.h"
#include "frontends/cli/Cli.h"

namespace sw::report::testing {

struct CliResult {
  int status = 0;
  std::string out;
  std::string err;
};

inline CliResult RunSizewarden(std::vector<std::string> args, frontends::cli::ConsoleScript& script) {
  args.insert(args.begin(), "sizewarden");
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out;
  std::ostringstream err;
  const int status = frontends::cli::RunCli(
      static_cast<int>(argv.size()), argv.data(), out, err, [&script](bool catchCtrlC) {
        script.catching = catchCtrlC;
        return std::make_unique<frontends::cli::FakeConsole>(script);
      });
  return {status, out.str(), err.str()};
}

inline std::string ReadWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A folder of its own per test, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    path_ = std::filesystem::temp_directory_path() /
            ("sw-report-" + std::to_string(reinterpret_cast<std::uintptr_t>(this)) + "-" +
             std::to_string(counter_++));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  std::string operator/(const std::string& name) const { return (path_ / name).string(); }

 private:
  static inline int counter_ = 0;
  std::filesystem::path path_;
};

}  // namespace sw::report::testing
