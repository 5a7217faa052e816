// The result files a command was asked for (--json, --report, --map): made ready before
// anything runs, so a path that cannot be written stops the command before it touches a drive,
// and written once the command is over. Any one of them may go to stdout instead ("-").
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/Context.h"
#include "report/SavedFiles.h"

namespace sw::frontends::cli {

struct ResultPaths {
  std::string json;  // "-": stdout
  std::string report;
  std::string map;
};

class ResultFiles {
 public:
  explicit ResultFiles(const ResultPaths& paths);
  // Empty when every file could be made ready, else the error text naming the first that
  // could not (or saying that two want stdout).
  const std::string& error() const { return error_; }
  // One of the results goes to stdout: the report text makes way for it (to stderr).
  bool SomethingToStdout() const { return toStdout_ != Kind::None; }

  // command names the document when no test got far enough to fill LastRun; reportText is the
  // report as it is saved. Returns the error text of a file that could not be written (empty
  // when all went well).
  std::string WriteAfterRun(core::Context& ctx, const std::string& command, bool allDrives,
                            const std::string& reportText, std::ostream& stdoutStream);
  // For a command that stopped before it reached a drive: only the JSON document is written,
  // a not_run one with the reason; a report or map asked for keeps its old content.
  std::string WriteNotRun(const std::string& command, const core::RunError& reason,
                          std::ostream& stdoutStream);

 private:
  enum class Kind { None, Json, Report, Map };
  std::unique_ptr<report::OutputFile> Open(const std::string& path, Kind kind);
  // Writes content to its file, or to stdout when it is the one that goes there.
  void Put(Kind kind, report::OutputFile* file, const std::string& content, std::ostream& stdoutStream,
           std::string& error);

  std::unique_ptr<report::OutputFile> json_;
  std::unique_ptr<report::OutputFile> report_;
  std::unique_ptr<report::OutputFile> map_;
  bool wantJson_ = false;
  Kind toStdout_ = Kind::None;
  std::string error_;
};

}  // namespace sw::frontends::cli
