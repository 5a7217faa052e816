// The full surface test on fakes whose memory follows the writes: the bytes it writes before its
// verdict and the time to that verdict, beside f3write / H2testw, which write the whole announced
// size before they read anything back. Large fakes do not fit the simulator (it keeps every
// written sector in memory), so their figures come from a model of the engine's stopping rule
// (the same step and the same sample slices); the model is checked against the engine itself on
// small simulated fakes first, in the same run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "platform/sim/SimOs.h"
#include "quicktest/SilentWindow.h"
#include "surface/SurfaceEngine.h"
#include "surface/SurfaceRun.h"

namespace {

constexpr std::uint64_t MiB = 1ull << 20;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t GB = 1'000'000'000;
constexpr int kTrials = 400;

struct Stop {
  std::int64_t written = 0;
  std::int64_t checks = 0;
};

// Sectors written when the engine's samples first hit the lost part [real, written) of a
// follow-the-writes fake (the rule of SurfaceWrite.cpp: the next check StepSectors after the
// last, one sample at random in each of kSamples equal slices of what was written).
Stop ModelStop(std::int64_t total, std::int64_t real, std::mt19937_64& random) {
  const std::int64_t request = sw::surface::detail::RequestSectors(total);
  std::uniform_real_distribution<double> uniform(0, 1);
  std::int64_t checks = 0;
  for (std::int64_t written = sw::surface::detail::StepSectors(total, 0, request);;
       written += sw::surface::detail::StepSectors(total, written, request)) {
    written = std::min(written, total);
    ++checks;
    if (written > real) {
      for (std::uint32_t i = 0; i < sw::surface::detail::kSamples; ++i) {
        const std::int64_t from = written * i / sw::surface::detail::kSamples;
        const std::int64_t to = written * (i + 1) / sw::surface::detail::kSamples;
        const std::int64_t lost = std::max<std::int64_t>(0, to - std::max(from, real));
        if (to > from && uniform(random) < static_cast<double>(lost) / static_cast<double>(to - from)) {
          return {written, checks};
        }
      }
    }
    if (written == total) return {total, checks};
  }
}

struct ModelFigures {
  double meanSectors = 0;
  std::int64_t mostSectors = 0;
  double checks = 0;  // mean
};

ModelFigures Model(std::int64_t total, std::int64_t real) {
  std::mt19937_64 random(0xBE4C);
  ModelFigures m;
  double sum = 0;
  for (int t = 0; t < kTrials; ++t) {
    const Stop stop = ModelStop(total, real, random);
    sum += static_cast<double>(stop.written);
    m.checks += static_cast<double>(stop.checks) / kTrials;
    m.mostSectors = std::max(m.mostSectors, stop.written);
  }
  m.meanSectors = sum / kTrials;
  return m;
}

// Seconds to the verdict: the writes, the samples (4 KiB each, about 1 ms of latency on a
// stick), and the read-back of all that was written at twice the write speed.
double VerdictSeconds(double sectors, double checks, double writeBytesPerSecond) {
  const double bytes = sectors * 512;
  return bytes / writeBytesPerSecond + bytes / (2 * writeBytesPerSecond) +
         checks * sw::surface::detail::kSamples * 0.001;
}

std::string Hours(double seconds) {
  char text[32];
  const auto s = static_cast<long long>(seconds + 0.5);
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

struct Measured {
  std::int64_t written = 0;
  double seconds = 0;
  bool found = false;
};

Measured RunEngine(std::uint64_t announced, std::uint64_t real, std::uint64_t speed) {
  sw::platform::sim::SimOs os;
  sw::platform::sim::SimDriveSpec config;
  config.announcedBytes = announced;
  config.realBytes = real;
  config.kind = sw::platform::sim::FakeKind::Follow;
  config.writeBytesPerSecond = speed;
  config.readBytesPerSecond = 2 * speed;
  os.AddDrive(1, config);
  sw::bench::SilentWindow win;  // answers OK: stop writing and read back
  sw::core::Context ctx(os, win);
  ctx.state.DriveSizeBytes = static_cast<double>(announced);
  ctx.state.DiskNumber = 1;
  sw::diskio::Open_Physical_Disk_hDrive(ctx, 1);
  const std::uint32_t before = os.GetTickCount();
  sw::surface::SurfaceOptions options;
  options.seed = 0xBE4C;
  const sw::surface::SurfaceFindings f = sw::surface::SurfaceTest(ctx, options);
  Measured m;
  m.seconds = (os.GetTickCount() - before) / 1000.0;
  m.written = f.writtenSectors;
  m.found = f.lastGoodSector + 1 == static_cast<std::int64_t>(real / 512);
  sw::diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  return m;
}

}  // namespace

int main() {
  std::printf("Full surface test on fakes whose memory follows the writes (reads at twice the write speed).\n\n");
  std::printf("1. The engine itself on simulated fakes (10 MB/s), beside the model of its stopping rule:\n");
  std::printf("%-22s | %12s %8s %9s %7s | %12s %12s %9s\n", "fake", "engine MiB", "x real", "time s", "end ok",
              "model mean", "model most", "time s");
  struct Small {
    const char* name;
    std::uint64_t announced, real;
  };
  for (const Small s : {Small{"64 MiB / 8 MiB", 64 * MiB, 8 * MiB}, Small{"128 MiB / 32 MiB", 128 * MiB, 32 * MiB},
                        Small{"256 MiB / 32 MiB", 256 * MiB, 32 * MiB}, Small{"512 MiB / 100 MiB", 512 * MiB, 100 * MiB}}) {
    const Measured e = RunEngine(s.announced, s.real, 10'000'000);
    const auto total = static_cast<std::int64_t>(s.announced / 512);
    const auto real = static_cast<std::int64_t>(s.real / 512);
    const ModelFigures m = Model(total, real);
    std::printf("%-22s | %12.1f %8.3f %9.1f %7s | %12.1f %12.1f %9.1f\n", s.name,
                static_cast<double>(e.written) * 512 / MiB, static_cast<double>(e.written) / static_cast<double>(real),
                e.seconds, e.found ? "yes" : "NO", m.meanSectors * 512 / MiB,
                static_cast<double>(m.mostSectors) * 512 / MiB, VerdictSeconds(m.meanSectors, m.checks, 1e7));
  }
  std::printf("\n2. Large fakes, from the model (%d trials each; the simulator cannot hold them):\n", kTrials);
  std::printf("%-16s %6s | %11s %11s %8s %10s | %14s %10s %10s | %8s\n", "fake", "MB/s", "ours GB", "most GB",
              "x real", "verdict in", "f3write GB", "write all", "+ verify", "speed-up");
  struct Large {
    const char* name;
    std::uint64_t announced, real;
  };
  for (const Large l : {Large{"16 GB / 2 GiB", 16 * GB, 2 * GiB}, Large{"256 GB / 32 GiB", 256 * GB, 32 * GiB},
                        Large{"2 TB / 64 GiB", 2000 * GB, 64 * GiB}}) {
    const auto total = static_cast<std::int64_t>(l.announced / 512);
    const auto real = static_cast<std::int64_t>(l.real / 512);
    const ModelFigures m = Model(total, real);
    for (const double speed : {10e6, 30e6}) {
      const double ours = VerdictSeconds(m.meanSectors, m.checks, speed);
      const double whole = static_cast<double>(l.announced);
      const double f3Write = whole / speed;
      const double f3Both = f3Write + whole / (2 * speed);
      std::printf("%-16s %6.0f | %11.2f %11.2f %8.3f %10s | %14.1f %10s %10s | %7.1fx\n", l.name, speed / 1e6,
                  m.meanSectors * 512 / 1e9, static_cast<double>(m.mostSectors) * 512 / 1e9,
                  m.meanSectors / static_cast<double>(real), Hours(ours).c_str(), whole / 1e9, Hours(f3Write).c_str(),
                  Hours(f3Both).c_str(), f3Both / ours);
    }
  }
  std::printf("\n(ours: bytes written before the verdict, mean and most over the trials; verdict in: those writes,\n"
              " the samples and the read-back of what was written. f3write / H2testw: the whole announced size\n"
              " written before any of it is read, computed; + verify: f3read / H2testw's read of all of it.)\n");
  return 0;
}
