// Whole file tests on simulated 4 GB sticks, the default one and the thorough one.
#include "filetest/SimFileRuns.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "core/Context.h"
#include "filetest/VolumeTestCommand.h"
#include "frontends/H2wBlockRecipe.h"
#include "platform/sim/SimOs.h"
#include "quicktest/SilentWindow.h"

namespace sw::bench {
namespace {

struct Figures {
  double wallSeconds = 0;
  double stickSeconds = 0;  // the simulator's clock: what the stick's speed costs
  double writtenMB = 0;
  double readMB = 0;
  core::Outcome outcome = core::Outcome::NotRun;
};

Figures RunOnce(const std::string& drive, bool thorough) {
  platform::sim::SimOs os;
  os.SetBlockRecipe(std::make_shared<frontends::H2wBlockRecipe>());
  os.AddDrive(1, platform::sim::ParseSimDrive(drive).config);
  SilentWindow win;
  core::Context ctx(os, win);
  ctx.state.SelectedVolume = "E:";
  ctx.state.ThoroughMode = thorough;
  win.SetText(core::Control::Combo1, "[DRIVE 1]");
  const std::uint32_t ticks = os.GetTickCount();
  const auto start = std::chrono::steady_clock::now();
  filetest::cmdVolumeTest_Click(ctx);
  Figures f;
  f.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  f.stickSeconds = (os.GetTickCount() - ticks) / 1000.0;
  f.writtenMB = static_cast<double>(os.Stats().fileBytesWritten) / 1'048'576.0;
  f.readMB = static_cast<double>(os.Stats().fileBytesRead) / 1'048'576.0;
  f.outcome = ctx.state.LastOutcome;
  return f;
}

const char* Verdict(core::Outcome o) {
  switch (o) {
    case core::Outcome::Passed:
      return "PASSED";
    case core::Outcome::Failed:
      return "FAILED";
    case core::Outcome::Cancelled:
      return "cancelled";
    case core::Outcome::NotRun:
      break;
  }
  return "not run";
}

}  // namespace

bool PrintSimulatedFileRuns() {
  struct Stick {
    const char* name;
    const char* drive;
    core::Outcome expected;
  };
  const Stick sticks[] = {
      {"4 GB fake holding 1 GB", "E:usb:4G:real=1G:speed=20M", core::Outcome::Failed},
      {"genuine 4 GB", "E:usb:4G:speed=20M", core::Outcome::Passed},
  };
  std::printf("\nsimulated sticks writing 20 MB/s, reading 40 MB/s (stick s: the time they take)\n");
  std::printf("  %-24s %-9s %8s %9s %11s %9s  %s\n", "stick", "test", "wall s", "stick s",
              "written MB", "read MB", "verdict");
  bool ok = true;
  for (const Stick& stick : sticks) {
    Figures both[2];
    for (int thorough = 0; thorough < 2; ++thorough) {
      const Figures f = both[thorough] = RunOnce(stick.drive, thorough == 1);
      std::printf("  %-24s %-9s %8.2f %9.0f %11.0f %9.0f  %s\n", thorough ? "" : stick.name,
                  thorough ? "thorough" : "default", f.wallSeconds, f.stickSeconds, f.writtenMB,
                  f.readMB, Verdict(f.outcome));
      ok = ok && f.outcome == stick.expected;
    }
    std::printf("  %-24s %-9s %8s %9.2f %11.2f %9.1f\n", "", "ratio", "",
                both[1].stickSeconds / both[0].stickSeconds, both[1].writtenMB / both[0].writtenMB,
                both[1].readMB / both[0].readMB);
  }
  return ok;
}

}  // namespace sw::bench
