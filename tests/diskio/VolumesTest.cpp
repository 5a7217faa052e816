// Locking, dismounting and releasing the volumes of a simulated drive, with whole transcripts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diskio/SimFixture.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/Volumes.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

using platform::Handle;

class VolumesTest : public SimFixture {
 protected:
  // The volume handles of the single-volume path (opened unbuffered).
  Handle Unbuffered(const std::string& designator) {
    return os.LastOpened("\\\\.\\" + designator, win::FILE_FLAG_NO_BUFFERING);
  }
  std::size_t VolumeOpens() {
    std::size_t n = 0;
    for (const testing::OpenRecord& o : os.opens) n += o.access != 0 ? 1 : 0;
    return n;
  }
};

std::vector<std::string> LockLines(const std::string& v, Handle h) {
  return {" Lock_Unlock_All_Volumes - VOLUME " + v + " OPENED on Handle " + std::to_string(h),
          " Lock_Unlock_All_Volumes - Volume " + v + " LOCKED",
          " MyDismount_Volume Dismounted volume on Handle  " + std::to_string(h)};
}

std::vector<std::string> UnlockLines(Handle h) {
  const std::string n = std::to_string(h);
  return {" MY_UNLOCK_VOLUME Volume UNLOCKED on Handle " + n,
          " Lock_Unlock_All_Volumes - Close Handle " + n, " MyCloseHandle CLOSED HANDLE " + n};
}

std::vector<std::string> Join(std::vector<std::vector<std::string>> parts) {
  std::vector<std::string> all;
  for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST_F(VolumesTest, LockKeepsTwoVolumesLockedAndUnlockReleasesThemInOrder) {
  sim.AddDrive(1, Stick(1ull << 30, {"F:", "E:"}));
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  const Handle e = ctx.state.hVolumes[0];
  const Handle f = ctx.state.hVolumes[1];
  EXPECT_GT(e, 0);
  EXPECT_GT(f, 0);
  EXPECT_EQ(ctx.state.hVolumes[2], 0);
  EXPECT_EQ(sim.LockedVolumeCount(), 2);
  EXPECT_EQ(sim.OpenHandleCount(), 2);
  EXPECT_TRUE(sim.Dismounted("E:"));
  EXPECT_TRUE(sim.Dismounted("F:"));
  EXPECT_EQ(os.LastOpened("\\\\.\\E:", 0), e);
  EXPECT_EQ(os.LastOpened("\\\\.\\F:", 0), f);
  for (const testing::OpenRecord& o : os.opens) {
    if (o.access == 0) continue;  // the device-number queries of the letter scan
    EXPECT_EQ(o.access, 0xC0000000u);
    EXPECT_EQ(o.share, 3u);
    EXPECT_EQ(o.disposition, win::OPEN_EXISTING);
  }
  ExpectTranscript(Traces(), Join({{" Get_Drive_Volumes for drive 1"}, LockLines("E:", e),
                                   LockLines("F:", f), {" Lock_Unlock_All_Volumes End"}}));

  ClearLog();
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
  ExpectTranscript(Traces(),
                   Join({UnlockLines(e), UnlockLines(f), {" Lock_Unlock_All_Volumes End"}}));
  for (Handle h : ctx.state.hVolumes) EXPECT_EQ(h, 0);
  ASSERT_GE(os.closes.size(), 2u);
  EXPECT_EQ(os.closes.end()[-2], e);
  EXPECT_EQ(os.closes.end()[-1], f);
}

TEST_F(VolumesTest, OnlyTheFirstFourOfFiveVolumesAreLocked) {
  sim.AddDrive(2, Stick(1ull << 30, {"D:", "E:", "F:", "G:", "H:"}));
  Lock_Unlock_All_Volumes(ctx, 2, "LOCK");
  EXPECT_EQ(sim.LockedVolumeCount(), 4);
  EXPECT_EQ(ctx.state.hVolumes[4], 0);
  EXPECT_TRUE(sim.Dismounted("G:"));
  EXPECT_FALSE(sim.Dismounted("H:"));
  Lock_Unlock_All_Volumes(ctx, 2, "UNLOCK");
}

TEST_F(VolumesTest, DriveWithoutVolumesLocksNothing) {
  sim.AddDrive(1, Stick(1ull << 30));
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  EXPECT_EQ(VolumeOpens(), 0u);
  ExpectTranscript(Traces(), {" Get_Drive_Volumes for drive 1", " Lock_Unlock_All_Volumes End"});
}

TEST_F(VolumesTest, UnlockOfAnEmptyTableOnlySaysEnd) {
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
  EXPECT_TRUE(os.calls.empty());
  ExpectTranscript(Traces(), {" Lock_Unlock_All_Volumes End"});
}

TEST_F(VolumesTest, ModeIsCaseSensitiveSoLowercaseLockUnlocks) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:"}));
  Lock_Unlock_All_Volumes(ctx, 1, "lock");
  EXPECT_TRUE(os.calls.empty()) << "lower-case lock must not scan or lock anything";
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  const Handle e = ctx.state.hVolumes[0];
  ASSERT_EQ(sim.LockedVolumeCount(), 1);
  ClearLog();
  Lock_Unlock_All_Volumes(ctx, 1, "lock");
  EXPECT_EQ(sim.LockedVolumeCount(), 0);
  ExpectTranscript(Traces(), Join({UnlockLines(e), {" Lock_Unlock_All_Volumes End"}}));
}

TEST_F(VolumesTest, ASecondLockReleasesWhatTheFirstLeftBehind) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:", "F:"}));
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  EXPECT_EQ(sim.OpenHandleCount(), 2);
  EXPECT_EQ(sim.LockedVolumeCount(), 2);
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
}

TEST_F(VolumesTest, RefusedLockIsTracedWithTheSystemErrorAndTheRestGoesOn) {
  platform::sim::SimDriveSpec config = Stick(1ull << 30, {"E:", "F:"});
  config.volumes[0].refuseLock = true;
  sim.AddDrive(1, config);
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  const Handle e = ctx.state.hVolumes[0];
  const std::vector<std::string> t = Traces();
  ASSERT_GE(t.size(), 3u);
  EXPECT_EQ(t[1], " Lock_Unlock_All_Volumes - VOLUME E: OPENED on Handle " + Num(e));
  EXPECT_EQ(t[2], " Lock_Unlock_All_Volumes - Cannot lock volume E: 5");
  EXPECT_EQ(sim.LockedVolumeCount(), 1) << "F: is still locked";
  EXPECT_EQ(t.back(), " Lock_Unlock_All_Volumes End");
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
  EXPECT_EQ(ctx.state.hVolumes[0], 0);
}

// --- The single-volume path ------------------------------------------------------------------

std::vector<std::string> DismountBlock(const std::string& v, Handle h) {
  const std::string n = std::to_string(h);
  return {" Open_Lock_Dismount_Volume " + v,
          " Open_Volume_get_lngHandle for " + v,
          " Open_Volume_get_lngHandle VOLUME " + v + " OPENED OK - Handle=" + n,
          " Returned from Open_Volume_get_lngHandle",
          " MyLock_Volume Volume locked - Handle " + n,
          " Returned from MyLock_Volume",
          " MyDismount_Volume Dismounted volume on Handle  " + n,
          " Returned from MyDismount_Volume",
          " MY_UNLOCK_VOLUME Volume UNLOCKED on Handle " + n,
          " MyCloseHandle CLOSED HANDLE " + n,
          " UnLock_Close_Volume CLOSEVOLUME Handle=" + n};
}

std::vector<std::string> FailedDismountBlock() {
  return {" Open_Lock_Dismount_Volume ",
          " Open_Volume_get_lngHandle for ",
          " Open_Volume_get_lngHandle Cannot open ",
          " Returned from Open_Volume_get_lngHandle",
          " Returned from MyLock_Volume",
          " Returned from MyDismount_Volume",
          " MyCloseHandle CLOSED HANDLE -1",
          " UnLock_Close_Volume CLOSEVOLUME Handle=-1"};
}

TEST_F(VolumesTest, DismountAllHandlesEachVolumeInTurnAndTheEmptySlotsToo) {
  sim.AddDrive(1, Stick(1ull << 30, {"F:", "E:"}));
  DisMount_All_Volumes(ctx, 1);
  ExpectTranscript(Traces(), Join({{" DisMount_All_Volumes for Drive 1", " Get_Drive_Volumes for drive 1"},
                                   DismountBlock("E:", Unbuffered("E:")),
                                   DismountBlock("F:", Unbuffered("F:")), FailedDismountBlock(),
                                   FailedDismountBlock()}));
  EXPECT_TRUE(sim.Dismounted("E:"));
  EXPECT_TRUE(sim.Dismounted("F:"));
  EXPECT_EQ(win.yields, 4) << "one yield before each open";
  EXPECT_EQ(ctx.state.lngHandle, -1);
}

TEST_F(VolumesTest, DismountAllOfADriveWithoutVolumesOpensTheBarePrefixFourTimes) {
  sim.AddDrive(1, Stick(1ull << 30));
  DisMount_All_Volumes(ctx, 1);
  std::size_t bare = 0;
  for (const testing::OpenRecord& o : os.opens) {
    if (o.name == "\\\\.\\") {
      ++bare;
      EXPECT_EQ(o.result, -1);
      EXPECT_EQ(o.access, 0xC0000000u);
      EXPECT_EQ(o.share, 3u);
      EXPECT_EQ(o.flags, win::FILE_FLAG_NO_BUFFERING);
    }
  }
  EXPECT_EQ(bare, 4u);
  std::vector<Handle> opened;
  for (const testing::OpenRecord& o : os.opens) {
    if (o.result != -1) opened.push_back(o.result);
  }
  EXPECT_EQ(os.closes, opened) << "only what was opened is closed, and never -1";
  ExpectTranscript(Traces(), Join({{" DisMount_All_Volumes for Drive 1", " Get_Drive_Volumes for drive 1"},
                                   FailedDismountBlock(), FailedDismountBlock(),
                                   FailedDismountBlock(), FailedDismountBlock()}));
}

TEST_F(VolumesTest, TheQuickTestSequenceLeavesNothingLockedOrOpen) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:", "F:"}));
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  DisMount_All_Volumes(ctx, 1);
  EXPECT_EQ(sim.LockedVolumeCount(), 2) << "the LOCK handles keep their volumes";
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
}

TEST_F(VolumesTest, TheDismountWaitsOnNoVolumeThisRunsLockHolds) {
  platform::sim::SimDriveSpec config = Stick(1ull << 30, {"E:", "F:"});
  config.volumes[1].refuseLock = true;  // held by another program: worth the retries
  sim.AddDrive(1, config);
  Lock_Unlock_All_Volumes(ctx, 1, "LOCK");
  ASSERT_EQ(sim.LockedVolumeCount(), 1);
  os.sleeps.clear();
  DisMount_All_Volumes(ctx, 1);
  EXPECT_EQ(os.sleeps, (std::vector<std::uint32_t>{100, 100})) << "only F:, which this run could not lock";
  EXPECT_TRUE(sim.Dismounted("E:"));
  EXPECT_TRUE(sim.Dismounted("F:"));
  Lock_Unlock_All_Volumes(ctx, 1, "UNLOCK");
  // Another program takes E: now: this run no longer holds it, so its busy lock is waited for.
  const Handle other = os.CreateFileA("\\\\.\\E:", win::GENERIC_READ | win::GENERIC_WRITE,
                                      win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, win::OPEN_EXISTING, 0);
  std::uint32_t returned = 0;
  ASSERT_TRUE(os.DeviceIoControl(other, win::FSCTL_LOCK_VOLUME, {}, {}, returned));
  os.sleeps.clear();
  DisMount_All_Volumes(ctx, 1);
  EXPECT_EQ(os.sleeps, (std::vector<std::uint32_t>{100, 100, 100, 100})) << "E: as well as F:";
  os.CloseHandle(other);
}

TEST_F(VolumesTest, OnlyTheFirstTwoCharactersNameTheVolume) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:"}));
  Open_Lock_Dismount_Volume(ctx, "E:\\ (USB stick)");
  EXPECT_EQ(Traces().front(), " Open_Lock_Dismount_Volume E:\\ (USB stick)");
  EXPECT_GT(Unbuffered("E:"), 0);
  EXPECT_EQ(ctx.state.lngHandle, Unbuffered("E:"));
  UnLock_Close_Volume(ctx);
}

TEST_F(VolumesTest, ReopeningReleasesTheVolumeStillHeld) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:", "F:"}));
  Open_Lock_Dismount_Volume(ctx, "E:");
  Open_Lock_Dismount_Volume(ctx, "F:");
  EXPECT_EQ(sim.OpenHandleCount(), 1);
  EXPECT_EQ(sim.LockedVolumeCount(), 1);
  UnLock_Close_Volume(ctx);
}

TEST_F(VolumesTest, BusyVolumeIsTriedThreeTimesThenDeniedWithoutCost) {
  platform::sim::SimDriveSpec config = Stick(1ull << 30, {"E:"});
  config.volumes[0].refuseLock = true;
  sim.AddDrive(1, config);
  Open_Volume_get_lngHandle(ctx, "E:");
  ClearLog();
  const std::uint32_t ticks = sim.GetTickCount();
  EXPECT_FALSE(MyLock_Volume(ctx, ctx.state.lngHandle));
  EXPECT_EQ(os.ControlCount(win::FSCTL_LOCK_VOLUME), 3u);
  EXPECT_EQ(os.sleeps, (std::vector<std::uint32_t>{100, 100}));
  EXPECT_EQ(sim.GetTickCount() - ticks, 200u);
  ExpectTranscript(Traces(), {" MyLock_Volume Cannot lock volume - access denied - Handle " +
                              Num(ctx.state.lngHandle)});
  UnLock_Close_Volume(ctx);
}

TEST_F(VolumesTest, WrappersRefuseEmptyAndFailedHandlesWithoutACall) {
  Handle minusOne = -1;
  EXPECT_FALSE(MyUnlock_Volume(ctx, 0));
  EXPECT_FALSE(MyDismount_Volume(ctx, 0));
  EXPECT_FALSE(MyUnlock_Volume(ctx, -1));
  EXPECT_FALSE(MyDismount_Volume(ctx, -1));
  EXPECT_FALSE(MyLock_Volume(ctx, minusOne));
  EXPECT_TRUE(os.calls.empty());
  EXPECT_EQ(win.Text(core::Control::Text1), "");
}

TEST_F(VolumesTest, WrappersOnAVolumeThatVanished) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:"}));
  Open_Volume_get_lngHandle(ctx, "E:");
  Handle h = ctx.state.lngHandle;
  sim.RemoveDrive(1);
  ClearLog();
  EXPECT_FALSE(MyLock_Volume(ctx, h));
  EXPECT_FALSE(MyDismount_Volume(ctx, h));
  EXPECT_FALSE(MyUnlock_Volume(ctx, h));
  ExpectTranscript(Traces(), {" MyLock_Volume Cannot lock volume - Handle " + Num(h),
                              " MyDismount_Volume Cannot dismount volume on Handle " + Num(h),
                              " MyUnlock_Volume Cannot unlock volume on Handle " + Num(h)});
  MyCloseHandle(ctx, ctx.state.lngHandle);
}

}  // namespace
}  // namespace sw::diskio
