// The test file writer: markers and header into the pattern, then up to four large
// write-through, unbuffered writes straight from it.
#include "filetest/TestFileWriter.h"

#include <algorithm>

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileHandle.h"
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
  const auto number = static_cast<std::uint32_t>(n);
  for (int i = 0; i < 4; ++i) pattern[i] = static_cast<std::uint8_t>(number >> (8 * i));
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
  const double remaining = EstimateRemaining(elapsed, ctx.state.TestFileCount, n);
  return std::string(texts::kRemainingLead) + FormatHms(remaining) + texts::kRemaining;
}

bool WriteChunk(core::Context& ctx, platform::Handle h, std::int32_t bytes) {
  std::uint32_t written = 0;
  // Only the success flag counts; a short count is not compared.
  return ctx.os.WriteFile(h, {ctx.state.TestPattern.data(), static_cast<std::size_t>(bytes)},
                          written);
}

// Up to four chunks from the start of the pattern; false when a write fails or Cancel is seen
// between two chunks.
bool WriteChunks(core::Context& ctx, platform::Handle h, std::int32_t n) {
  std::int64_t remaining = ctx.state.TestFileSize;
  std::int64_t chunk = std::min<std::int64_t>(remaining, kChunkSize);
  if (!WriteChunk(ctx, h, static_cast<std::int32_t>(chunk))) return false;
  remaining -= chunk;
  MarkChunkStart(ctx, n);
  for (int pass = 1; pass < kChunksPerFile; ++pass) {
    chunk = std::min<std::int64_t>(remaining, kChunkSize);
    ctx.win.DoEvents();
    if (ctx.state.CancelRequested) return false;
    if (chunk > 0 && !WriteChunk(ctx, h, static_cast<std::int32_t>(chunk))) return false;
    // The full chunk size, so the passes after the end write nothing.
    remaining -= kChunkSize;
  }
  return true;
}

}  // namespace

double EstimateRemaining(double elapsedSeconds, double testFileCount, std::int32_t n) {
  double r = elapsedSeconds * (testFileCount - n) / n;
  if (n < 16 && testFileCount > 14) r += 20;
  if (n < 26 && testFileCount > 24) r += 40;
  if (n < 46 && testFileCount > 44) r += 60;
  if (n < 86 && testFileCount > 84) r += 100;
  return r + elapsedSeconds * testFileCount / n / 3;
}

void WriteTestFile(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  if (!TestPatternReady(ctx)) PrepareTestPattern(ctx);
  MarkPattern(ctx, n);
  const std::string path = TestFilePath(s.SelectedVolume, n);
  core::LogText(ctx, texts::kWritingFile + path + ProgressSuffix(ctx, n));

  ctx.win.DoEvents();
  if (s.CancelRequested) return;

  TestFileHandle file(
      ctx.os, ctx.os.CreateFileA(path, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS, kWriteFlags));
  // The partly written file stays; the run deletes every test file at its end.
  if (!file.opened() || s.CancelRequested || !WriteChunks(ctx, file.get(), n)) {
    s.FileTestError = true;
    return;
  }

  ctx.win.DoEvents();
  ctx.os.FlushFileBuffers(file.get());
  file.Close();
}

}  // namespace sw::filetest
