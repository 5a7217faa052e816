// The test file verifier: the header, then one byte at every second marker position.
#include "filetest/TestFileVerifier.h"

#include <array>

#include "core/Log.h"
#include "filetest/FileTestTexts.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileHandle.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

enum class ByteRead { Ok, Short, Failed };

// Reads the bytes at offset into out. Short: the file ended first (fewer bytes came back).
ByteRead ReadAt(platform::Os& os, platform::Handle h, std::int64_t offset,
                std::span<std::uint8_t> out) {
  if (!os.SetFilePointerEx(h, offset, nullptr, win::FILE_BEGIN)) return ByteRead::Failed;
  std::uint32_t got = 0;
  if (!os.ReadFile(h, out, got)) return ByteRead::Failed;
  return got == out.size() ? ByteRead::Ok : ByteRead::Short;
}

}  // namespace

bool VerifyTestFile(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  TestFileHandle file(ctx.os, ctx.os.CreateFileA(TestFilePath(s.SelectedVolume, n),
                                                 win::GENERIC_READ, win::FILE_SHARE_READ,
                                                 win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL));
  if (!file.opened()) return false;

  bool ok = true;
  // Number (4 bytes, little-endian) and "FFF"; CR LF is written but never judged.
  std::array<std::uint8_t, 7> header{};
  switch (ReadAt(ctx.os, file.get(), 0, header)) {
    case ByteRead::Failed:
      return false;
    case ByteRead::Short:
      ok = false;
      break;
    case ByteRead::Ok: {
      const std::uint32_t v = header[0] | header[1] << 8 | header[2] << 16 |
                              static_cast<std::uint32_t>(header[3]) << 24;
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
    if (ReadAt(ctx.os, file.get(), offset, byte) != ByteRead::Ok) return false;
    if (byte[0] != MarkerOf(n)) return false;
  }

  ctx.win.DoEvents();
  if (s.CancelRequested) return false;
  file.Close();
  if (ok) ++s.GoodFileCount;
  return ok;
}

void VerifyFilesSoFar(core::Context& ctx, std::int32_t n) {
  core::State& s = ctx.state;
  s.GoodFileCount = 0;
  core::LogText(ctx, texts::kChecking);
  for (std::int32_t i = 1; i <= n; ++i) {
    ctx.win.DoEvents();
    if (!VerifyTestFile(ctx, i)) s.FileTestError = true;
  }
  if (!s.FileTestError) core::LogText(ctx, texts::kCheckOk);
}

}  // namespace sw::filetest
