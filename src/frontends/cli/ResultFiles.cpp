// Opening and writing the result files.
#include "frontends/cli/ResultFiles.h"

#include "frontends/cli/CliTexts.h"
#include "report/DriveMap.h"
#include "report/JsonDocument.h"

namespace sw::frontends::cli {

namespace {
constexpr const char* kListCommand = "list";

std::string FailureText(const report::OutputFile& f) {
  return text::kCannotOpen + f.path() + text::kCannotOpenReason + f.error();
}
}  // namespace

std::unique_ptr<report::OutputFile> ResultFiles::Open(const std::string& path) {
  if (path.empty()) return nullptr;
  auto file = std::make_unique<report::OutputFile>(path);
  if (!file->opened() && error_.empty()) error_ = FailureText(*file);
  return file;
}

ResultFiles::ResultFiles(const ResultPaths& paths) {
  jsonToStdout_ = paths.json == text::kStdoutPath;
  if (!jsonToStdout_) json_ = Open(paths.json);
  report_ = Open(paths.report);
  map_ = Open(paths.map);
}

std::string ResultFiles::WriteAfterRun(core::Context& ctx, const std::string& command,
                                       bool allDrives, const std::string& reportText,
                                       std::ostream& stdoutStream) {
  core::RunRecord& run = ctx.state.LastRun;
  if (run.command.empty()) run.command = command;
  std::string json;
  if (json_ || jsonToStdout_) {
    json = command == kListCommand ? report::ListJson(ctx.state.ListedDrives, allDrives)
                                   : report::RunJson(run);
  }
  if (jsonToStdout_) stdoutStream << json << std::flush;
  std::string error;
  const auto write = [&error](report::OutputFile* file, const std::string& content) {
    if (file && !file->Write(content) && error.empty()) error = FailureText(*file);
  };
  write(json_.get(), json);
  write(report_.get(), reportText);
  if (map_) write(map_.get(), report::DriveMapSvg(run));
  return error;
}

}  // namespace sw::frontends::cli
