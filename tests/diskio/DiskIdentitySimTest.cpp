// Bus type, identity and capacity of simulated drives, end to end through the device answers.
#include <gtest/gtest.h>

#include "diskio/DiskIdentity.h"
#include "diskio/SimFixture.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

using DiskIdentitySimTest = SimFixture;
using platform::sim::SimDriveSpec;

TEST_F(DiskIdentitySimTest, OnlyTheFirstTwoCharactersOfTheDriveTextCount) {
  SimDriveSpec usb = Stick(64ull << 20);
  sim.AddDrive(12, usb);
  SimDriveSpec sata = Stick(64ull << 20);
  sata.busType = win::BusTypeSata;
  sim.AddDrive(1, sata);

  EXPECT_TRUE(IsUSBDisk(ctx, "123"));
  ASSERT_EQ(os.opens.size(), 1u);
  EXPECT_EQ(os.opens[0].name, "\\\\.\\PhysicalDrive12");
  EXPECT_TRUE(IsUSBDisk(ctx, 12));
  EXPECT_FALSE(IsUSBDisk(ctx, 1));
  EXPECT_FALSE(IsUSBDisk(ctx, 0));  // the system disk is SATA
  EXPECT_FALSE(IsUSBDisk(ctx, 40));
  EXPECT_EQ(win.Text(core::Control::Text1), "");
}

TEST_F(DiskIdentitySimTest, GenuineStickReportsItsSizeAndIdentity) {
  SimDriveSpec config = Stick(16'008'609'792ull);
  config.vendor = "ACME";
  config.product = "Flash Disk";
  config.revision = "8.07";
  config.serial = "AA00112233";
  sim.AddDrive(2, config);
  ctx.state.DRV_MODEL = "";
  EXPECT_EQ(GetSCSICapacity(ctx, 2), 16'008'609'792.0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "ACME Flash Disk");
  EXPECT_EQ(ctx.state.DRV_FIRMWARE, "8.07");
  EXPECT_EQ(ctx.state.DRV_SERIAL, "AA001122");  // bytes 36 to 43 only
  EXPECT_EQ(ctx.state.DRV_MEDIA, "REMOVABLE MEDIA");
  const platform::Handle h = os.LastOpened("\\\\.\\PhysicalDrive2", 0);
  ExpectTranscript(Traces(), {" DRV_MODEL=**", " MyMODEL=*ACME Flash Disk*", " REMOVABLE BIT=128",
                              " MyCloseHandle CLOSED HANDLE " + Num(h)});
  EXPECT_EQ(os.ControlCount(win::IOCTL_SCSI_PASS_THROUGH), 2u);
}

TEST_F(DiskIdentitySimTest, CapacityRowsOnSimulatedDrives) {
  struct Row {
    const char* what;
    std::uint64_t bytes;
    std::uint32_t blockLength;
    bool readCapacityFails, diskLengthFails;
    double size;
  };
  const Row rows[] = {
      {"8 GiB", 8ull << 30, 512, false, false, 8589934592.0},
      {"2 TiB: LastLBA has its top bit set", 2ull << 40, 512, false, true, 2199023255552.0},
      {"4,096-byte blocks", 4ull << 30, 4096, false, false, 4294967296.0},
      {"READ CAPACITY fails", 1ull << 30, 512, true, false, 1073741824.0},
      {"disk length fails", 1ull << 30, 512, false, true, 1073741824.0},
      {"both fail", 1ull << 30, 512, true, true, 0.0},
  };
  int drive = 1;
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    SimDriveSpec config = Stick(r.bytes);
    config.blockLength = r.blockLength;
    config.readCapacityFails = r.readCapacityFails;
    config.diskLengthFails = r.diskLengthFails;
    sim.AddDrive(drive, config);
    EXPECT_EQ(GetSCSICapacity(ctx, drive), r.size);
    ++drive;
  }
}

TEST_F(DiskIdentitySimTest, FixedDiskWithShortInquiryHasNoSerial) {
  SimDriveSpec config = Stick(1ull << 30);
  config.inquiryLength = 36;
  config.removable = false;
  sim.AddDrive(1, config);
  GetSCSICapacity(ctx, "1");
  EXPECT_EQ(ctx.state.DRV_SERIAL, "");
  EXPECT_EQ(ctx.state.DRV_MEDIA, "FIXED MEDIA");
  EXPECT_EQ(Traces().at(2), " REMOVABLE BIT=0");
}

TEST_F(DiskIdentitySimTest, FailedInquiryOnlyTracesTheClose) {
  SimDriveSpec config = Stick(1ull << 30);
  config.inquiryFails = true;
  sim.AddDrive(1, config);
  ctx.state.DRV_MODEL = "old";
  EXPECT_EQ(GetSCSICapacity(ctx, 1), 1073741824.0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "old");
  ExpectTranscript(Traces(), {" MyCloseHandle CLOSED HANDLE " +
                              Num(os.LastOpened("\\\\.\\PhysicalDrive1", 0))});
}

TEST_F(DiskIdentitySimTest, MissingDriveIsZeroWithTheNotObtainedTrace) {
  EXPECT_EQ(GetSCSICapacity(ctx, 6), 0.0);
  ExpectTranscript(Traces(), {" GetSCSICapacity - Handle for PhysicalDrive6 not obtained!"});
}

}  // namespace
}  // namespace sw::diskio
