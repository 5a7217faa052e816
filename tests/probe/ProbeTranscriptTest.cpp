// Whole reports of the Exact Probe, click to verdict, on the virtual clock: a genuine stick that
// passes and a limbo fake that fails with its exact last good sector. Each is written out as the
// user must see it.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "probe/ProbeCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::probe {
namespace {

using core::Control;
using platform::sim::FakeKind;
using platform::sim::SimDriveSpec;
using quicktest::kCylinder;

using Lines = std::vector<std::string>;

const Lines kHead = {
    "SIZEWARDEN v1.0.0  [Zentrel]",
    "[DRIVE 1]     502.0MiB SIMTEK Flash Disk" + std::string(14, ' '),
    "SWD - Exact Probe (non-destructive)",
    "E:  [STICK]  SIMTEK Flash Disk",
    "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 526,417,920 bytes",
    "",
    "Probing drive 1: every block written is saved first and put back at the end.",
    "",
};

class ProbeTranscript : public quicktest::QuickTestFixture {
 protected:
  void SetUp() override {
    ctx.state.WindowTitle = "SIZEWARDEN v1.0.0  [Zentrel]";
    core::Hide_Cancel(ctx);
    ctx.state.SelectedVolume = "E:";
    win.AddItem(Control::Combo1, "E:  [STICK]  SIMTEK Flash Disk");
    win.SetListIndex(Control::Combo1, 0);
    win.answers = {win::IDOK, win::IDOK};
  }
  void ExpectReport(Lines expected) {
    expected.insert(expected.begin(), kHead.begin(), kHead.end());
    const Lines actual = win.Lines();
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
      EXPECT_EQ(i < actual.size() ? actual[i] : "<missing>", i < expected.size() ? expected[i] : "<extra>")
          << "line " << i + 1;
    }
  }
};

TEST_F(ProbeTranscript, GenuineStickPasses) {
  SimDriveSpec config;
  config.announcedBytes = 64 * kCylinder;  // 1,028,160 sectors
  config.writeDelayMs = 2;                 // each write request takes 2 ms
  AddStick(config);
  cmdProbe_Click(ctx);

  ExpectReport({
      "Kind of drive: NO FAKE FOUND (every sector the probe wrote, across the whole drive, kept what was written)",
      "Announced size: 526,417,920 bytes (1028160 sectors)",
      "Last good sector: 1028159",
      "Usable size: 526,417,920 bytes (502.031MiB)",
      "Write cache found: none",
      "Sectors written: 64771, read: 68663",
      "Mean latency per request: write 2.0 ms, read 0.0 ms",
      // The largest flood the top kept its block through, and everything the probe wrote.
      "Not ruled out by a probe: a drive that keeps only its last writes, more than 32,901,120 bytes of "
      "them, or one that gives each newly written address the next free block of a smaller memory and "
      "holds the 33,162,752 bytes written here.",
      "The Full-Surface Test writes every sector and exposes such a drive soon after its real end.",
      "Original blocks restored: all of them.",
      // 502 whole MiB, less the first one for the partition table.
      "Recommended maximum usable partition size: 501.0MiB (exact Last good Sector=1028159)",
      "Test took 2 seconds.",
      "Device exact probe was OK    *** PASSED ***",
      "",
      "NOTE: Every sector the probe wrote, across the whole drive, held what was written to it.",
  });
  ASSERT_EQ(win.boxes.size(), 3u);
  EXPECT_EQ(win.boxes[2].prompt,
            "\r\nDevice exact probe was OK    *** PASSED ***\r\n\r\nNOTE: Every sector the probe "
            "wrote, across the whole drive, held what was written to it.");
  EXPECT_EQ(win.boxes[2].style, win::MB_ICONINFORMATION);
  EXPECT_EQ(win.boxes[2].title, "SIZEWARDEN");
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
  EXPECT_TRUE(AllBytes(Sector(0), 0)) << "sector 0 is given back, not wiped";
}

TEST_F(ProbeTranscript, LimboFakeFailsWithItsExactLastGoodSector) {
  SimDriveSpec config;
  config.announcedBytes = 64 * kCylinder;
  config.realBytes = 256 << 20;  // writes past 256 MiB vanish and read back as zeros
  config.kind = FakeKind::Limbo;
  config.writeDelayMs = 3;
  AddStick(config);
  cmdProbe_Click(ctx);

  const std::string recommended =
      "Recommended maximum usable partition size: 255.0MiB (exact Last good Sector=524287)";
  ExpectReport({
      "Kind of drive: LIMBO (writes past the real memory are lost)",
      "Announced size: 526,417,920 bytes (1028160 sectors)",
      "Last good sector: 524287",
      "Usable size: 268,435,456 bytes (256.0MiB)",
      "Write cache found: none",
      "Sectors written: 354, read: 4489",
      "Mean latency per request: write 3.0 ms, read 0.0 ms",
      "Original blocks restored: all of them.",
      "Test took 1 seconds.",
      "                         *** FAILED ***",
      "",
      "DEVICE IS COUNTERFEIT OR FAULTY!",
      "",
      recommended,
      "",
  });
  ASSERT_EQ(win.boxes.size(), 3u);
  EXPECT_EQ(win.boxes[2].prompt,
            "\r\n                         *** FAILED ***\r\n\r\nDEVICE IS COUNTERFEIT OR FAULTY!\r\n\r\n" +
                recommended + "\r\n");
  EXPECT_EQ(win.boxes[2].style, win::MB_ICONCRITICAL);
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
  const core::RunRecord& run = ctx.state.LastRun;
  EXPECT_EQ(run.command, "probe");
  EXPECT_EQ(run.fakeKind, core::FakeKind::Limbo);
  EXPECT_EQ(run.lastGoodSector, 524'287u);
  EXPECT_EQ(run.realBytes, 256u << 20);
  EXPECT_EQ(run.recommendedBytes, 255u << 20);
  ASSERT_EQ(run.badRanges.size(), 1u);
  EXPECT_EQ(run.badRanges[0].first, 524'288u);
  EXPECT_EQ(run.badRanges[0].last, 1'028'159u);
  ASSERT_TRUE(run.transfers.writeLatencySeconds);
  EXPECT_NEAR(*run.transfers.writeLatencySeconds, 0.003, 1e-9);
}

}  // namespace
}  // namespace sw::probe
