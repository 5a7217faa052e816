// What the Quick Size Test costs and finds on a simulated 10 MB/s stick (reads at 20 MB/s):
// writes, reads and simulated time per drive, without and with the write-cache check, side by
// side in one run, and the recommended size against the real memory.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "core/Context.h"
#include "platform/sim/SimOs.h"
#include "quicktest/QuickSizeTest.h"
#include "quicktest/SilentWindow.h"

namespace {

using sw::platform::sim::FakeKind;
using sw::platform::sim::LimboFill;
using sw::platform::sim::SimDriveSpec;
using sw::platform::sim::SimOs;

constexpr std::uint64_t GB = 1'000'000'000;
constexpr std::uint64_t GiB = 1ull << 30;
constexpr std::uint64_t kWriteBytesPerSecond = 10'000'000;

struct Case {
  const char* name;
  SimDriveSpec config;
  double realMiB;
};

struct Figures {
  const char* verdict = "";
  double recommendedMiB = 0;
  std::uint64_t writes = 0;
  std::uint64_t reads = 0;
  double seconds = 0;
};

Figures RunOnce(const Case& c, bool withCacheCheck) {
  SimOs os;
  SimDriveSpec config = c.config;
  config.writeBytesPerSecond = kWriteBytesPerSecond;
  config.readBytesPerSecond = 2 * kWriteBytesPerSecond;
  os.AddDrive(1, config);
  sw::bench::SilentWindow win;
  sw::core::Context ctx(os, win);
  ctx.state.DiskNumber = 1;
  ctx.state.DriveSizeBytes = static_cast<double>(c.config.announcedBytes);
  const std::uint32_t ticksBefore = os.GetTickCount();
  const sw::quicktest::QuickTestResult r = sw::quicktest::QuickSizeTest(ctx, withCacheCheck);
  Figures f;
  f.verdict = r.end == sw::quicktest::TestEnd::Passed ? "PASSED" : "FAILED";
  f.recommendedMiB = r.end == sw::quicktest::TestEnd::Passed ? c.realMiB : r.RecommendedMiB;
  f.writes = os.Stats().sectorWrites;
  f.reads = os.Stats().sectorReads;
  f.seconds = (os.GetTickCount() - ticksBefore) / 1000.0;
  return f;
}

SimDriveSpec Drive(std::uint64_t announced, std::uint64_t real, FakeKind kind) {
  SimDriveSpec config;
  config.announcedBytes = announced;
  config.realBytes = real;
  config.kind = kind;
  return config;
}

}  // namespace

int main() {
  std::vector<Case> cases;
  const auto mib = [](std::uint64_t bytes) { return static_cast<double>(bytes) / 1048576.0; };
  cases.push_back({"genuine 2 GiB", Drive(2 * GiB, 0, FakeKind::Good), mib(2 * GiB)});
  cases.push_back({"genuine 16 GB", Drive(16 * GB, 0, FakeKind::Good), mib(16 * GB)});
  cases.push_back({"genuine 2 TB", Drive(2000 * GB, 0, FakeKind::Good), mib(2000 * GB)});
  cases.push_back({"limbo 32 GB / 8 GB", Drive(32 * GB, 8 * GB, FakeKind::Limbo), mib(8 * GB)});
  {
    Case c{"limbo 32/8 GB cache 1000", Drive(32 * GB, 8 * GB, FakeKind::Limbo), mib(8 * GB)};
    c.config.writeCacheSectors = 1000;
    cases.push_back(c);
    c.name = "limbo 32/8 GB cache 100000";
    c.config.writeCacheSectors = 100000;
    cases.push_back(c);
  }
  {
    Case c{"limbo 32/8 GB stale", Drive(32 * GB, 8 * GB, FakeKind::Limbo), mib(8 * GB)};
    c.config.limboFill = LimboFill::Stale;
    cases.push_back(c);
  }
  for (const bool loose : {false, true}) {
    Case c{loose ? "67 GB / 7.6 GB dcache loose" : "67 GB / 7.6 GB dcache strict",
           Drive(67'108'864'000, 7'600'799'744, FakeKind::Limbo), mib(7'600'799'744)};
    c.config.directCacheSectors = 1u << 19;
    c.config.looseDirectCache = loose;
    cases.push_back(c);
  }
  {
    Case c{"1 TiB / 0 dcache strict", Drive(1ull << 40, 0, FakeKind::Limbo), 0};
    c.config.noRealMemory = true;
    c.config.directCacheSectors = 1u << 21;
    cases.push_back(c);
  }
  cases.push_back({"wrap 16 GiB / 2 GiB", Drive(16 * GiB, 2 * GiB, FakeKind::Wraparound), mib(2 * GiB)});
  cases.push_back({"wrap 8 GB at 4,000,000,000", Drive(8 * GB, 4 * GB, FakeKind::Wraparound), mib(4 * GB)});

  std::printf("Quick Size Test on a simulated stick writing 10 MB/s, reading 20 MB/s\n");
  std::printf("%-28s %10s | %-6s %10s %8s %6s %8s | %-6s %10s %8s %6s %8s | %8s\n", "drive", "real MiB",
              "before", "rec. MiB", "writes", "reads", "time s", "after", "rec. MiB", "writes", "reads", "time s",
              "extra s");
  for (const Case& c : cases) {
    const Figures before = RunOnce(c, false);
    const Figures after = RunOnce(c, true);
    std::printf("%-28s %10.1f | %-6s %10.1f %8llu %6llu %8.1f | %-6s %10.1f %8llu %6llu %8.1f | %8.1f\n", c.name,
                c.realMiB, before.verdict, before.recommendedMiB, static_cast<unsigned long long>(before.writes),
                static_cast<unsigned long long>(before.reads), before.seconds, after.verdict, after.recommendedMiB,
                static_cast<unsigned long long>(after.writes), static_cast<unsigned long long>(after.reads),
                after.seconds, after.seconds - before.seconds);
  }
  std::printf("(PASSED rows show the real size as their recommendation; extra writes on a genuine drive stay\n"
              " within 1/8 of min(2 GiB, half the drive): 262,144 sectors on 2 GiB, 524,288 from 4 GiB up)\n");
  return 0;
}
