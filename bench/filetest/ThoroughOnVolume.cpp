// Timing the thorough test's passes against plain O_DIRECT on one volume.
#include "filetest/ThoroughOnVolume.h"

#include <fcntl.h>

#include <chrono>
#include <cstdio>

#include "core/AlignedBuffer.h"
#include "core/Context.h"
#include "filetest/DirectWrite.h"
#include "filetest/H2wFormat.h"
#include "filetest/ThoroughFiles.h"
#include "quicktest/SilentWindow.h"

namespace sw::bench {
namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

void MeasureThorough(platform::linuxos::LinuxOs& os, const std::string& volume,
                     const std::filesystem::path& folder, int files, std::uint64_t fileBytes,
                     ThoroughFigures& t) {
  using filetest::thorough::kChunkBytes;
  const std::uint64_t bytes = static_cast<std::uint64_t>(files) * fileBytes;
  const double directWrite = TimeDirectWrite(folder / "direct.bin", bytes, kChunkBytes, 0);
  const double directRead = TimeDirectRead(folder / "direct.bin", bytes, kChunkBytes);
  const double directSync = TimeDirectWrite(folder / "direct.bin", bytes, kChunkBytes, O_DSYNC);

  SilentWindow win;
  core::Context ctx(os, win);
  ctx.state.SelectedVolume = volume;
  ctx.state.ThoroughFileBytes = fileBytes;
  filetest::thorough::ChunkBuffers buffers;
  filetest::thorough::Progress progress(ctx);
  bool ok = true;
  auto start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) {
    ok = filetest::thorough::WriteFile(ctx, static_cast<std::uint64_t>(n), fileBytes, buffers,
                                       progress) == filetest::thorough::Result::Done &&
         ok;
  }
  const double write = Since(start);
  filetest::thorough::Tally tally;
  start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) {
    filetest::thorough::ReadFile(ctx, static_cast<std::uint64_t>(n), fileBytes, buffers, tally,
                                 progress);
  }
  const double read = Since(start);
  for (int n = 1; n <= files; ++n) {
    os.DeleteFiles(filetest::h2w::FilePath(volume, static_cast<std::uint64_t>(n)));
  }
  if (!ok || tally.Lost() || tally.good * filetest::h2w::kSectorBytes != bytes ||
      directWrite < 0 || directRead < 0 || directSync < 0) {
    t.failed = true;
  }
  t.write += write;
  t.read += read;
  t.directWrite += directWrite;
  t.directRead += directRead;
  t.directSync += directSync;
  t.bytes += bytes;
}

void PrintThorough(const ThoroughFigures& t) {
  const double mb = static_cast<double>(t.bytes) / 1'048'576.0;
  std::printf("  thorough test, %.0f MB of .h2w files in %zu-byte chunks:\n", mb,
              filetest::thorough::kChunkBytes);
  if (t.failed) std::printf("  (a transfer or a check failed: figures are not comparable)\n");
  std::printf("    %-44s %10s %10s %8s\n", "", "thorough", "O_DIRECT", "ratio");
  std::printf("    %-44s %7.1f MB/s %5.1f MB/s %8.2f\n", "write pass (every sector generated)",
              mb / t.write, mb / t.directWrite, t.directWrite / t.write);
  std::printf("    %-44s %7.1f MB/s %5.1f MB/s %8.2f\n", "verify pass (every byte compared)",
              mb / t.read, mb / t.directRead, t.directRead / t.read);
  std::printf("    %-44s %7.1f MB/s %5.1f MB/s %8.2f  (O_DIRECT | O_DSYNC)\n",
              "write pass against write-through", mb / t.write, mb / t.directSync,
              t.directSync / t.write);
}

}  // namespace sw::bench
