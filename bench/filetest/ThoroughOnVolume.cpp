// Timing the thorough test's passes against plain O_DIRECT on one volume.
#include "filetest/ThoroughOnVolume.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

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

double CpuSeconds() {
  rusage u {};
  ::getrusage(RUSAGE_SELF, &u);
  const auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

template <typename Field>
double Sum(const std::vector<ThoroughRound>& rounds, Field field) {
  double s = 0;
  for (const ThoroughRound& r : rounds) s += r.*field;
  return s;
}

template <typename Field>
double Best(const std::vector<ThoroughRound>& rounds, Field field) {
  double b = 0;
  for (const ThoroughRound& r : rounds) b = b == 0 ? r.*field : std::min(b, r.*field);
  return b;
}

}  // namespace

// Throughput ratios are the plain side's time over the thorough side's.
double ThoroughFigures::WriteRatio() const {
  return Sum(rounds, &ThoroughRound::directWrite) / Sum(rounds, &ThoroughRound::write);
}
double ThoroughFigures::ReadRatio() const {
  return Sum(rounds, &ThoroughRound::directRead) / Sum(rounds, &ThoroughRound::read);
}
double ThoroughFigures::BestWriteRatio() const {
  return Best(rounds, &ThoroughRound::directWrite) / Best(rounds, &ThoroughRound::write);
}
double ThoroughFigures::BestReadRatio() const {
  return Best(rounds, &ThoroughRound::directRead) / Best(rounds, &ThoroughRound::read);
}

void MeasureThorough(platform::linuxos::LinuxOs& os, const std::string& volume,
                     const std::filesystem::path& folder, int files, std::uint64_t fileBytes,
                     ThoroughFigures& t) {
  using filetest::thorough::kChunkBytes;
  const std::uint64_t bytes = static_cast<std::uint64_t>(files) * fileBytes;
  ThoroughRound round;
  // Each side writes and then reads what it has just written; every other round the thorough
  // side goes first, so that neither always inherits what the other left behind (dirty pages of
  // a loop image, a warm cache).
  const bool directFirst = t.rounds.size() % 2 == 0;
  bool directOk = true;
  const auto direct = [&] {
    const double cpu = CpuSeconds();
    // Flushed at the end of every file's worth, as the thorough writer flushes each file.
    directOk = TimeDirectWriteThenRead(folder / "direct.bin", bytes, kChunkBytes, fileBytes,
                                       round.directWrite, round.directRead);
    // Processor time split as the wall time is: a plain transfer's is the system's alone.
    const double total = round.directWrite + round.directRead;
    const double spent = CpuSeconds() - cpu;
    round.cpuDirectWrite = total > 0 ? spent * round.directWrite / total : 0;
    round.cpuDirectRead = spent - round.cpuDirectWrite;
  };
  if (directFirst) direct();

  SilentWindow win;
  core::Context ctx(os, win);
  ctx.state.SelectedVolume = volume;
  ctx.state.ThoroughFileBytes = fileBytes;
  filetest::thorough::ChunkBuffers buffers;
  filetest::thorough::Progress progress(ctx);
  bool ok = true;
  double cpu = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) {
    std::uint64_t written = 0;
    ok = filetest::thorough::WriteFile(ctx, static_cast<std::uint64_t>(n), fileBytes, buffers,
                                       progress, written) == filetest::thorough::Result::Done &&
         ok;
  }
  round.write = Since(start);
  round.cpuWrite = CpuSeconds() - cpu;

  filetest::thorough::Tally tally;
  cpu = CpuSeconds();
  start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) {
    filetest::thorough::ReadFile(ctx, static_cast<std::uint64_t>(n), fileBytes, buffers, tally,
                                 progress);
  }
  round.read = Since(start);
  round.cpuRead = CpuSeconds() - cpu;
  if (!directFirst) direct();
  for (int n = 1; n <= files; ++n) {
    os.DeleteFiles(filetest::h2w::FilePath(volume, static_cast<std::uint64_t>(n)));
  }
  if (!ok || tally.Lost() || tally.good * filetest::h2w::kSectorBytes != bytes ||
      !directOk) {
    t.failed = true;
  }
  t.rounds.push_back(round);
  t.bytesPerRound = bytes;
}

void PrintThorough(const ThoroughFigures& t) {
  const double mb = static_cast<double>(t.bytesPerRound) / 1'048'576.0;
  const auto n = static_cast<double>(t.rounds.size());
  std::printf("  thorough test, %.0f MB of .h2w files in %zu-byte chunks, %zu round(s):\n", mb,
              filetest::thorough::kChunkBytes, t.rounds.size());
  if (t.failed) std::printf("  (a transfer or a check failed: figures are not comparable)\n");
  // Processor seconds per GB moved.
  const double gb = mb * n / 1024;
  std::printf("    %-36s %12s %12s %8s %8s %17s\n", "", "thorough", "O_DIRECT", "ratio", "best",
              "CPU s/GB (th/O_D)");
  std::printf("    %-36s %7.1f MB/s %7.1f MB/s %8.2f %8.2f %8.2f / %-6.2f\n",
              "write pass (every sector made)", mb * n / Sum(t.rounds, &ThoroughRound::write),
              mb * n / Sum(t.rounds, &ThoroughRound::directWrite), t.WriteRatio(),
              t.BestWriteRatio(), Sum(t.rounds, &ThoroughRound::cpuWrite) / gb,
              Sum(t.rounds, &ThoroughRound::cpuDirectWrite) / gb);
  std::printf("    %-36s %7.1f MB/s %7.1f MB/s %8.2f %8.2f %8.2f / %-6.2f\n",
              "verify pass (every byte compared)", mb * n / Sum(t.rounds, &ThoroughRound::read),
              mb * n / Sum(t.rounds, &ThoroughRound::directRead), t.ReadRatio(),
              t.BestReadRatio(), Sum(t.rounds, &ThoroughRound::cpuRead) / gb,
              Sum(t.rounds, &ThoroughRound::cpuDirectRead) / gb);
}

void PrintThoroughSummary(const std::vector<ThoroughFigures>& all) {
  std::printf(
      "\nthorough test / plain O_DIRECT throughput, same bytes, chunks and volume (target >= 0.95)\n"
      "  all rounds, then each side's best round:\n");
  std::printf("  %-52s %7s %13s %13s\n", "volume", "MB", "write", "verify");
  for (const ThoroughFigures& t : all) {
    std::printf("  %-52s %7.0f  %5.2f / %4.2f  %5.2f / %4.2f%s\n", t.where.c_str(),
                static_cast<double>(t.bytesPerRound) / 1'048'576.0, t.WriteRatio(),
                t.BestWriteRatio(), t.ReadRatio(), t.BestReadRatio(),
                t.failed ? "  (a check failed)" : "");
  }
}

}  // namespace sw::bench
