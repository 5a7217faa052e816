// How much the Quick Size Test costs by itself: sector transfers per run and the engine's CPU
// time per marker, next to the time a (simulated) device needs for each marker write.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <ctime>

#include "core/Context.h"
#include "platform/sim/SimOs.h"
#include "quicktest/QuickSizeTest.h"
#include "quicktest/SilentWindow.h"

namespace {

using sw::platform::sim::FakeKind;
using sw::platform::sim::SimDriveSpec;
using sw::platform::sim::SimOs;

constexpr std::uint64_t GB = 1'000'000'000;
// Virtual time each simulated marker write costs: a flushed single-sector write on a USB 2
// stick typically takes a few milliseconds.
constexpr std::uint32_t kDeviceWriteMs = 5;
constexpr int kRuns = 20;

struct Case {
  const char* name;
  std::uint64_t announced;
  std::uint64_t real;  // 0: genuine
};

struct Figures {
  std::uint64_t writes = 0;
  std::uint64_t reads = 0;
  std::int64_t markers = 0;
  double cpuSeconds = 0;
  double wallSeconds = 0;
  double deviceSeconds = 0;  // virtual time the run took on the simulated device
};

Figures RunOnce(const Case& c) {
  SimOs os;
  SimDriveSpec config;
  config.announcedBytes = c.announced;
  config.realBytes = c.real;
  config.kind = c.real == 0 ? FakeKind::Good : FakeKind::Limbo;
  config.writeDelayMs = kDeviceWriteMs;
  os.AddDrive(1, config);
  sw::bench::SilentWindow win;
  sw::core::Context ctx(os, win);
  ctx.state.DiskNumber = 1;
  ctx.state.DriveSizeBytes = static_cast<double>(c.announced);

  const std::uint32_t ticksBefore = os.GetTickCount();
  const std::clock_t cpuBefore = std::clock();
  const auto wallBefore = std::chrono::steady_clock::now();
  const sw::quicktest::QuickTestResult r = sw::quicktest::QuickSizeTest(ctx);
  const auto wallAfter = std::chrono::steady_clock::now();
  const std::clock_t cpuAfter = std::clock();

  Figures f;
  f.writes = os.Stats().sectorWrites;
  f.reads = os.Stats().sectorReads;
  f.markers = (r.TotalSectors + r.IntervalSectors - 1) / r.IntervalSectors;
  f.cpuSeconds = static_cast<double>(cpuAfter - cpuBefore) / CLOCKS_PER_SEC;
  f.wallSeconds = std::chrono::duration<double>(wallAfter - wallBefore).count();
  f.deviceSeconds = (os.GetTickCount() - ticksBefore) / 1000.0;
  return f;
}

}  // namespace

int main() {
  const Case cases[] = {
      {"16 GB genuine", 16 * GB, 0},
      {"256 GB genuine", 256 * GB, 0},
      {"2 TB genuine", 2000 * GB, 0},
      {"2 TB fake, 32 GB real", 2000 * GB, 32 * GB},
  };
  std::printf("Quick Size Test on simulated drives, %d runs each, device write %u ms (virtual)\n",
              kRuns, kDeviceWriteMs);
  std::printf("%-24s %8s %8s %8s %14s %14s %12s %12s\n", "drive", "markers", "writes", "reads",
              "CPU/marker us", "wall/marker us", "device s", "device:CPU");
  for (const Case& c : cases) {
    Figures total;
    for (int i = 0; i < kRuns; ++i) {
      const Figures f = RunOnce(c);
      total.writes = f.writes;
      total.reads = f.reads;
      total.markers = f.markers;
      total.deviceSeconds = f.deviceSeconds;
      total.cpuSeconds += f.cpuSeconds;
      total.wallSeconds += f.wallSeconds;
    }
    const double cpuPerMarker = total.cpuSeconds / kRuns / static_cast<double>(total.markers);
    const double wallPerMarker = total.wallSeconds / kRuns / static_cast<double>(total.markers);
    const double devicePerMarker = total.deviceSeconds / static_cast<double>(total.markers);
    std::printf("%-24s %8lld %8llu %8llu %14.2f %14.2f %12.1f %11.0f:1\n", c.name,
                static_cast<long long>(total.markers), static_cast<unsigned long long>(total.writes),
                static_cast<unsigned long long>(total.reads), cpuPerMarker * 1e6, wallPerMarker * 1e6,
                total.deviceSeconds, cpuPerMarker > 0 ? devicePerMarker / cpuPerMarker : 0.0);
  }
  return 0;
}
