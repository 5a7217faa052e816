// The probe's edges that the geometry table does not reach: a run unwound by an exception still
// puts everything back, a sector it cannot read is never written, the write bound holds, and a
// drive that answers nothing is no probe at all.
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "probe/ProbeFixture.h"
#include "probe/ProbeIo.h"

namespace sw::probe {
namespace {

using platform::sim::FakeKind;
using platform::sim::SimDriveSpec;

SimDriveSpec Genuine(std::uint64_t bytes) {
  SimDriveSpec c;
  c.announcedBytes = bytes;
  c.kind = FakeKind::Good;
  return c;
}

// Whatever way the engine is left, an exception from the window included (out of memory, a
// front end that fails), the blocks it changed go back before the exception goes on.
TEST_F(ProbeFixture, AnExceptionThroughTheRunStillPutsEveryBlockBack) {
  AddStick(Genuine(2 * GiB));
  win.onDoEvents = [](int n) {
    if (n == 6) throw std::runtime_error("the window failed");
  };
  ctx.state.DriveSizeBytes = static_cast<double>(2 * GiB);
  ctx.state.DiskNumber = kDisk;
  ASSERT_TRUE(diskio::Open_Physical_Disk_hDrive(ctx, kDisk));
  ProbeOptions options;
  options.seed = 0x51A7;
  EXPECT_THROW(ProbeDrive(ctx, options), std::runtime_error);
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  EXPECT_FALSE(firstBytes.empty()) << "the probe wrote before the exception";
  EXPECT_TRUE(ChangedPlaces().empty());
}

// A block that could not be read first cannot be put back, so it is never written.
TEST_F(ProbeFixture, ASectorThatCannotBeReadIsNeverWritten) {
  AddStick(Genuine(2 * GiB));
  const std::int64_t top = static_cast<std::int64_t>(2 * GiB / 512) - 1;
  std::vector<std::int64_t> written;
  auto remember = os.failWrite;
  os.failWrite = [&, remember](std::int64_t sector) {
    written.push_back(sector);
    return remember(sector);
  };
  os.failRead = [top](std::int64_t sector) { return sector == top; };
  Run();
  for (const std::int64_t s : written) EXPECT_NE(s, top);
  EXPECT_TRUE(ChangedPlaces().empty());
}

TEST_F(ProbeFixture, ADriveThatFailsEveryTransferIsNoProbe) {
  AddStick(Genuine(2 * GiB));
  os.failRead = [](std::int64_t) { return true; };
  auto remember = os.failWrite;
  os.failWrite = [remember](std::int64_t sector) {
    remember(sector);
    return true;
  };
  const ProbeFindings f = Run();
  EXPECT_EQ(f.end, ProbeEnd::Failed);
  EXPECT_EQ(f.lastGoodSector, -1);
}

// The bound counts the sectors the probe itself writes and those kept back for the restore of
// what it saved; the restore is held to nothing.
TEST_F(ProbeFixture, TheWriteBoundStopsTheProbeButNeverTheRestore) {
  AddStick(Genuine(2 * GiB));
  ctx.state.DiskNumber = kDisk;
  ASSERT_TRUE(diskio::Open_Physical_Disk_hDrive(ctx, kDisk));
  {
    detail::ProbeIo io(ctx, 20);
    EXPECT_TRUE(io.Write(100, 8));
    io.Reserve(4);
    EXPECT_TRUE(io.Write(200, 8));  // 8 + 8 + 4 kept back = 20
    EXPECT_FALSE(io.OverBudget());
    EXPECT_FALSE(io.Write(300, 1));
    EXPECT_TRUE(io.OverBudget());
    EXPECT_TRUE(io.Stopped());
    io.BeginRestore();
    EXPECT_TRUE(io.Write(100, 8));
    EXPECT_TRUE(io.Write(200, 8));
  }
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
}

}  // namespace
}  // namespace sw::probe
