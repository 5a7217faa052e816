// The result files a command was asked for (--json, --report, --map): opened before anything
// runs, so a path that cannot be written stops the command before it touches a drive, and
// written once the command is over.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "core/Context.h"
#include "report/SavedFiles.h"

namespace sw::frontends::cli {

struct ResultPaths {
  std::string json;    // "-": stdout
  std::string report;
  std::string map;
};

class ResultFiles {
 public:
  explicit ResultFiles(const ResultPaths& paths);
  // Empty when every file could be opened, else the error text naming the first that could not.
  const std::string& error() const { return error_; }
  bool JsonToStdout() const { return jsonToStdout_; }

  // command names the document when no test got far enough to fill LastRun; reportText is the
  // report as it is saved. Returns the error text of a file that could not be written (empty
  // when all went well).
  std::string WriteAfterRun(core::Context& ctx, const std::string& command, bool allDrives,
                            const std::string& reportText, std::ostream& stdoutStream);

 private:
  std::unique_ptr<report::OutputFile> Open(const std::string& path);

  std::unique_ptr<report::OutputFile> json_;
  std::unique_ptr<report::OutputFile> report_;
  std::unique_ptr<report::OutputFile> map_;
  bool jsonToStdout_ = false;
  std::string error_;
};

}  // namespace sw::frontends::cli
