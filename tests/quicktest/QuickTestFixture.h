// A simulated machine, a scripted window and the shared state for Quick Size Test scenarios;
// after every scenario nothing may be left open or locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Context.h"
#include "drives/DriveInfo.h"
#include "platform/sim/SimOs.h"
#include "platform/WinApi.h"
#include "quicktest/FaultyOs.h"
#include "quicktest/QuickSizeTest.h"
#include "support/ScriptedWindow.h"

namespace sw::quicktest {

inline constexpr std::uint64_t GB = 1'000'000'000;
inline constexpr std::uint64_t GiB = 1ull << 30;
inline constexpr std::uint64_t kCylinder = 8'225'280;
inline constexpr int kDisk = 1;

class QuickTestFixture : public ::testing::Test {
 protected:
  platform::sim::SimOs sim;
  testing::FaultyOs os{sim};
  testing::ScriptedWindow win;
  core::Context ctx{os, win};

  // Drive 1 with the volume E: (and F: when asked), a USB stick unless told otherwise.
  void AddStick(platform::sim::SimDriveSpec config, bool twoVolumes = false) {
    platform::sim::SimVolumeSpec e;
    e.letter = "E:";
    e.label = "STICK";
    config.volumes.push_back(e);
    if (twoVolumes) {
      platform::sim::SimVolumeSpec f;
      f.letter = "F:";
      config.volumes.push_back(f);
    }
    sim.AddDrive(kDisk, config);
  }

  // Drive `number` with one lettered volume, listed and selected as the user would.
  void AddSelected(int number, const std::string& letter, std::uint64_t bytes,
                   platform::sim::SimDriveSpec config = {}) {
    config.announcedBytes = bytes;
    platform::sim::SimVolumeSpec v;
    v.letter = letter;
    config.volumes.push_back(v);
    sim.AddDrive(number, config);
    Select(letter);
  }
  void Select(const std::string& letter) {
    ctx.state.SelectedVolume = letter;
    win.ClearItems(core::Control::Combo1);
    win.AddItem(core::Control::Combo1, letter + "  [STICK]");
    win.SetListIndex(core::Control::Combo1, 0);
  }

  // The engine alone, on drive 1 with the given usable size.
  QuickTestResult RunEngine(std::uint64_t driveSizeBytes) {
    ctx.state.DiskNumber = kDisk;
    ctx.state.DriveSizeBytes = static_cast<double>(driveSizeBytes);
    return QuickSizeTest(ctx);
  }

  // With the size the drive list gives (whole cylinders), as the command runs it.
  QuickTestResult RunEngineAsListed() {
    ctx.state.DiskNumber = kDisk;
    drives::GetUSBDiskDriveInfo1(ctx, kDisk);
    return QuickSizeTest(ctx);
  }

  // The report's line that starts with the given text, or "" when there is none.
  std::string LineStartingWith(const std::string& start) {
    for (const std::string& line : win.Lines()) {
      if (line.rfind(start, 0) == 0) return line;
    }
    return {};
  }
  int CountLinesStartingWith(const std::string& start) {
    int n = 0;
    for (const std::string& line : win.Lines()) n += line.rfind(start, 0) == 0 ? 1 : 0;
    return n;
  }

  std::vector<std::uint8_t> Sector(std::uint64_t n) { return sim.PeekSector(kDisk, n); }
  static bool AllBytes(const std::vector<std::uint8_t>& block, std::uint8_t value) {
    for (std::uint8_t b : block) {
      if (b != value) return false;
    }
    return !block.empty();
  }

  void TearDown() override {
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
    EXPECT_EQ(sim.LockedVolumeCount(), 0) << "a volume was left locked";
    EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
    for (platform::Handle h : ctx.state.hVolumes) EXPECT_LT(h, 1) << "volume handle kept";
  }
};

}  // namespace sw::quicktest
