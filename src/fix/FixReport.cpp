// What the fix says it did, line by line, and the same as data.
#include "fix/FixReport.h"

#include "core/Log.h"
#include "drives/DriveRecord.h"
#include "drives/TextFormat.h"
#include "fix/FixTexts.h"
#include "platform/WinApi.h"

namespace sw::fix {

namespace {

using core::kCrLf;

void Line(core::Context& ctx, const std::string& text) { core::LogText(ctx, kCrLf + text); }

std::string FailureLine(const FixOutcome& o) {
  switch (o.end) {
    case FixEnd::MarksLost:
      return text::kMarkFailed + o.detail;
    case FixEnd::TableFailed:
      return text::kTableFailed + o.detail;
    case FixEnd::FormatFailed:
      return text::kFormatFailed + o.detail;
    case FixEnd::TableWrong:
      return text::kTableWrong + (o.detail.empty() ? "" : " (" + o.detail + ")");
    case FixEnd::SizeWrong:
      return text::kSizeWrong + o.detail;
    case FixEnd::LastSectorLost:
      return text::kLastSectorLost;
    case FixEnd::DriveLost:
    case FixEnd::Done:
      break;
  }
  return {};
}

const char* ErrorCode(FixEnd end) {
  namespace code = core::error_code;
  switch (end) {
    case FixEnd::DriveLost:
      return code::kDriveLost;
    case FixEnd::TableFailed:
    case FixEnd::FormatFailed:
      return code::kWriteError;
    case FixEnd::MarksLost:
    case FixEnd::TableWrong:
    case FixEnd::SizeWrong:
    case FixEnd::LastSectorLost:
      return code::kFixCheckFailed;
    case FixEnd::Done:
      break;
  }
  return code::kNotRun;
}

}  // namespace

std::string SizeWords(std::uint64_t bytes) {
  return drives::FormatDecimals(static_cast<double>(bytes), "###,###,###,###,###0") + " bytes (" +
         drives::FormatDecimals(static_cast<double>(bytes) / static_cast<double>(kMiB), "#########0.0") + "MiB)";
}

void StartFixRecord(core::Context& ctx) {
  ctx.state.LastRun = {};
  ctx.state.LastRun.command = "fix";
  ctx.state.LastRun.drive = drives::DescribeDrive(ctx);
}

void ReportPlan(core::Context& ctx, const FixPlan& plan) {
  Line(ctx, text::kTable + std::string(plan.table == Table::Gpt ? "GPT" : "MBR"));
  std::string partition = text::kPartition + std::to_string(plan.FirstSector()) + text::kPartitionTo +
                          std::to_string(plan.LastSector()) + text::kPartitionOf + std::to_string(plan.sectorBytes) +
                          text::kPartitionBytes + SizeWords(plan.lengthBytes);
  partition += plan.measuredBy == "size" ? std::string(text::kPartitionGiven) : text::kPartitionEnd + plan.measuredBy;
  Line(ctx, partition);
  Line(ctx, text::kFileSystem + FileSystemTitle(plan.fileSystem) + text::kLabel + plan.label);
}

void ReportOutcome(core::Context& ctx, const FixPlan& plan, const FixOutcome& outcome) {
  (void)plan;
  if (outcome.end == FixEnd::DriveLost) {
    Line(ctx, "");
    return;
  }
  if (outcome.end == FixEnd::Done) {
    Line(ctx, text::kTableReadBack);
    if (outcome.fileSystemBytes) {
      Line(ctx, text::kFileSystemSize + SizeWords(*outcome.fileSystemBytes) + text::kFileSystemSizeEnd);
    }
    Line(ctx, text::kLastSectorKept);
    Line(ctx, text::kRemount);
    Line(ctx, text::kNextFileTest);
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kDone, win::MB_ICONINFORMATION, text::kTitle);
    return;
  }
  Line(ctx, FailureLine(outcome));
  core::LogMsgBox(ctx, std::string(kCrLf) + text::kFailed + kCrLf + kCrLf + text::kFailedNote, win::MB_ICONCRITICAL,
                  text::kTitle);
}

void RecordFix(core::Context& ctx, const FixPlan& plan, const FixOutcome& outcome) {
  core::RunRecord& r = ctx.state.LastRun;
  core::FixRecord f;
  f.table = TableName(plan.table);
  f.fileSystem = FileSystemName(plan.fileSystem);
  f.label = plan.label;
  f.sectorBytes = plan.sectorBytes;
  f.firstSector = plan.FirstSector();
  f.lastSector = plan.LastSector();
  f.partitionBytes = plan.lengthBytes;
  f.fileSystemBytes = outcome.fileSystemBytes;
  f.measuredBy = plan.measuredBy;
  r.fix = f;
  if (outcome.end == FixEnd::Done) {
    r.verdict = core::Verdict::Passed;
    return;
  }
  // A check that found the drive wrong fails it; a step that could not be done (a control, the
  // formatter, a lost drive) ends the fix without a verdict on the drive.
  const bool proven = outcome.end == FixEnd::MarksLost || outcome.end == FixEnd::TableWrong ||
                      outcome.end == FixEnd::SizeWrong || outcome.end == FixEnd::LastSectorLost;
  r.verdict = proven ? core::Verdict::Failed : core::Verdict::Aborted;
  if (proven) r.fakeKind = core::FakeKind::Fake;
  const std::string line = FailureLine(outcome);
  r.errors.push_back({ErrorCode(outcome.end), line.empty() ? "the drive was lost" : line});
}

void ReportRefusal(core::Context& ctx, const std::string& why) {
  core::LogMsgBox(ctx, why + kCrLf + text::kNothingWritten, win::MB_ICONCRITICAL, text::kTitle);
  ctx.state.LastRun.verdict = core::Verdict::Refused;
  ctx.state.LastRun.errors.push_back({core::error_code::kRefused, why});
}

}  // namespace sw::fix
