// What the exact probe costs and finds on a simulated stick writing 10 MB/s (reading 20 MB/s):
// sectors and MB written and read, simulated time and the answer for every geometry of its
// table, beside f3probe's writes on the same fake where they are published, in one run.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "platform/sim/SimOs.h"
#include "probe/ProbeEngine.h"
#include "quicktest/SilentWindow.h"

namespace {

using sw::platform::sim::FakeKind;
using sw::platform::sim::LimboFill;
using sw::platform::sim::SimDriveSpec;
using sw::platform::sim::SimOs;
using sw::probe::ProbeFindings;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t TiB = 1ull << 40;
constexpr std::uint64_t kWriteBytesPerSecond = 10'000'000;

struct Case {
  const char* name;
  SimDriveSpec config;
  double f3WrittenMB;  // f3probe's writes on this fake, 0: not published
};

SimDriveSpec Drive(std::uint64_t announced, std::uint64_t real, FakeKind kind) {
  SimDriveSpec c;
  c.announcedBytes = announced;
  c.realBytes = real == announced ? 0 : real;
  c.kind = kind;
  return c;
}

const char* KindName(sw::probe::FakeKind k) {
  switch (k) {
    case sw::probe::FakeKind::Genuine: return "genuine";
    case sw::probe::FakeKind::Limbo: return "limbo";
    case sw::probe::FakeKind::Wraparound: return "wrap";
    case sw::probe::FakeKind::Chain: return "chain";
    case sw::probe::FakeKind::IoErrors: return "I/O err";
    case sw::probe::FakeKind::NoMemory: return "no mem";
  }
  return "?";
}

struct Figures {
  ProbeFindings f;
  double seconds = 0;
};

Figures RunOnce(const Case& c, bool destructive) {
  SimOs os;
  SimDriveSpec config = c.config;
  config.writeBytesPerSecond = kWriteBytesPerSecond;
  config.readBytesPerSecond = 2 * kWriteBytesPerSecond;
  os.AddDrive(1, config);
  sw::bench::SilentWindow win;
  sw::core::Context ctx(os, win);
  ctx.state.DriveSizeBytes = static_cast<double>(config.announcedBytes / 512 * 512);
  ctx.state.DiskNumber = 1;
  sw::diskio::Open_Physical_Disk_hDrive(ctx, 1);
  const std::uint32_t ticksBefore = os.GetTickCount();
  sw::probe::ProbeOptions options;
  options.destructive = destructive;
  options.seed = 0xBE4C;
  Figures r;
  r.f = sw::probe::ProbeDrive(ctx, options);
  r.seconds = (os.GetTickCount() - ticksBefore) / 1000.0;
  sw::diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  // An argument keeps only the rows whose name holds it.
  const std::string only = argc > 1 ? argv[1] : "";
  const double f3Limbo = 1.7;
  const double f3Wrapping = 2150;
  const double f3BigCache = 22000;
  const auto f3Genuine = [](std::uint64_t bytes) {
    return static_cast<double>(bytes / 2 < 2 * GiB ? bytes / 2 : 2 * GiB) / 1e6;
  };
  std::vector<Case> cases;
  for (const std::uint64_t size : {2 * GiB, 8 * GiB, 16 * GB, 2000 * GB}) {
    cases.push_back({size == 2 * GiB   ? "genuine 2 GiB"
                     : size == 8 * GiB ? "genuine 8 GiB"
                     : size == 16 * GB ? "genuine 16 GB"
                                       : "genuine 2 TB",
                     Drive(size, size, FakeKind::Good), size == 8 * GiB ? f3Wrapping : f3Genuine(size)});
  }
  cases.push_back({"limbo 32.5 GB / 1.78 GB", Drive(32'505'331'712, 1'777'645'568, FakeKind::Limbo), f3Limbo});
  cases.push_back({"wrap 16 GiB / 2 GiB", Drive(16 * GiB, 2 * GiB, FakeKind::Wraparound), f3Wrapping});
  cases.push_back({"wrap 64 GiB / 8 GiB", Drive(64 * GiB, 8 * GiB, FakeKind::Wraparound), f3Wrapping});
  {
    Case c{"chain 16 GiB / 2 GiB at 4 GiB", Drive(16 * GiB, 2 * GiB, FakeKind::Chain), 0};
    c.config.wrapBytes = 4 * GiB;
    cases.push_back(c);
  }
  for (const int errors : {1, 2, 3}) {
    Case c{errors == 1 ? "read errors past 2 of 16 GiB" : errors == 2 ? "write errors past 2 of 16 GiB"
                                                                       : "I/O errors past 2 of 16 GiB",
           Drive(16 * GiB, 2 * GiB, FakeKind::Limbo), 0};
    c.config.readErrorsPastReal = (errors & 1) != 0;
    c.config.writeErrorsPastReal = (errors & 2) != 0;
    cases.push_back(c);
  }
  {
    Case c{"1 GiB without memory", Drive(GiB, 0, FakeKind::Limbo), 0};
    c.config.noRealMemory = true;
    cases.push_back(c);
  }
  for (const bool loose : {false, true}) {
    Case c{loose ? "67 GB / 7.6 GB dcache 2^19 loose" : "67 GB / 7.6 GB dcache 2^19 strict",
           Drive(67'108'864'000, 7'600'799'744, FakeKind::Limbo), f3BigCache};
    c.config.directCacheSectors = 1u << 19;
    c.config.looseDirectCache = loose;
    cases.push_back(c);
  }
  cases.push_back({"limbo 1 TiB / 1 MiB + 512", Drive(TiB, (1 << 20) + 512, FakeKind::Limbo), 0});
  for (const bool loose : {false, true}) {
    Case c{loose ? "1 TiB / 0 dcache 2^21 loose" : "1 TiB / 0 dcache 2^21 strict", Drive(TiB, 0, FakeKind::Limbo), 0};
    c.config.noRealMemory = true;
    c.config.directCacheSectors = 1u << 21;
    c.config.looseDirectCache = loose;
    cases.push_back(c);
  }
  for (const std::uint32_t cache : {1000u, 100000u}) {
    Case c{cache == 1000 ? "limbo 32/8 GB cache 1,000" : "limbo 32/8 GB cache 100,000",
           Drive(32 * GB, 8 * GB, FakeKind::Limbo), 0};
    c.config.writeCacheSectors = cache;
    cases.push_back(c);
  }
  {
    Case c{"limbo 32/8 GB stale", Drive(32 * GB, 8 * GB, FakeKind::Limbo), 0};
    c.config.limboFill = LimboFill::Stale;
    cases.push_back(c);
  }
  cases.push_back({"wrap 8 GB at 4,000,000,000", Drive(8 * GB, 4 * GB, FakeKind::Wraparound), f3Wrapping});
  // Caches that keep a sector's place when it is written again (a FIFO, as the FUSE fake stick's):
  // f3probe wrote 43,613 to 67,716 sectors on the 4,000-sector one of 16 GiB holding 2 GiB
  // (bench/probe/probe-vs-f3probe, the lowest taken).
  for (const std::uint32_t cache : {1000u, 4000u, 4097u, 100000u}) {
    const bool small = cache < 100000;
    Case c{cache == 1000   ? "limbo 16/2 GiB FIFO 1,000"
           : cache == 4000 ? "limbo 16/2 GiB FIFO 4,000"
           : cache == 4097 ? "limbo 16/2 GiB FIFO 4,097"
                           : "limbo 32/8 GB FIFO 100,000",
           small ? Drive(16 * GiB, 2 * GiB, FakeKind::Limbo) : Drive(32 * GB, 8 * GB, FakeKind::Limbo),
           cache == 4000 ? 43613 * 512 / 1e6 : 0};
    c.config.writeCacheSectors = cache;
    c.config.writeCacheKeepsPlace = true;
    cases.push_back(c);
  }

  std::printf("Exact probe on a simulated stick writing 10 MB/s, reading 20 MB/s (non-destructive |"
              " destructive)\n");
  std::printf("%-34s %-8s %14s %10s | %9s %9s %9s %8s %8s | %9s %8s | %10s %7s\n", "drive", "kind", "last good",
              "wrap", "written", "MB", "read MB", "time s", "bound", "written", "time s", "f3 MB", "ours/f3");
  for (const Case& c : cases) {
    if (!only.empty() && std::string(c.name).find(only) == std::string::npos) continue;
    const Figures keep = RunOnce(c, false);
    const Figures wipe = RunOnce(c, true);
    const auto total = static_cast<std::int64_t>(c.config.announcedBytes / 512);
    const double writtenMB = static_cast<double>(keep.f.sectorsWritten) * 512 / 1e6;
    char f3[32] = "-";
    char ratio[32] = "-";
    if (c.f3WrittenMB > 0) {
      std::snprintf(f3, sizeof f3, "%.1f", c.f3WrittenMB);
      std::snprintf(ratio, sizeof ratio, "%.3f", writtenMB / c.f3WrittenMB);
    }
    std::printf("%-34s %-8s %14lld %10lld | %9llu %9.2f %9.2f %8.1f %8.0f | %9llu %8.1f | %10s %7s\n", c.name,
                keep.f.end == sw::probe::ProbeEnd::Completed ? KindName(keep.f.kind) : "NOT DONE",
                static_cast<long long>(keep.f.lastGoodSector),
                static_cast<long long>(keep.f.wrapSectors), static_cast<unsigned long long>(keep.f.sectorsWritten),
                writtenMB, static_cast<double>(keep.f.sectorsRead) * 512 / 1e6, keep.seconds,
                static_cast<double>(sw::probe::ProbeWriteBoundSectors(total)) * 512 / 1e6,
                static_cast<unsigned long long>(wipe.f.sectorsWritten), wipe.seconds, f3, ratio);
  }
  std::printf("(f3 MB: f3probe's writes on that fake as published; on genuine drives its budget, min(2 GiB,\n"
              " half the drive); bound: ProbeWriteBoundSectors in MB; writes include the restore)\n");
  std::printf("write bound by drive size:");
  for (const std::uint64_t size : {std::uint64_t{64} << 20, GiB, 8 * GiB, 64 * GiB, TiB, 64 * TiB, 1024 * TiB}) {
    std::printf(" %llu MiB: %.1f MB;", static_cast<unsigned long long>(size >> 20),
                static_cast<double>(sw::probe::ProbeWriteBoundSectors(static_cast<std::int64_t>(size / 512))) * 512 / 1e6);
  }
  std::printf("\n");
  return 0;
}
