// The writing phase of a volume file test: the full files with the interim checks, then the
// last, smaller file.

#include "core/Layouts.h"
#include "core/Log.h"
#include "filetest/Cleanup.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileVerifier.h"
#include "filetest/TestFileWriter.h"
#include "filetest/VolumeTestPhases.h"

namespace sw::filetest::phases {

namespace {

// Interim checks after 3,000, 5,000, 9,000 and 17,000 MB: a drive that loses data shows it long
// before the whole volume is filled.
bool IsInterimCheckPoint(std::int32_t n) { return n == 15 || n == 25 || n == 45 || n == 85; }

// Leaves this much of the volume free, so the file system keeps room for its own records.
constexpr double kLastFileReserve = 1024;
constexpr double kSmallestLastFile = 1024;

void ShowBusy(core::Context& ctx) {
  core::Show_Cancel(ctx);
  ctx.win.SetVisible(core::Control::Label1, true);
  // Shown again (still disabled) so the window keeps naming the test that runs.
  ctx.win.SetVisible(core::Control::cmdVolumeTest, true);
}

}  // namespace

std::string ElapsedText(core::Context& ctx) {
  return FormatHms(static_cast<double>(ctx.os.Now() - ctx.state.TestStartTime));
}

void Abort(core::Context& ctx, const char* message) {
  core::Hide_Cancel(ctx);
  core::LogText(ctx, core::kCrLf + std::string(message));
}

bool WriteFullFiles(core::Context& ctx, std::int32_t& filesWritten) {
  core::State& s = ctx.state;
  PrepareTestPattern(ctx);
  s.TestStartTime = ctx.os.Now();
  core::LogText(ctx, core::kCrLf + std::string(texts::kWriting) + std::to_string(s.TestFileCount) +
                        texts::kFilesOf200MB);
  ShowBusy(ctx);

  s.TestFileSize = kFullFileSize;
  filesWritten = s.TestFileCount;
  const std::int32_t planned = s.TestFileCount;
  for (std::int32_t n = 1; n <= planned; ++n) {
    core::LogText(ctx, core::kCrLf + ElapsedText(ctx));
    if (s.CancelRequested) {
      Abort(ctx, texts::kAbortedWhileWriting);
      return false;
    }
    ctx.win.DoEvents();
    WriteTestFile(ctx, n);
    ctx.win.DoEvents();
    if (s.CancelRequested) {
      Abort(ctx, texts::kAbortedWhileWriting);
      return false;
    }
    if (s.FileTestError) {
      filesWritten = n - 1;
      core::LogText(ctx, core::kCrLf + std::string(texts::kWriteError));
      break;
    }
    if (IsInterimCheckPoint(n)) VerifyFilesSoFar(ctx, n);
    ctx.win.DoEvents();
    if (s.CancelRequested) {
      Abort(ctx, texts::kAbortedWhileWriting);
      return false;
    }
    if (s.FileTestError) {
      filesWritten = n;
      core::LogText(ctx, core::kCrLf + std::string(texts::kDataError));
      break;
    }
    ctx.win.DoEvents();
  }
  return true;
}

void WriteLastFile(core::Context& ctx) {
  core::State& s = ctx.state;
  double size = RoundHalfEven(FreeDiskSpace(ctx, s.SelectedVolume) - kLastFileReserve);
  if (size > kFullFileSize) size = kFullFileSize;
  if (size < kSmallestLastFile) size = 0;
  s.TestFileSize = static_cast<std::int32_t>(size);
  s.LastFileSize = s.TestFileSize;
  if (s.LastFileSize <= 0) return;

  s.TestFileCount += 1;
  core::LogText(ctx, core::kCrLf + std::string(texts::kWritingLastFile) +
                        FormatUpToTwoDecimals(size / kBytesPerMB, ctx.os.UserNumberFormat()) +
                        texts::kLastFileMBClose);
  core::LogText(ctx, core::kCrLf + ElapsedText(ctx));
  WriteTestFile(ctx, s.TestFileCount);
  if (s.FileTestError) core::LogText(ctx, core::kCrLf + std::string(texts::kDataError));
}

}  // namespace sw::filetest::phases
