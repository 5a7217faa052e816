// The end of a volume file test: the figures, PASSED or TEST FAILED, the deletion of the test
// files and the closing box.
#include "core/Layouts.h"
#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileFormat.h"
#include "filetest/VolumeTestFigures.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"
#include "platform/WinApi.h"

namespace sw::filetest::phases {

namespace {

// Stopped by the volume (read-only, full, gone) with no file found wrong: no verdict on the
// drive, only what was checked.
bool Incomplete(const core::State& s) {
  return s.FileTestStopError != 0 && s.LostDataFileCount == 0;
}

void LogFigures(core::Context& ctx, const VolumeTestFigures& f, bool incomplete) {
  const std::string crlf = core::kCrLf;
  const std::string tested = std::to_string(f.mbTested);
  core::LogText(ctx, crlf + texts::kRule + crlf + texts::kTestFinished + crlf + tested +
                        texts::kFilespaceTested);
  core::LogText(ctx, crlf + texts::kTestTime + ElapsedText(ctx));
  if (incomplete) {
    core::LogText(ctx, crlf + crlf + texts::kIncomplete + std::to_string(f.mbGood) +
                          texts::kOutOfThe + tested + texts::kTestedWereGood + crlf);
  } else if (f.passed) {
    core::LogText(ctx, crlf + crlf + texts::kPassed + tested + texts::kTestedAndOk + crlf);
  } else {
    core::LogText(ctx, crlf + crlf + texts::kFailedOnly + std::to_string(f.mbGood) +
                          texts::kOutOfThe + tested + texts::kTestedWereGood + crlf);
  }
}

void DeleteTestFiles(core::Context& ctx) {
  core::LogText(ctx, core::kCrLf + std::string(texts::kDeletingTestFiles));
  ctx.win.DoEvents();
  // Only the files this run created, by name; a file that cannot be deleted stays, and the
  // clean-up button can try again later.
  for (std::int32_t n = 1; n <= ctx.state.TestFileCount + 1; ++n) {
    ctx.os.DeleteFiles(TestFilePath(ctx.state.SelectedVolume, n));
  }
  ctx.win.DoEvents();
  core::LogText(ctx, texts::kFinishedDeleting + std::string(core::kCrLf));
}

void ShowVerdict(core::Context& ctx, const VolumeTestFigures& f) {
  const std::string crlf = core::kCrLf;
  if (f.passed) {
    const double driveMB = RoundHalfEven(RoundHalfEven(ctx.state.DriveSizeBytes / 1024) / 1024);
    core::LogText(ctx, crlf + texts::kNote + std::to_string(f.mbGood) + texts::kOutOf +
                          FormatGeneral(driveMB) + texts::kTestedForIntegrity);
    core::LogMsgBox(ctx, crlf + texts::kSeemsGood, win::MB_ICONINFORMATION);
  } else {
    core::LogMsgBox(ctx, crlf + (f.probablyFake ? texts::kProbablyFake : texts::kFaulty),
                   win::MB_ICONCRITICAL);
  }
}

}  // namespace

core::Outcome ReportAndCleanUp(core::Context& ctx, std::int32_t filesWritten) {
  const core::State& s = ctx.state;
  VolumeTestFigures figures =
      ComputeFigures(filesWritten, s.TestFileCount, s.GoodFileCount, s.LastFileSize);
  const bool incomplete = Incomplete(s);
  if (incomplete) figures.mbGood = std::int64_t{s.GoodFileCount} * kFileMB;
  LogFigures(ctx, figures, incomplete);
  RecordFileFigures(ctx, figures);
  DeleteTestFiles(ctx);
  if (incomplete) {
    const std::string crlf = core::kCrLf;
    core::LogMsgBox(ctx,
                    crlf + StopMessage(ClassifyStop(s.FileTestStopError)) + crlf + crlf +
                        texts::kNoVerdict,
                    win::MB_ICONEXCLAMATION, texts::kIncompleteTitle);
  } else {
    ShowVerdict(ctx, figures);
  }
  core::Hide_Cancel(ctx);
  if (incomplete) return core::Outcome::NotRun;
  return figures.passed ? core::Outcome::Passed : core::Outcome::Failed;
}

}  // namespace sw::filetest::phases
