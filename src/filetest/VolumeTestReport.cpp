// The end of a volume file test: the figures, PASSED or TEST FAILED, the deletion of the test
// files and the closing box.
#include "core/Layouts.h"
#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/VolumeTestFigures.h"
#include "filetest/VolumeTestPhases.h"
#include "platform/WinApi.h"

namespace sw::filetest::phases {

namespace {

void LogFigures(core::Context& ctx, const VolumeTestFigures& f) {
  const std::string crlf = core::kCrLf;
  const std::string tested = std::to_string(f.mbTested);
  core::LogText(ctx, crlf + texts::kRule + crlf + texts::kTestFinished + crlf + tested +
                        texts::kFilespaceTested);
  core::LogText(ctx, crlf + texts::kTestTime + ElapsedText(ctx));
  if (f.passed) {
    core::LogText(ctx, crlf + crlf + texts::kPassed + tested + texts::kTestedAndOk + crlf);
  } else {
    core::LogText(ctx, crlf + crlf + texts::kFailedOnly + std::to_string(f.mbGood) +
                          texts::kOutOfThe + tested + texts::kTestedWereGood + crlf);
  }
}

void DeleteTestFiles(core::Context& ctx) {
  core::LogText(ctx, core::kCrLf + std::string(texts::kDeletingTestFiles));
  ctx.win.DoEvents();
  // A file that cannot be deleted stays; the clean-up button can try again later.
  ctx.os.DeleteFiles(TestFilePattern(ctx.state.SelectedVolume));
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

bool ReportAndCleanUp(core::Context& ctx, std::int32_t filesWritten) {
  const core::State& s = ctx.state;
  const VolumeTestFigures figures =
      ComputeFigures(filesWritten, s.TestFileCount, s.GoodFileCount, s.LastFileSize);
  LogFigures(ctx, figures);
  DeleteTestFiles(ctx);
  ShowVerdict(ctx, figures);
  core::Hide_Cancel(ctx);
  return figures.passed;
}

}  // namespace sw::filetest::phases
