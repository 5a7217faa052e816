// A simulated machine for probe scenarios: drive 1 (E:) built from a description, its real memory
// marked with bytes of its own, and every place the probe writes remembered with what it held
// first, so that a scenario can check that the drive ends as it began.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "probe/ProbeEngine.h"
#include "quicktest/FaultyOs.h"
#include "support/ScriptedWindow.h"

namespace sw::probe {

inline constexpr std::uint64_t GB = 1'000'000'000;
inline constexpr std::uint64_t GiB = 1ull << 30;
inline constexpr std::uint64_t TiB = 1ull << 40;
inline constexpr int kDisk = 1;

// The real place an announced sector lands on under the simulator's rules, or -1 when the drive
// keeps nothing there.
inline std::int64_t PlaceOf(const platform::sim::SimDriveSpec& c, std::int64_t lba) {
  using platform::sim::FakeKind;
  if (c.noRealMemory) return -1;
  const auto announced = static_cast<std::int64_t>(c.announcedBytes / 512);
  const std::int64_t real =
      c.realBytes == 0 ? announced : static_cast<std::int64_t>(std::min(c.realBytes, c.announcedBytes) / 512);
  if (c.kind == FakeKind::Good || lba < real) return lba;
  const auto wrap = static_cast<std::int64_t>(c.wrapBytes / 512);
  const bool wraps = c.kind == FakeKind::Wraparound || c.kind == FakeKind::Chain;
  if (wraps && wrap > 0) return lba % wrap < real ? lba % wrap : -1;
  if (c.kind == FakeKind::Wraparound) return lba % real;
  if (c.kind == FakeKind::Chain) return lba / 2 < real ? lba % real : -1;
  return -1;
}

class ProbeFixture : public ::testing::Test {
 protected:
  platform::sim::SimOs sim;
  testing::FaultyOs os{sim};
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
  platform::sim::SimDriveSpec stick;
  std::map<std::int64_t, std::vector<std::uint8_t>> firstBytes;  // place -> what it held
  std::uint64_t writesBefore = 0;

  void AddStick(platform::sim::SimDriveSpec config) {
    platform::sim::SimVolumeSpec e;
    e.letter = "E:";
    e.label = "STICK";
    config.volumes.push_back(e);
    stick = config;
    sim.AddDrive(kDisk, config);
    MarkRealMemory();
    // Every write of the probe reports its first sector; the places of that sector and of the
    // most one request carries after it are remembered with their bytes before any change.
    os.failWrite = [this](std::int64_t sector) {
      for (std::int64_t s = sector; s < sector + 128; ++s) {
        const std::int64_t place = PlaceOf(stick, s);
        if (place >= 0 && firstBytes.count(place) == 0) firstBytes[place] = sim.PeekSector(kDisk, static_cast<std::uint64_t>(place));
      }
      return false;
    };
    writesBefore = sim.Stats().sectorWrites;
  }

  // The start of the drive (partition table, file system) and the last 2,048 sectors of its real
  // memory hold bytes of their own, as a drive in use does.
  void MarkRealMemory() {
    if (stick.noRealMemory) return;
    const std::uint64_t realBytes = stick.realBytes == 0 ? stick.announcedBytes : std::min(stick.realBytes, stick.announcedBytes);
    const auto realEnd = static_cast<std::int64_t>(realBytes / 512);
    const platform::Handle h = sim.CreateFileA("\\\\.\\PhysicalDrive1", win::GENERIC_READ | win::GENERIC_WRITE,
                                               win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
    ASSERT_NE(h, platform::kInvalidHandle);
    std::vector<std::uint8_t> block(512);
    const auto mark = [&](std::int64_t first, std::int64_t count) {
      for (std::int64_t s = std::max<std::int64_t>(0, first); s < first + count && s < realEnd; ++s) {
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>((s * 131 + static_cast<std::int64_t>(i) * 7) ^ 0x5A);
        std::uint32_t done = 0;
        sim.SetFilePointerEx(h, s * 512, nullptr, win::FILE_BEGIN);
        sim.WriteFile(h, block, done);
      }
    };
    mark(0, 8192);
    mark(realEnd - 2048, 2048);
    sim.CloseHandle(h);
  }

  ProbeFindings Run(ProbeOptions options = {}) {
    if (options.seed == 0) options.seed = 0x51A7;
    ctx.state.DriveSizeBytes = static_cast<double>(stick.announcedBytes / 512 * 512);
    ctx.state.DiskNumber = kDisk;
    EXPECT_TRUE(diskio::Open_Physical_Disk_hDrive(ctx, kDisk));
    const ProbeFindings f = ProbeDrive(ctx, options);
    diskio::MyCloseHandle(ctx, ctx.state.hDrive);
    return f;
  }

  // Places the probe wrote that no longer hold what they held before it.
  std::vector<std::int64_t> ChangedPlaces() {
    std::vector<std::int64_t> changed;
    for (const auto& [place, bytes] : firstBytes) {
      if (sim.PeekSector(kDisk, static_cast<std::uint64_t>(place)) != bytes) changed.push_back(place);
    }
    return changed;
  }

  void TearDown() override {
    EXPECT_EQ(sim.OpenHandleCount(), 0) << "a handle was left open";
    EXPECT_EQ(sim.LockedVolumeCount(), 0) << "a volume was left locked";
    EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
  }
};

}  // namespace sw::probe
