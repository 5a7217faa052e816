// The test file verifier: the header, then one byte at every second marker position, each read
// as a whole unbuffered sector so that it comes from the device and not the system's cache.
#include "filetest/TestFileVerifier.h"

#include <algorithm>
#include <array>

#include "core/AlignedBuffer.h"
#include "core/Log.h"
#include "filetest/Cleanup.h"
#include "core/Progress.h"
#include "filetest/FileTestTexts.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

enum class ByteRead { Ok, Short, Failed };

// Reads the sector holding `offset` and hands back the bytes from there to the sector's end.
// Short: the file ended first.
class SectorReader {
 public:
  SectorReader(core::Context& ctx, platform::Handle h, std::uint32_t sectorBytes)
      : ctx_(ctx), h_(h), sector_(sectorBytes), buffer_(sectorBytes) {}

  ByteRead Read(std::int64_t offset, std::span<std::uint8_t> out) {
    const std::int64_t start = offset / sector_ * sector_;
    const auto within = static_cast<std::size_t>(offset - start);
    if (!ctx_.os.SetFilePointerEx(h_, start, nullptr, win::FILE_BEGIN)) return Failed();
    std::uint32_t got = 0;
    const bool ok = ctx_.os.ReadFile(h_, buffer_.span(), got);
    core::CountRead(ctx_, got, ok);
    if (!ok) return Failed();
    if (got < within + out.size()) return ByteRead::Short;
    std::copy_n(buffer_.data() + within, out.size(), out.begin());
    return ByteRead::Ok;
  }

 private:
  ByteRead Failed() {
    // A volume that went away is no evidence against the drive; note it for the run.
    const StopReason why = ClassifyStop(ctx_.os.GetLastError());
    if (why == StopReason::Gone && ctx_.state.FileTestStopError == 0) {
      ctx_.state.FileTestStopError = win::ERROR_DEVICE_NOT_CONNECTED;
    }
    return ByteRead::Failed;
  }

  core::Context& ctx_;
  platform::Handle h_;
  std::int64_t sector_;
  core::AlignedBuffer buffer_;
};

// Unbuffered, so each read reaches the device (and stays a whole number of sectors).
constexpr std::uint32_t kReadFlags = win::FILE_ATTRIBUTE_NORMAL | win::FILE_FLAG_NO_BUFFERING;

}  // namespace

bool VerifyTestFile(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(TestFilePath(s.SelectedVolume, n),
                                                 win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, kReadFlags));
  if (!file.opened()) {
    if (ClassifyStop(ctx.os.GetLastError()) == StopReason::Gone && s.FileTestStopError == 0) {
      s.FileTestStopError = win::ERROR_DEVICE_NOT_CONNECTED;
    }
    return false;
  }
  const std::string note = ctx.os.CacheBypassNote(file.get());
  if (!note.empty()) core::Trace(ctx, texts::kVerifyTrace + note);
  SectorReader reader(ctx, file.get(), VolumeSectorSize(ctx, s.SelectedVolume));

  bool ok = true;
  // Number (4 bytes, little-endian) and "FFF"; CR LF is written but never judged.
  std::array<std::uint8_t, 7> header{};
  switch (reader.Read(0, header)) {
    case ByteRead::Failed:
      return false;
    case ByteRead::Short:
      ok = false;
      break;
    case ByteRead::Ok: {
      const std::uint32_t v = platform::le32(header, 0);
      if (v != static_cast<std::uint32_t>(n)) ok = false;
      for (int i = 4; i < 7; ++i) {
        if (header[i] != kHeaderF) ok = false;
      }
      break;
    }
  }

  // Every second marker: the odd multiples of 16,384. The range is the size the caller expects,
  // so a file that came out shorter is read past its end, which counts as a mismatch.
  const std::int64_t last = static_cast<std::int64_t>(s.TestFileSize) - 1;
  std::array<std::uint8_t, 1> byte{};
  for (std::int64_t offset = kMarkerStride; offset <= last; offset += 2 * kMarkerStride) {
    const ByteRead got = reader.Read(offset, byte);
    if (got == ByteRead::Failed) return false;
    if (got == ByteRead::Short || byte[0] != MarkerOf(n)) {
      ++s.LostDataFileCount;
      return false;
    }
  }

  ctx.win.DoEvents();
  if (s.CancelRequested) return false;
  file.Close();
  if (ok) {
    ++s.GoodFileCount;
  } else {
    ++s.LostDataFileCount;
  }
  return ok;
}

void VerifyFilesSoFar(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  s.GoodFileCount = 0;
  core::LogText(ctx, texts::kChecking);
  const platform::LocalTime started = ctx.os.Now();
  for (std::int32_t i = 1; i <= n; ++i) {
    ctx.win.DoEvents();
    if (!VerifyTestFile(ctx, i)) s.FileTestError = true;
  }
  // The pace of this check tells the estimate how long the verification still ahead will take.
  s.VerifiedBytes += static_cast<double>(n) * kFullFileSize;
  s.VerifySeconds += static_cast<double>(ctx.os.Now() - started);
  if (!s.FileTestError) core::LogText(ctx, texts::kCheckOk);
}

}  // namespace sw::filetest
