// The test file writer: markers and header into the pattern, then up to four large
// write-through, unbuffered writes straight from it.
#include "filetest/TestFileWriter.h"

#include <algorithm>

#include "core/Log.h"
#include "core/Progress.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/ByteOrder.h"
#include "filetest/VolumeTestRecord.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

// Unbuffered and write-through, so the data has to reach the device rather than the cache.
constexpr std::uint32_t kWriteFlags =
    win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING | win::FILE_ATTRIBUTE_NORMAL;
static_assert(kWriteFlags == 0xA0000080u);

void MarkPattern(core::Context& ctx, std::int32_t n) {
  core::AlignedBuffer& pattern = ctx.state.TestPattern;
  const std::int32_t marked = std::min(ctx.state.TestFileSize, kMarkedPatternBytes);
  for (std::int32_t i = 0; i <= marked - 1; i += kMarkerStride) pattern[i] = MarkerOf(n);
  platform::PutLe32(pattern.span(), 0, static_cast<std::uint32_t>(n));
  pattern[4] = pattern[5] = pattern[6] = kHeaderF;
  pattern[7] = 0x0D;
  pattern[8] = 0x0A;
}

// Only the header chunk carries the number; every later chunk starts with the marker and
// eight zero bytes.
void MarkChunkStart(core::Context& ctx, std::int32_t n) {
  core::AlignedBuffer& pattern = ctx.state.TestPattern;
  pattern[0] = MarkerOf(n);
  for (std::size_t i = 1; i <= kChunkStartZeros; ++i) pattern[i] = 0x00;
}

std::string ProgressSuffix(core::Context& ctx, std::int32_t n) {
  if (n <= 1) return {};
  const double elapsed = static_cast<double>(ctx.os.Now() - ctx.state.TestStartTime);
  const double remaining = EstimateRemaining(ctx.state, elapsed, n);
  return std::string(texts::kRemainingLead) + FormatHms(remaining) + texts::kRemaining;
}

bool WriteChunk(core::Context& ctx, platform::Handle h, std::int32_t bytes) {
  std::uint32_t written = 0;
  // Only the success flag counts; a short count is not compared.
  const bool ok = ctx.os.WriteFile(
      h, {ctx.state.TestPattern.data(), static_cast<std::size_t>(bytes)}, written);
  core::CountWrite(ctx, static_cast<std::uint64_t>(bytes), ok);
  if (ok) return true;
  ctx.state.FileTestLastError = ctx.os.GetLastError();
  return false;
}

// Up to four chunks from the start of the pattern; false when a write fails or Cancel is seen
// between two chunks.
bool WriteChunks(core::Context& ctx, platform::Handle h, std::int32_t n) {
  std::int64_t remaining = ctx.state.TestFileSize;
  std::int64_t chunk = std::min<std::int64_t>(remaining, kChunkSize);
  if (!WriteChunk(ctx, h, static_cast<std::int32_t>(chunk))) return false;
  remaining -= chunk;
  ShowWriteProgress(ctx, n, ctx.state.TestFileSize - remaining, false);
  MarkChunkStart(ctx, n);
  for (int pass = 1; pass < kChunksPerFile; ++pass) {
    chunk = std::min<std::int64_t>(remaining, kChunkSize);
    ctx.win.DoEvents();
    if (ctx.state.CancelRequested) return false;
    if (chunk > 0 && !WriteChunk(ctx, h, static_cast<std::int32_t>(chunk))) return false;
    // The full chunk size, so the passes after the end write nothing.
    remaining -= kChunkSize;
    if (chunk > 0) ShowWriteProgress(ctx, n, ctx.state.TestFileSize - std::max<std::int64_t>(remaining, 0), false);
  }
  return true;
}

}  // namespace

double EstimateRemaining(const core::State& s, double elapsedSeconds, std::int32_t n) {
  // Files 1 to n - 1 are written (full ones: the last file comes after all of them).
  const double bytesDone = static_cast<double>(n - 1) * kFullFileSize;
  if (bytesDone <= 0) return 0;
  const double writePace = elapsedSeconds / bytesDone;
  const bool isLast = s.LastFileSize > 0 && n == s.TestFileCount;
  const std::int32_t fullFiles = isLast ? s.TestFileCount - 1 : s.TestFileCount;
  const double lastBytes = isLast ? s.LastFileSize : s.PlannedLastFileBytes;
  const double writeLeft =
      isLast ? lastBytes : static_cast<double>(fullFiles - n + 1) * kFullFileSize + lastBytes;
  // Everything is read once more at the end, and every interim check still ahead re-reads all
  // files written by then.
  double verifyLeft = static_cast<double>(fullFiles) * kFullFileSize + lastBytes;
  for (const std::int32_t check : kInterimCheckPoints) {
    if (check >= n && check <= fullFiles) verifyLeft += static_cast<double>(check) * kFullFileSize;
  }
  // Measured once an interim check has run; until then a third of the write pace, as the
  // sparse read-back costs far less than the writing.
  const double verifyPace = s.VerifySeconds > 0 && s.VerifiedBytes > 0
                                ? s.VerifySeconds / s.VerifiedBytes
                                : writePace / 3;
  return writePace * writeLeft + verifyPace * verifyLeft;
}

void WriteTestFile(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  if (!TestPatternReady(ctx)) PrepareTestPattern(ctx);
  MarkPattern(ctx, n);
  const std::string path = TestFilePath(s.SelectedVolume, n);
  core::LogText(ctx, texts::kWritingFile + ctx.os.ShownPath(path) + ProgressSuffix(ctx, n));

  ctx.win.DoEvents();
  if (s.CancelRequested) return;

  TestFileHandle file(
      ctx.os, ctx.os.CreateFileA(path, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, kWriteFlags));
  // Cancel is no system error; a failed call leaves its own code.
  s.FileTestLastError = file.opened() ? 0 : ctx.os.GetLastError();
  // The partly written file stays; the run deletes every test file at its end.
  if (!file.opened() || s.CancelRequested || !WriteChunks(ctx, file.get(), n)) {
    s.FileTestError = true;
    return;
  }

  ctx.win.DoEvents();
  // What the volume could not take in the end (space it promised, a drive that went away) fails
  // the file as a failed write does, with the system's reason.
  if (!ctx.os.FlushFileBuffers(file.get())) {
    s.FileTestLastError = ctx.os.GetLastError();
    s.FileTestError = true;
  }
  file.Close();
}

}  // namespace sw::filetest
