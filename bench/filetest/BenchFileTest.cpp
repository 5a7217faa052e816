// bench_filetest: the default and the thorough file test side by side on simulated sticks;
// then, through the Linux provider, write throughput of the real test-file writer against a
// plain O_DIRECT write of the same bytes in the same chunks, the verification time as a share of
// the write time, and the thorough test's write and verify passes against plain O_DIRECT writes
// and reads, side by side in one table at the end. Runs in a temporary folder and, as root, on a
// scratch ext4 loop device, fast and then throttled to a 20 MB/s stick (a cgroup of its own).
//   bench_filetest [--files N] [--rounds R] [--no-loop] [--slow-mb MB] [--thorough-only]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/Context.h"
#include "filetest/DirectWrite.h"
#include "filetest/IoThrottle.h"
#include "filetest/LoopVolume.h"
#include "filetest/SimFileRuns.h"
#include "filetest/ThoroughOnVolume.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileVerifier.h"
#include "filetest/TestFileWriter.h"
#include "platform/linux/LinuxOs.h"
#include "quicktest/SilentWindow.h"

namespace {

namespace fs = std::filesystem;
using sw::platform::linuxos::LinuxOs;

struct Options {
  int files = 2;
  int rounds = 2;
  bool loop = true;
  int slowMB = 64;  // per round on the throttled stick
  bool thoroughOnly = false;  // no simulated runs, no default test writer
};

// The slow stick: what a cheap USB 2 stick moves.
constexpr std::uint64_t kSlowWrite = 20 * 1'000'000;
constexpr std::uint64_t kSlowRead = 40 * 1'000'000;

struct Totals {
  double writer = 0;      // WriteTestFile, all files
  double verify = 0;      // VerifyTestFile, all files
  double direct = 0;      // plain O_DIRECT
  double directSync = 0;  // O_DIRECT | O_DSYNC (what write-through asks for)
  std::uint64_t bytes = 0;
  bool failed = false;
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// The designator under which the provider reaches `folder`: the drive letter of the mount that
// holds it, then the folder below that mount ("C:\var\tmp\sw-bench-x"); empty when none does.
std::string DesignatorFor(LinuxOs& os, const fs::path& folder) {
  const auto map = os.Snapshot();
  const sw::platform::linuxos::VolumeEntry* best = nullptr;
  for (const auto& volume : map.volumes) {
    if (volume.mountPoint.empty()) continue;
    const std::string mount = volume.mountPoint;
    const std::string path = folder.string();
    const bool inside = path == mount || (path.rfind(mount, 0) == 0 &&
                                          (mount.back() == '/' || path[mount.size()] == '/'));
    if (inside && (!best || mount.size() > best->mountPoint.size())) best = &volume;
  }
  if (!best) return {};
  std::string designator = std::string(1, best->letter) + ":";
  for (const auto& part : fs::relative(folder, best->mountPoint)) {
    if (part != ".") designator += "\\" + part.string();
  }
  return designator;
}

void MeasureRound(LinuxOs& os, const std::string& volume, const fs::path& folder, int files,
                  Totals& t) {
  const std::uint64_t bytes = static_cast<std::uint64_t>(files) * sw::filetest::kFullFileSize;
  const double direct =
      sw::bench::TimeDirectWrite(folder / "direct.bin", bytes, sw::filetest::kChunkSize, 0);

  sw::bench::SilentWindow win;
  sw::core::Context ctx(os, win);
  ctx.state.SelectedVolume = volume;
  sw::filetest::PrepareTestPattern(ctx);
  ctx.state.TestFileCount = files;
  ctx.state.TestStartTime = os.Now();
  ctx.state.TestFileSize = sw::filetest::kFullFileSize;
  auto start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) sw::filetest::WriteTestFile(ctx, n);
  const double writer = Seconds(start);
  const bool writeError = ctx.state.FileTestError;

  start = std::chrono::steady_clock::now();
  for (int n = 1; n <= files; ++n) sw::filetest::VerifyTestFile(ctx, n);
  const double verify = Seconds(start);
  const bool allGood = ctx.state.GoodFileCount == files;
  os.DeleteFiles(sw::filetest::TestFilePattern(volume));

  const double directSync =
      sw::bench::TimeDirectWrite(folder / "direct.bin", bytes, sw::filetest::kChunkSize, O_DSYNC);
  if (direct < 0 || directSync < 0 || writeError || !allGood) t.failed = true;
  t.writer += writer;
  t.verify += verify;
  t.direct += direct;
  t.directSync += directSync;
  t.bytes += bytes;
}

void Report(const char* where, const Totals& t) {
  const double mb = static_cast<double>(t.bytes) / 1'048'576.0;
  std::printf("\n%s: %.0f MB in %d-byte chunks\n", where, mb, sw::filetest::kChunkSize);
  if (t.failed) std::printf("  (a write or a verification failed: figures are not comparable)\n");
  std::printf(
      "  test-file writer (WriteTestFile, write-through + unbuffered): %8.1f MB/s  %7.2f s\n",
      mb / t.writer, t.writer);
  std::printf(
      "  plain O_DIRECT write                                       : %8.1f MB/s  %7.2f s\n",
      mb / t.direct, t.direct);
  std::printf(
      "  O_DIRECT | O_DSYNC write                                   : %8.1f MB/s  %7.2f s\n",
      mb / t.directSync, t.directSync);
  std::printf("  writer / plain O_DIRECT throughput ratio                   : %8.2f\n",
              t.direct / t.writer);
  std::printf("  writer / O_DIRECT|O_DSYNC throughput ratio                 : %8.2f\n",
              t.directSync / t.writer);
  std::printf("  verification (VerifyTestFile) %.3f s = %.1f %% of the write time\n", t.verify,
              100.0 * t.verify / t.writer);
}

bool MeasureIn(const std::string& where, const fs::path& folder, const Options& o,
               std::vector<sw::bench::ThoroughFigures>& all) {
  LinuxOs os;
  const std::string volume = DesignatorFor(os, folder);
  if (volume.empty()) {
    std::printf("\n%s: no drive letter reaches %s; skipped\n", where.c_str(), folder.c_str());
    return false;
  }
  // One untimed pass first, so that no figure pays for the first allocation of the space (a
  // sparse loop image grows on the host as it is first written).
  sw::bench::TimeDirectWrite(folder / "warmup.bin",
                             static_cast<std::uint64_t>(o.files) * sw::filetest::kFullFileSize * 2,
                             sw::filetest::kChunkSize, 0);
  Totals t;
  sw::bench::ThoroughFigures thorough;
  thorough.where = where;
  for (int r = 0; r < o.rounds; ++r) {
    if (!o.thoroughOnly) MeasureRound(os, volume, folder, o.files, t);
    sw::bench::MeasureThorough(os, volume, folder, o.files, sw::filetest::kFullFileSize, thorough);
  }
  if (o.thoroughOnly) {
    std::printf("\n%s (%s):\n", where.c_str(), volume.c_str());
  } else {
    Report((where + " (" + volume + ")").c_str(), t);
  }
  sw::bench::PrintThorough(thorough);
  all.push_back(thorough);
  if (os.OpenHandleCount() != 0)
    std::printf("  WARNING: %zu handles left open\n", os.OpenHandleCount());
  return !t.failed && !thorough.failed;
}

// The thorough passes alone on the loop volume with its transfers throttled to a slow stick's.
bool MeasureSlowStick(const sw::bench::LoopVolume& loop, const Options& o,
                      std::vector<sw::bench::ThoroughFigures>& all) {
  const std::string where = "loop device " + loop.device() + ", ext4, throttled to 20/40 MB/s";
  sw::bench::IoThrottle throttle(loop.device(), kSlowWrite, kSlowRead);
  if (!throttle.ok()) {
    std::printf("\nslow stick: skipped (%s)\n", throttle.error().c_str());
    return true;
  }
  LinuxOs os;
  const std::string volume = DesignatorFor(os, loop.mountPoint());
  if (volume.empty()) {
    std::printf("\nslow stick: no drive letter reaches %s; skipped\n", loop.mountPoint().c_str());
    return false;
  }
  std::printf("\n%s (%s):\n", where.c_str(), volume.c_str());
  sw::bench::ThoroughFigures thorough;
  thorough.where = where;
  for (int r = 0; r < o.rounds; ++r) {
    sw::bench::MeasureThorough(os, volume, loop.mountPoint(), 1,
                               static_cast<std::uint64_t>(o.slowMB) * 1'048'576, thorough);
  }
  sw::bench::PrintThorough(thorough);
  all.push_back(thorough);
  return !thorough.failed;
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--files") && i + 1 < argc)
      o.files = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc)
      o.rounds = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--no-loop"))
      o.loop = false;
    else if (!std::strcmp(argv[i], "--thorough-only"))
      o.thoroughOnly = true;
    else if (!std::strcmp(argv[i], "--slow-mb") && i + 1 < argc)
      o.slowMB = std::max(8, std::atoi(argv[++i]));
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = Parse(argc, argv);
  std::printf("bench_filetest: %d file(s) of %d bytes per round, %d round(s)\n", o.files,
              sw::filetest::kFullFileSize, o.rounds);

  char pattern[] = "/var/tmp/sw-bench-filetest-XXXXXX";
  if (!::mkdtemp(pattern)) {
    std::perror("mkdtemp");
    return 1;
  }
  const fs::path folder = pattern;
  bool ok = o.thoroughOnly || sw::bench::PrintSimulatedFileRuns();
  std::vector<sw::bench::ThoroughFigures> all;
  ok = MeasureIn("temporary folder", folder, o, all) && ok;

  if (o.loop && ::geteuid() == 0) {
    const std::uint64_t imageBytes =
        static_cast<std::uint64_t>(o.files) * sw::filetest::kFullFileSize * 2 + 256ULL * 1'048'576;
    sw::bench::LoopVolume loop(folder, imageBytes);
    if (loop.ok()) {
      ok = MeasureIn("loop device " + loop.device() + ", ext4", loop.mountPoint(), o, all) && ok;
      ok = MeasureSlowStick(loop, o, all) && ok;
    } else {
      std::printf("\nloop device: skipped (%s)\n", loop.error().c_str());
    }
  } else if (o.loop) {
    std::printf("\nloop device and slow stick: skipped (they need root)\n");
  }
  sw::bench::PrintThoroughSummary(all);

  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return ok ? 0 : 1;
}
