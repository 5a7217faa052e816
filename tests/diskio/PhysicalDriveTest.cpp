// The physical drive handle: opening into hDrive, reopening, failures, and the traced close.
#include <gtest/gtest.h>

#include "diskio/PhysicalDrive.h"
#include "diskio/SimFixture.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

using PhysicalDriveTest = SimFixture;

TEST_F(PhysicalDriveTest, OpensTheDriveReadWriteWithExactArguments) {
  sim.AddDrive(2, Stick(64ull << 20));
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 2));
  ASSERT_EQ(os.opens.size(), 1u);
  const testing::OpenRecord& o = os.opens[0];
  EXPECT_EQ(o.name, "\\\\.\\PhysicalDrive2");
  EXPECT_EQ(o.access, 0xC0000000u);
  EXPECT_EQ(o.share, 3u);
  EXPECT_EQ(o.disposition, win::OPEN_EXISTING);
  EXPECT_EQ(o.flags, 0u);
  EXPECT_EQ(ctx.state.hDrive, o.result);
  EXPECT_GT(ctx.state.hDrive, 0);
  ExpectTranscript(Traces(),
                   {" Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 2 handle = " + Num(o.result)});
  MyCloseHandle(ctx, ctx.state.hDrive);
}

TEST_F(PhysicalDriveTest, OpeningAgainClosesTheFirstHandleBeforeTheNewOpen) {
  sim.AddDrive(1, Stick(64ull << 20));
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  const platform::Handle first = ctx.state.hDrive;
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  const platform::Handle second = ctx.state.hDrive;
  EXPECT_EQ(sim.OpenHandleCount(), 1);
  EXPECT_EQ(os.closes, std::vector<platform::Handle>{first});
  EXPECT_EQ(os.calls, (std::vector<std::string>{"open \\\\.\\PhysicalDrive1", "close " + Num(first),
                                                "open \\\\.\\PhysicalDrive1"}));
  ExpectTranscript(Traces(), {
      " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 1 handle = " + Num(first),
      " MyCloseHandle CLOSED HANDLE " + Num(first),
      " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 1 handle = " + Num(second),
  });
  MyCloseHandle(ctx, ctx.state.hDrive);
}

TEST_F(PhysicalDriveTest, MissingDriveLeavesMinusOneAndSaysNotObtained) {
  sim.AddDrive(1, Stick(64ull << 20));
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  const platform::Handle first = ctx.state.hDrive;
  EXPECT_FALSE(Open_Physical_Disk_hDrive(ctx, 7));
  EXPECT_EQ(ctx.state.hDrive, -1);
  ExpectTranscript(Traces(), {
      " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 1 handle = " + Num(first),
      " MyCloseHandle CLOSED HANDLE " + Num(first),
      " Open_Physical_Disk_hDrive - Handle for 7 not obtained!",
  });
}

TEST_F(PhysicalDriveTest, RemovedDriveCannotBeOpened) {
  sim.AddDrive(3, Stick(64ull << 20));
  sim.RemoveDrive(3);
  EXPECT_FALSE(Open_Physical_Disk_hDrive(ctx, 3));
  EXPECT_EQ(ctx.state.hDrive, -1);
}

TEST_F(PhysicalDriveTest, CloseTracesTheValueClosesOnceAndMarksTheVariable) {
  sim.AddDrive(1, Stick(64ull << 20));
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  const platform::Handle h = ctx.state.hDrive;
  ClearLog();
  MyCloseHandle(ctx, ctx.state.hDrive);
  EXPECT_EQ(ctx.state.hDrive, -1);
  MyCloseHandle(ctx, ctx.state.hDrive);  // a second close must not reach the system
  EXPECT_EQ(os.closes, std::vector<platform::Handle>{h});
  ExpectTranscript(Traces(), {" MyCloseHandle CLOSED HANDLE " + Num(h),
                              " MyCloseHandle CLOSED HANDLE -1"});
}

TEST_F(PhysicalDriveTest, ClosingMinusOneOrZeroOnlyTraces) {
  for (platform::Handle value : {platform::Handle{-1}, platform::Handle{0}}) {
    ClearLog();
    platform::Handle h = value;
    MyCloseHandle(ctx, h);
    EXPECT_EQ(h, -1);
    ExpectTranscript(Traces(), {" MyCloseHandle CLOSED HANDLE " + Num(value)});
  }
  EXPECT_TRUE(os.closes.empty());
}

TEST_F(PhysicalDriveTest, NothingIsLoggedOutsideDebugMode) {
  ctx.state.DebugMode = false;
  sim.AddDrive(1, Stick(64ull << 20));
  EXPECT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  EXPECT_FALSE(Open_Physical_Disk_hDrive(ctx, 5));
  MyCloseHandle(ctx, ctx.state.hDrive);
  EXPECT_EQ(win.Text(core::Control::Text1), "");
}

}  // namespace
}  // namespace sw::diskio
