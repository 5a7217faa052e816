// How the volume lock retries a busy volume, against a scripted system.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diskio/MockOs.h"
#include "diskio/Volumes.h"
#include "platform/WinApi.h"
#include "support/ScriptedWindow.h"

namespace sw::diskio {
namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::IsEmpty;
using ::testing::Return;
using ::testing::StrictMock;

constexpr platform::Handle kVol = 31;

struct VolumeLockMockTest : ::testing::Test {
  StrictMock<testing::MockOs> os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
};

TEST_F(VolumeLockMockTest, ABrieflyBusyVolumeIsLockedOnALaterAttempt) {
  InSequence order;
  for (int i = 0; i < 2; ++i) {
    EXPECT_CALL(os, DeviceIoControl(kVol, win::FSCTL_LOCK_VOLUME, IsEmpty(), IsEmpty(), _))
        .WillOnce(Return(false));
    EXPECT_CALL(os, GetLastError()).WillOnce(Return(win::ERROR_ACCESS_DENIED));
    EXPECT_CALL(os, Sleep(100u));
  }
  EXPECT_CALL(os, DeviceIoControl(kVol, win::FSCTL_LOCK_VOLUME, IsEmpty(), IsEmpty(), _))
      .WillOnce(Return(true));
  platform::Handle h = kVol;
  EXPECT_TRUE(MyLock_Volume(ctx, h));
  EXPECT_EQ(h, kVol);
}

TEST_F(VolumeLockMockTest, OtherErrorsAreNotRetriedAndGetTheGeneralTrace) {
  ctx.state.DebugMode = true;
  EXPECT_CALL(os, Now()).WillRepeatedly(Return(0));
  EXPECT_CALL(os, GeneralDate(_)).WillRepeatedly(Return("D"));
  EXPECT_CALL(os, DeviceIoControl(kVol, win::FSCTL_LOCK_VOLUME, _, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, GetLastError()).WillOnce(Return(win::ERROR_INVALID_FUNCTION));
  platform::Handle h = kVol;
  EXPECT_FALSE(MyLock_Volume(ctx, h));
  EXPECT_EQ(win.Text(core::Control::Text1), "\r\nD MyLock_Volume Cannot lock volume - Handle 31");
}

TEST_F(VolumeLockMockTest, UnlockAndDismountSendTheirCodesWithoutBuffers) {
  EXPECT_CALL(os, DeviceIoControl(kVol, win::FSCTL_UNLOCK_VOLUME, IsEmpty(), IsEmpty(), _))
      .WillOnce(Return(true));
  EXPECT_CALL(os, DeviceIoControl(kVol, win::FSCTL_DISMOUNT_VOLUME, IsEmpty(), IsEmpty(), _))
      .WillOnce(Return(true));
  EXPECT_TRUE(MyUnlock_Volume(ctx, kVol));
  EXPECT_TRUE(MyDismount_Volume(ctx, kVol));
}

TEST_F(VolumeLockMockTest, VolumeThatCannotBeOpenedForLockingGetsNoControlAndIsSkippedLater) {
  using ::testing::NiceMock;
  NiceMock<testing::MockOs> nice;
  core::Context c{nice, win};
  c.state.DebugMode = true;
  ON_CALL(nice, GeneralDate(_)).WillByDefault(Return("D"));
  EXPECT_CALL(nice, CreateFileA(_, _, _, _, _)).WillRepeatedly(Return(-1));  // no other letter
  // E: answers the letter scan as a partition of drive 1, but refuses the read-write open.
  EXPECT_CALL(nice, CreateFileA("\\\\.\\E:", 0u, 3u, win::OPEN_EXISTING, 0u)).WillOnce(Return(kVol));
  EXPECT_CALL(nice, DeviceIoControl(kVol, win::IOCTL_STORAGE_GET_DEVICE_NUMBER, _, _, _))
      .WillOnce([](platform::Handle, std::uint32_t, std::span<const std::uint8_t>,
                   std::span<std::uint8_t> out, std::uint32_t& returned) {
        out[0] = 7;  // FILE_DEVICE_DISK
        out[4] = 1;  // drive 1
        returned = 12;
        return true;
      });
  EXPECT_CALL(nice, CloseHandle(kVol)).WillOnce(Return(true));
  EXPECT_CALL(nice, CreateFileA("\\\\.\\E:", 0xC0000000u, 3u, win::OPEN_EXISTING, 0u))
      .WillOnce(Return(-1));
  EXPECT_CALL(nice, GetLastError()).WillRepeatedly(Return(win::ERROR_SHARING_VIOLATION));
  EXPECT_CALL(nice, DeviceIoControl(_, ::testing::Ne(win::IOCTL_STORAGE_GET_DEVICE_NUMBER), _, _, _))
      .Times(0);
  Lock_Unlock_All_Volumes(c, 1, kLockMode);
  EXPECT_EQ(c.state.hVolumes[0], -1);
  Lock_Unlock_All_Volumes(c, 1, kUnlockMode);  // a failed entry is neither unlocked nor closed
  EXPECT_EQ(win.Text(core::Control::Text1),
            "\r\nD Get_Drive_Volumes for drive 1"
            "\r\nD Lock_Unlock_All_Volumes - Cannot open E: to lock! 32"
            "\r\nD Lock_Unlock_All_Volumes - Cannot lock volume E: 32"
            "\r\nD Lock_Unlock_All_Volumes End"
            "\r\nD Lock_Unlock_All_Volumes End");
}

}  // namespace
}  // namespace sw::diskio
