// A simulated machine for full-surface runs: drive 1 (E:) from a --simulate description, opened
// as the command would open it, and the engine run on it. One machine per case, so that every
// case starts clean.
#pragma once

#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/PinnedDrive.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"
#include "surface/SurfaceEngine.h"

namespace sw::surface {

inline constexpr std::uint64_t MiB = 1ull << 20;
inline constexpr std::int64_t kMiBSectors = 2048;

struct SurfaceMachine {
  platform::sim::SimOs sim;
  testing::ScriptedWindow win;
  core::Context ctx{sim, win};
  std::uint64_t announced = 0;

  // `change`: what the description cannot say, made to the drive before it is added.
  explicit SurfaceMachine(const std::string& description,
                          const std::function<void(platform::sim::SimDriveSpec&)>& change = {}) {
    platform::sim::ParsedSimDrive parsed = platform::sim::ParseSimDrive(description);
    EXPECT_EQ(parsed.error, "");
    if (change) change(parsed.config);
    announced = parsed.config.announcedBytes;
    sim.AddDrive(1, parsed.config);
  }

  SurfaceFindings Run(SurfaceOptions options = {}) {
    if (options.seed == 0) options.seed = 0x5EED;
    ctx.state.DriveSizeBytes = static_cast<double>(announced);
    ctx.state.DiskNumber = 1;
    EXPECT_TRUE(diskio::PinDrive(ctx, 1));
    EXPECT_TRUE(diskio::Open_Physical_Disk_hDrive(ctx, 1));
    const SurfaceFindings f = SurfaceTest(ctx, options);
    diskio::MyCloseHandle(ctx, ctx.state.hDrive);
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
    EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
    return f;
  }
};

}  // namespace sw::surface
