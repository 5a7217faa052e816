// The verification phase of a volume file test: every full file, then the last one.
#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileVerifier.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"

namespace sw::filetest::phases {

bool VerifyAllFiles(core::Context& ctx, std::int32_t filesWritten) {
  core::State& s = ctx.state;
  core::LogText(ctx, core::kCrLf + std::string(texts::kVerifyingFiles) +
                        std::to_string(filesWritten) + texts::kEllipsis);
  s.TestFileSize = kFullFileSize;
  s.GoodFileCount = 0;
  const std::uint64_t readAtStart = s.LastRun.transfers.bytesRead;
  for (std::int32_t i = 1; i <= filesWritten; ++i) {
    ShowVerifyProgress(ctx, i, filesWritten, readAtStart);
    ctx.win.DoEvents();
    if (s.CancelRequested) {
      Abort(ctx, texts::kAbortedWhileVerifying);
      return false;
    }
    VerifyTestFile(ctx, i);
    // The verifier gives up on a file when it sees Cancel; that is no lost data, and the run
    // ends here as cancelled rather than with a verdict.
    if (s.CancelRequested) {
      Abort(ctx, texts::kAbortedWhileVerifying);
      return false;
    }
  }

  // Runs even when no last file was written: that file does not exist, so it fails uncounted.
  s.TestFileSize = s.LastFileSize;
  if (!s.FileTestError) {
    core::LogText(ctx, core::kCrLf + std::string(texts::kVerifyingFile) +
                          std::to_string(filesWritten + 1) + texts::kEllipsis);
    ShowVerifyProgress(ctx, filesWritten + 1, filesWritten, readAtStart);
    VerifyTestFile(ctx, filesWritten + 1);
  }
  ShowVerifyProgress(ctx, filesWritten + 2, filesWritten, readAtStart);
  s.TestFileSize = kFullFileSize;
  if (s.CancelRequested) {
    Abort(ctx, texts::kAbortedWhileVerifying);
    return false;
  }
  return true;
}

}  // namespace sw::filetest::phases
