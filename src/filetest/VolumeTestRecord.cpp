// The file test's live progress and record.
#include "filetest/VolumeTestRecord.h"

#include "core/Progress.h"
#include "drives/DriveRecord.h"
#include "filetest/TestFileFormat.h"

namespace sw::filetest {

namespace {

constexpr const char* kCommand = "files";
constexpr const char* kPhaseWriting = "Writing test files";
constexpr const char* kPhaseVerifying = "Verifying test files";

std::uint64_t Full(std::int64_t files) {
  return static_cast<std::uint64_t>(files) * static_cast<std::uint64_t>(kFullFileSize);
}

}  // namespace

void StartFileRecord(core::Context& ctx) {
  core::RunRecord& r = ctx.state.LastRun;
  r = {};
  r.command = kCommand;
  r.drive = drives::DescribeDrive(ctx);
  r.volume = ctx.state.SelectedVolume;
}

void ShowWriteProgress(core::Context& ctx, std::int32_t n, std::int64_t bytesOfFile,
                       bool reportLineFollows) {
  const core::State& s = ctx.state;
  core::ProgressUpdate u;
  u.phase = kPhaseWriting;
  u.done = Full(n - 1) + static_cast<std::uint64_t>(bytesOfFile);
  // The last file's size is known only once the full ones are written.
  u.total = std::max(u.done, Full(s.TestFileCount - (s.LastFileSize > 0 ? 1 : 0)) +
                                 static_cast<std::uint64_t>(s.LastFileSize));
  u.bytesMoved = u.done;
  u.reportLineFollows = reportLineFollows;
  core::ReportProgress(ctx, u, core::Direction::Write);
}

void ShowVerifyProgress(core::Context& ctx, std::int32_t n, std::int32_t filesWritten,
                        std::uint64_t readAtStart) {
  core::ProgressUpdate u;
  u.phase = kPhaseVerifying;
  u.done = Full(std::min(n, filesWritten + 1) - 1);
  u.total = Full(filesWritten) + static_cast<std::uint64_t>(ctx.state.LastFileSize);
  if (n > filesWritten) u.done = u.total;
  // The verifier reads samples spread over each file, not every byte: the phase's bytes and
  // speed are those it read, so that they add up with the run's request counts.
  u.bytesMoved = ctx.state.LastRun.transfers.bytesRead - readAtStart;
  core::ReportProgress(ctx, u, core::Direction::Read);
}

void RecordFileFigures(core::Context& ctx, const VolumeTestFigures& figures) {
  core::RunRecord& r = ctx.state.LastRun;
  r.verdict = figures.passed ? core::Verdict::Passed : core::Verdict::Failed;
  r.fakeKind = figures.passed          ? core::FakeKind::Genuine
               : figures.probablyFake ? core::FakeKind::Fake
                                      : core::FakeKind::Faulty;
  const auto mb = static_cast<std::uint64_t>(kBytesPerMB);
  r.testedBytes = static_cast<std::uint64_t>(figures.mbTested) * mb;
  r.goodBytes = static_cast<std::uint64_t>(figures.mbGood) * mb;
  r.elapsedSeconds = static_cast<double>(ctx.os.Now() - ctx.state.TestStartTime);
}

void RecordFileCancelled(core::Context& ctx, const char* message) {
  core::RunRecord& r = ctx.state.LastRun;
  r.verdict = core::Verdict::Cancelled;
  r.errors.push_back({core::error_code::kCancelled, message});
  r.elapsedSeconds = static_cast<double>(ctx.os.Now() - ctx.state.TestStartTime);
}

}  // namespace sw::filetest
