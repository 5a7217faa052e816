// The writing phase of a volume file test: the full files with the interim checks, then the
// last, smaller file.

#include <algorithm>
#include <cmath>
#include <iterator>

#include "core/Layouts.h"
#include "core/Log.h"
#include "filetest/Cleanup.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileVerifier.h"
#include "filetest/TestFileWriter.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"

namespace sw::filetest::phases {

namespace {

bool IsInterimCheckPoint(std::int32_t n) {
  return std::find(std::begin(kInterimCheckPoints), std::end(kInterimCheckPoints), n) !=
         std::end(kInterimCheckPoints);
}

// Leaves this much of the volume free, so the file system keeps room for its own records.
constexpr double kLastFileReserve = 1024;
constexpr double kSmallestLastFile = 1024;
constexpr std::uint32_t kClassicSector = 512;

// A write that failed for a reason of the volume (read-only, full, gone) stops the run without
// a word against the drive; the line after "WRITE ERROR!" or "DATA ERROR!" says what happened.
void NoteStop(core::Context& ctx) {
  core::State& s = ctx.state;
  const StopReason why = ClassifyStop(s.FileTestLastError);
  if (why == StopReason::None || s.FileTestStopError != 0) return;
  s.FileTestStopError = s.FileTestLastError;
  core::LogText(ctx, core::kCrLf + std::string(StopMessage(why)));
}

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
  RecordFileCancelled(ctx, message);
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
    ShowWriteProgress(ctx, n, 0, true);
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
      NoteStop(ctx);
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

double LastFileSizeFor(double freeBytes, std::uint32_t sectorBytes) {
  double size = RoundHalfEven(freeBytes - kLastFileReserve);
  if (size > kFullFileSize) size = kFullFileSize;
  // Unbuffered writes take whole sectors only: on a volume of 4,096-byte sectors the size the
  // free space gives would fail its last write on a perfectly good drive. Classic 512-byte
  // volumes keep the size exactly as it always was.
  if (sectorBytes > kClassicSector && size > 0) {
    size = std::floor(size / sectorBytes) * sectorBytes;
  }
  if (size < kSmallestLastFile) size = 0;
  return size;
}

void WriteLastFile(core::Context& ctx) {
  core::State& s = ctx.state;
  const double size = LastFileSizeFor(FreeDiskSpace(ctx, s.SelectedVolume),
                                      VolumeSectorSize(ctx, s.SelectedVolume));
  s.TestFileSize = static_cast<std::int32_t>(size);
  s.LastFileSize = s.TestFileSize;
  if (s.LastFileSize <= 0) return;

  s.TestFileCount += 1;
  core::LogText(ctx, core::kCrLf + std::string(texts::kWritingLastFile) +
                        FormatUpToTwoDecimals(size / kBytesPerMB, ctx.os.UserNumberFormat()) +
                        texts::kLastFileMBClose);
  ShowWriteProgress(ctx, s.TestFileCount, 0, true);
  core::LogText(ctx, core::kCrLf + ElapsedText(ctx));
  WriteTestFile(ctx, s.TestFileCount);
  ShowWriteProgress(ctx, s.TestFileCount, s.LastFileSize, false);
  if (s.FileTestError) {
    core::LogText(ctx, core::kCrLf + std::string(texts::kDataError));
    NoteStop(ctx);
  }
}

}  // namespace sw::filetest::phases
