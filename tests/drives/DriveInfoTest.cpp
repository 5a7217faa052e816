// Usable size (whole cylinders, last-sector probe), identity, and the summary line.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "core/Log.h"
#include "drives/DriveInfo.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::drives {
namespace {

using platform::sim::SimDriveSpec;
using platform::sim::SimOs;

constexpr std::uint64_t kCylinder = 8225280;
constexpr double kGiB = 1024.0 * 1024.0 * 1024.0;

SimDriveSpec Stick(std::uint64_t announced) {
  SimDriveSpec config;
  config.announcedBytes = announced;
  platform::sim::SimVolumeSpec volume;
  volume.letter = "E:";
  volume.label = "STICK";
  config.volumes = {volume};
  return config;
}

class DriveInfo : public ::testing::Test {
 protected:
  void Examine(std::int32_t n) {
    ctx.state.DiskNumber = n;
    GetUSBDiskDriveInfo(ctx, n);
  }
  SimOs os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
};

struct SizeRow {
  const char* what;
  std::uint64_t announced;
  std::uint64_t unreadableFrom;  // 0: every sector reads
  double expected;
};

TEST_F(DriveInfo, UsableSizeIsWholeCylindersLessOneWhenTheLastSectorFails) {
  const SizeRow rows[] = {
      {"below one cylinder", kCylinder - 512, 0, 0},
      {"exactly one cylinder", kCylinder, 0, static_cast<double>(kCylinder)},
      {"one cylinder, last sector unreadable", kCylinder, kCylinder - 512, 0},
      {"31,266,439,168 bytes", 31266439168ull, 0, 31264289280.0},
      {"rounded size's last sector unreadable", 31266439168ull, 31264289280ull - 512,
       31264289280.0 - kCylinder},
      {"unreadable only past the rounded size", 31266439168ull, 31264289280ull, 31264289280.0},
      // Three quarters of a cylinder past three whole ones: rounded to the nearest cylinder the
      // size would end past the drive, the probe would fail there and hide the bad sector below.
      {"three quarters past whole cylinders", 3 * kCylinder + 12000 * 512, 0, 3.0 * kCylinder},
      {"three quarters past, last whole cylinder's last sector unreadable", 3 * kCylinder + 12000 * 512,
       3 * kCylinder - 512, 2.0 * kCylinder},
  };
  int n = 1;
  for (const SizeRow& r : rows) {
    SimDriveSpec config = Stick(r.announced);
    config.volumes.clear();
    if (r.unreadableFrom != 0) {
      config.realBytes = r.unreadableFrom;
      config.readErrorsPastReal = true;
    }
    os.AddDrive(n, config);
    Examine(n);
    EXPECT_EQ(ctx.state.DriveSizeBytes, r.expected) << r.what;
    EXPECT_LE(ctx.state.DriveSizeBytes, static_cast<double>(r.announced)) << r.what;
    EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle) << r.what;
    ++n;
  }
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(DriveInfo, ListsOnlyUsbUnlessAllDrivesAreShown) {
  SimDriveSpec sata = Stick(16'000'000'000ull);
  sata.busType = win::BusTypeSata;
  os.AddDrive(1, sata);
  ctx.state.DRV_MODEL = "left over";
  Examine(1);
  EXPECT_EQ(ctx.state.DriveSizeBytes, 0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "");

  ctx.state.ShowAllDrives = true;
  Examine(1);
  EXPECT_GT(ctx.state.DriveSizeBytes, 0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "SIMTEK Flash Disk");
  EXPECT_EQ(ctx.state.DRV_FIRMWARE, "1.00");
}

TEST_F(DriveInfo, NoDriveGivesSizeZeroAndAnEmptySummary) {
  Examine(5);
  EXPECT_EQ(ctx.state.DriveSizeBytes, 0);
  EXPECT_EQ(Print_Drive_Details(ctx), "");
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

TEST_F(DriveInfo, SummaryOfTheWorkedExample) {
  os.AddDrive(2, Stick(31266439168ull));
  Examine(2);
  EXPECT_EQ(Print_Drive_Details(ctx),
            "[DRIVE 2]      29.1GiB SIMTEK Flash Disk" + std::string(31 - 17, ' '));
}

struct SummaryRow {
  double bytes;
  std::string amountAndUnit;
};

TEST_F(DriveInfo, AmountUnitsSwitchStrictlyAboveOneThousand) {
  const SummaryRow rows[] = {
      {1000.0 * 1024, "1,000.0KiB"},
      {1000.5 * 1024, "    0.9MiB"},  // 0.977 cut to 0.9
      {999.0 * 1024, "  999.0KiB"},
      {1000.0 * 1024 * 1024, "1,000.0MiB"},
      {3801.0 * kCylinder, "   29.1GiB"},
      {1862.6 * kGiB, "1,862.6GiB"},  // fills the 7 characters exactly
      {9999.9 * kGiB, "9,999.9GiB"},
      {10000.0 * kGiB, "10,000.0GiB"},  // widened, not cut to "0,000.0"
      {123456.7 * kGiB, "123,456.7GiB"},
  };
  ctx.state.DiskNumber = 3;
  ctx.state.DRV_MODEL = "M";
  for (const SummaryRow& r : rows) {
    ctx.state.DriveSizeBytes = r.bytes;
    EXPECT_EQ(Print_Drive_Details(ctx),
              "[DRIVE 3]   " + r.amountAndUnit + " M" + std::string(30, ' '))
        << r.bytes;
  }
}

TEST_F(DriveInfo, ModelIsPaddedOrCutToThirtyOneCharacters) {
  ctx.state.DiskNumber = 1;
  ctx.state.DriveSizeBytes = 3801.0 * kCylinder;
  ctx.state.DRV_MODEL = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  EXPECT_EQ(Print_Drive_Details(ctx), "[DRIVE 1]      29.1GiB ABCDEFGHIJKLMNOPQRSTUVWXYZ01234");
}

TEST_F(DriveInfo, DebugModeAddsTheByteCountAndATrailingSpace) {
  ctx.state.DiskNumber = 12;
  ctx.state.DRV_MODEL = "M";
  ctx.state.DebugMode = true;
  ctx.state.DriveSizeBytes = 31264289280.0;
  const std::string line = Print_Drive_Details(ctx);
  EXPECT_EQ(line, "[DRIVE 12]      29.1GiB M" + std::string(30, ' ') + " 31,264,289,280 Bytes ");

  ctx.state.DriveSizeBytes = 10000.0 * kGiB;  // 14 digits: all of them stay
  EXPECT_NE(Print_Drive_Details(ctx).find(" 10,737,418,240,000 Bytes "), std::string::npos);
}

TEST_F(DriveInfo, DebugFragmentContinuesTheCapacityTraceLine) {
  os.AddDrive(1, Stick(31266439168ull));
  ctx.state.DebugMode = true;
  core::LogText(ctx, "heading");
  Examine(1);
  const std::string log = win.Text(core::Control::Text1);
  const auto at = log.find(" SCSI size=31266439168");
  ASSERT_NE(at, std::string::npos) << log;
  EXPECT_GE(at, 2u);
  EXPECT_NE(log.substr(at - 2, 2), "\r\n") << "the fragment must continue the line before it";
  EXPECT_NE(log.find("\r\n", at), std::string::npos) << "more trace lines follow on new lines";

  ctx.state.DebugMode = false;
  const std::string before = win.Text(core::Control::Text1);
  Examine(1);
  EXPECT_EQ(win.Text(core::Control::Text1), before);
}

}  // namespace
}  // namespace sw::drives
