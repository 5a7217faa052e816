// Making the result files ready and writing them.
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

std::unique_ptr<report::OutputFile> ResultFiles::Open(const std::string& path, Kind kind) {
  if (path.empty()) return nullptr;
  if (path == text::kStdoutPath) {
    if (toStdout_ != Kind::None && error_.empty()) error_ = text::kTwoOnStdout;
    toStdout_ = kind;
    return nullptr;
  }
  auto file = std::make_unique<report::OutputFile>(path);
  if (!file->opened() && error_.empty()) error_ = FailureText(*file);
  return file;
}

ResultFiles::ResultFiles(const ResultPaths& paths) {
  wantJson_ = !paths.json.empty();
  json_ = Open(paths.json, Kind::Json);
  report_ = Open(paths.report, Kind::Report);
  map_ = Open(paths.map, Kind::Map);
}

void ResultFiles::Put(Kind kind, report::OutputFile* file, const std::string& content,
                      std::ostream& stdoutStream, std::string& error) {
  if (toStdout_ == kind) {
    stdoutStream << content << std::flush;
    return;
  }
  if (file && !file->Write(content) && error.empty()) error = FailureText(*file);
}

std::string ResultFiles::WriteAfterRun(core::Context& ctx, const std::string& command,
                                       bool allDrives, const std::string& reportText,
                                       std::ostream& stdoutStream) {
  core::RunRecord& run = ctx.state.LastRun;
  if (run.command.empty()) run.command = command;
  std::string error;
  Put(Kind::Report, report_.get(), reportText, stdoutStream, error);
  if (map_ || toStdout_ == Kind::Map) {
    Put(Kind::Map, map_.get(), report::DriveMapSvg(run, ctx.os.GeneralDate(ctx.os.Now())), stdoutStream, error);
  }
  // The document comes last, so that it can tell a script which of the other files is missing.
  if (!error.empty()) run.errors.push_back({core::error_code::kCannotWriteOutput, error});
  if (wantJson_) {
    const std::string json = command == kListCommand
                                 ? report::ListJson(ctx.state.ListedDrives, allDrives, run.errors)
                                 : report::RunJson(run);
    Put(Kind::Json, json_.get(), json, stdoutStream, error);
  }
  return error;
}

std::string ResultFiles::WriteNotRun(const std::string& command, const core::RunError& reason,
                                     std::ostream& stdoutStream) {
  if (!wantJson_) return {};
  std::string error;
  std::string json;
  if (command == kListCommand) {
    json = report::ListJson({}, false, {reason});
  } else {
    core::RunRecord run;
    run.command = command;
    run.errors.push_back(reason);
    json = report::RunJson(run);
  }
  Put(Kind::Json, json_.get(), json, stdoutStream, error);
  return error;
}

}  // namespace sw::frontends::cli
