// READ CAPACITY and INQUIRY through the pass-through block, against a scripted driver: the bytes
// sent, the capacity decoded, the identity texts and their traces.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "diskio/DiskIdentity.h"
#include "diskio/MockOs.h"
#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "support/ScriptedWindow.h"

namespace sw::diskio {
namespace {

using ::testing::_;
using ::testing::NiceMock;
using ::testing::Return;

constexpr platform::Handle kH = 77;
constexpr std::size_t kData = 76;

// A driver that answers READ CAPACITY, INQUIRY and the disk length from its fields, and keeps
// a copy of every pass-through block it was handed.
struct ScriptedDriver {
  std::optional<std::array<std::uint8_t, 8>> readCapacity;  // none: the command returns 0 bytes
  std::vector<std::uint8_t> readCapacityExtra;               // more bytes the answer spills
  std::optional<std::vector<std::uint8_t>> inquiry;
  std::optional<std::int64_t> length;
  std::vector<std::vector<std::uint8_t>> blocksIn;
  std::vector<std::size_t> outSizes;
};

std::array<std::uint8_t, 8> Capacity(std::uint32_t lastLba, std::uint32_t blockLength) {
  std::array<std::uint8_t, 8> a{};
  platform::PutBe32(a, 0, lastLba);
  platform::PutBe32(a, 4, blockLength);
  return a;
}

std::vector<std::uint8_t> Inquiry(const std::string& vendor8, const std::string& product16,
                                  const std::string& rev4, const std::string& serial,
                                  bool removable, std::size_t length = 44) {
  std::vector<std::uint8_t> d(length, 0);
  d[1] = removable ? 0x80 : 0x00;
  auto put = [&](std::size_t at, const std::string& s) {
    for (std::size_t i = 0; i < s.size() && at + i < d.size(); ++i) d[at + i] = static_cast<std::uint8_t>(s[i]);
  };
  put(8, vendor8);
  put(16, product16);
  put(32, rev4);
  put(36, serial);
  return d;
}

struct ScsiCapacityTest : ::testing::Test {
  NiceMock<testing::MockOs> os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
  ScriptedDriver drv;

  void SetUp() override {
    ctx.state.DebugMode = true;
    ON_CALL(os, GeneralDate(_)).WillByDefault(Return("D"));
    ON_CALL(os, CreateFileA(_, _, _, _, _)).WillByDefault(Return(kH));
    ON_CALL(os, CloseHandle(_)).WillByDefault(Return(true));
    ON_CALL(os, DeviceIoControl(_, _, _, _, _))
        .WillByDefault([this](platform::Handle, std::uint32_t code, std::span<const std::uint8_t> in,
                              std::span<std::uint8_t> out, std::uint32_t& returned) {
          returned = 0;
          if (code == win::IOCTL_DISK_GET_LENGTH_INFO) {
            if (!drv.length) return false;
            const auto length = static_cast<std::uint64_t>(*drv.length);
            platform::PutLe32(out, 0, static_cast<std::uint32_t>(length));
            platform::PutLe32(out, 4, static_cast<std::uint32_t>(length >> 32));
            returned = 8;
            return true;
          }
          if (code != win::IOCTL_SCSI_PASS_THROUGH) return false;
          drv.blocksIn.emplace_back(in.begin(), in.end());
          drv.outSizes.push_back(out.size());
          if (in[28] == 0x25 && drv.readCapacity) {
            std::copy(drv.readCapacity->begin(), drv.readCapacity->end(), out.begin() + kData);
            std::copy(drv.readCapacityExtra.begin(), drv.readCapacityExtra.end(), out.begin() + kData + 8);
            returned = static_cast<std::uint32_t>(kData + 8 + drv.readCapacityExtra.size());
            return true;
          }
          if (in[28] == 0x12 && drv.inquiry) {
            std::copy(drv.inquiry->begin(), drv.inquiry->end(), out.begin() + kData);
            returned = static_cast<std::uint32_t>(kData + drv.inquiry->size());
            return true;
          }
          return false;
        });
  }

  std::string Log() { return win.Text(core::Control::Text1); }
};

TEST_F(ScsiCapacityTest, SendsTheExactPassThroughBlockTwiceOnTheSameBuffer) {
  drv.readCapacity = Capacity(0x00FFFFFF, 512);
  drv.readCapacityExtra = {0xAA, 0xBB};
  drv.inquiry = Inquiry("ACME    ", "Flash Disk      ", "1.00", "", true, 36);
  EXPECT_CALL(os, CreateFileA("\\\\.\\PhysicalDrive4", 0xC0000000u, 3u, win::OPEN_EXISTING, 0u));
  GetSCSICapacity(ctx, 4);
  ASSERT_EQ(drv.blocksIn.size(), 2u);
  EXPECT_EQ(drv.outSizes, (std::vector<std::size_t>{585, 585}));

  std::vector<std::uint8_t> expected(585, 0);
  const std::uint8_t header[] = {44, 0, 0, 0, 1, 0, 6, 24, 1, 0, 0, 0, 192, 0, 0, 0, 2, 0, 0, 0,
                                 76, 0, 0, 0, 44, 0, 0, 0, 0x25, 0x08, 0, 0, 0xC0, 0};
  std::copy(std::begin(header), std::end(header), expected.begin());
  EXPECT_EQ(drv.blocksIn[0], expected) << "READ CAPACITY(10) block";

  // The INQUIRY block differs only in the opcode, and still carries the READ CAPACITY answer.
  expected[28] = 0x12;
  const std::uint8_t answer[] = {0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00, 0xAA, 0xBB};
  std::copy(std::begin(answer), std::end(answer), expected.begin() + kData);
  EXPECT_EQ(drv.blocksIn[1], expected) << "INQUIRY block";
}

TEST_F(ScsiCapacityTest, CapacityIsTheLargerOfReadCapacityAndDiskLength) {
  struct Row {
    const char* what;
    std::optional<std::array<std::uint8_t, 8>> readCapacity;
    std::optional<std::int64_t> length;
    double size;
  };
  const Row rows[] = {
      {"8 GiB stick", Capacity(0x00FFFFFF, 512), std::nullopt, 8589934592.0},
      {"top bit of LastLBA set", Capacity(0x80000000u, 512), std::nullopt, 1099511628288.0},
      {"all 32 bits of both", Capacity(0xFFFFFFFFu, 0xFFFFFFFFu), std::nullopt,
       static_cast<double>(0xFFFFFFFE00000001ull + 512)},
      {"4,096-byte blocks lose to the disk length", Capacity(0x000FFFFF, 4096), 4294967296,
       4294967296.0},
      {"READ CAPACITY above the disk length", Capacity(0x00FFFFFF, 512), 1000, 8589934592.0},
      {"READ CAPACITY fails", std::nullopt, 31'914'983'424, 31914983424.0},
      {"zero product counts as no answer", Capacity(0, 512), 4096, 4096.0},
      {"both fail", std::nullopt, std::nullopt, 0.0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.what);
    drv.readCapacity = r.readCapacity;
    drv.length = r.length;
    EXPECT_EQ(GetSCSICapacity(ctx, "1"), r.size);
  }
}

TEST_F(ScsiCapacityTest, InquiryFillsTheIdentityTextsWithTraces) {
  struct Row {
    std::vector<std::uint8_t> inquiry;
    std::string model, firmware, serial, media, removableBit;
  };
  const Row rows[] = {
      {Inquiry("ACME    ", "Flash Disk      ", "1.00", "SN123456", true), "ACME Flash Disk",
       "1.00", "SN123456", "REMOVABLE MEDIA", "128"},
      {Inquiry("", "Flash Disk      ", "PMAP", "  0001  ", false), "Flash Disk", "PMAP", "0001",
       "FIXED MEDIA", "0"},
      {Inquiry("Generic ", "", "", "", true, 36), "Generic", "", "", "REMOVABLE MEDIA", "128"},
  };
  ctx.state.DRV_MODEL = "Before";
  for (const Row& r : rows) {
    SCOPED_TRACE(r.model);
    const std::string modelBefore = ctx.state.DRV_MODEL;
    win.SetText(core::Control::Text1, "");
    drv.readCapacity = Capacity(0x003FFFFF, 512);
    drv.inquiry = r.inquiry;
    GetSCSICapacity(ctx, "2");
    EXPECT_EQ(ctx.state.DRV_MODEL, r.model);
    EXPECT_EQ(ctx.state.DRV_FIRMWARE, r.firmware);
    EXPECT_EQ(ctx.state.DRV_SERIAL, r.serial);
    EXPECT_EQ(ctx.state.DRV_MEDIA, r.media);
    EXPECT_EQ(Log(), "\r\nD DRV_MODEL=*" + modelBefore + "*\r\nD MyMODEL=*" + r.model +
                         "*\r\nD REMOVABLE BIT=" + r.removableBit +
                         "\r\nD MyCloseHandle CLOSED HANDLE 77");
  }
}

TEST_F(ScsiCapacityTest, ShortInquiryKeepsWhatReadCapacityLeftInTheDataArea) {
  drv.readCapacity = Capacity(0x003FFFFF, 512);
  // A bridge that answers READ CAPACITY with more than its 8 bytes leaves them in the block.
  drv.readCapacityExtra = std::vector<std::uint8_t>(28, 0);
  const std::string stale = "STALE#42";
  drv.readCapacityExtra.insert(drv.readCapacityExtra.end(), stale.begin(), stale.end());
  drv.inquiry = Inquiry("ACME    ", "Stick           ", "0.1 ", "", true, 36);
  GetSCSICapacity(ctx, "1");
  EXPECT_EQ(ctx.state.DRV_SERIAL, stale);
  EXPECT_EQ(ctx.state.DRV_MODEL, "ACME Stick");
}

TEST_F(ScsiCapacityTest, FailedInquiryLeavesTheIdentityTexts) {
  ctx.state.DRV_MODEL = "m";
  ctx.state.DRV_FIRMWARE = "f";
  ctx.state.DRV_SERIAL = "s";
  ctx.state.DRV_MEDIA = "x";
  drv.readCapacity = Capacity(0x003FFFFF, 512);
  EXPECT_EQ(GetSCSICapacity(ctx, "1"), 2147483648.0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "m");
  EXPECT_EQ(ctx.state.DRV_FIRMWARE, "f");
  EXPECT_EQ(ctx.state.DRV_SERIAL, "s");
  EXPECT_EQ(ctx.state.DRV_MEDIA, "x");
  EXPECT_EQ(Log(), "\r\nD MyCloseHandle CLOSED HANDLE 77");
}

TEST_F(ScsiCapacityTest, UnopenableDriveGivesZeroAndOneTrace) {
  ctx.state.DRV_MODEL = "kept";
  EXPECT_CALL(os, CreateFileA("\\\\.\\PhysicalDrive9", _, _, _, _)).WillOnce(Return(-1));
  EXPECT_CALL(os, DeviceIoControl(_, _, _, _, _)).Times(0);
  EXPECT_CALL(os, CloseHandle(_)).Times(0);
  EXPECT_EQ(GetSCSICapacity(ctx, "9"), 0.0);
  EXPECT_EQ(ctx.state.DRV_MODEL, "kept");
  EXPECT_EQ(Log(), "\r\nD GetSCSICapacity - Handle for PhysicalDrive9 not obtained!");
}

TEST_F(ScsiCapacityTest, TheHandleIsClosedExactlyOnce) {
  drv.readCapacity = Capacity(0x003FFFFF, 512);
  EXPECT_CALL(os, CloseHandle(kH)).Times(1);
  GetSCSICapacity(ctx, "3");
}

TEST_F(ScsiCapacityTest, DiskLengthAsksWithAnEightByteAnswerAndNeverForMinusOne) {
  EXPECT_EQ(GetDiskLength(ctx, -1), 0);
  drv.length = 123'456'789'012;
  EXPECT_CALL(os, DeviceIoControl(kH, win::IOCTL_DISK_GET_LENGTH_INFO, ::testing::IsEmpty(),
                                  ::testing::SizeIs(8u), _));
  EXPECT_EQ(GetDiskLength(ctx, kH), 123'456'789'012);
}

// --- Bus type ----------------------------------------------------------------------------------

TEST_F(ScsiCapacityTest, BusTypeQueryOpensWithoutAccessAndReadsByte28) {
  struct Row {
    std::uint8_t busType;
    bool answered;
    bool usb;
  };
  const Row rows[] = {{7, true, true}, {11, true, false}, {12, true, false}, {7, false, false}};
  for (const Row& r : rows) {
    SCOPED_TRACE(static_cast<int>(r.busType));
    EXPECT_CALL(os, CreateFileA("\\\\.\\PhysicalDrive12", 0u, 0u, win::OPEN_EXISTING, 0u))
        .WillOnce(Return(kH));
    EXPECT_CALL(os, DeviceIoControl(kH, win::IOCTL_STORAGE_QUERY_PROPERTY, _, _, _))
        .WillOnce([&](platform::Handle, std::uint32_t, std::span<const std::uint8_t> in,
                      std::span<std::uint8_t> out, std::uint32_t& returned) {
          EXPECT_EQ(in.size(), 12u);
          EXPECT_TRUE(std::all_of(in.begin(), in.end(), [](std::uint8_t b) { return b == 0; }));
          EXPECT_EQ(out.size(), 512u);
          EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; }));
          returned = 0;
          if (!r.answered) return false;
          out[28] = r.busType;
          returned = 40;
          return true;
        });
    EXPECT_CALL(os, CloseHandle(kH)).Times(1);
    EXPECT_EQ(IsUSBDisk(ctx, "123"), r.usb);
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
  EXPECT_EQ(Log(), "") << "the bus query writes no trace";
}

TEST_F(ScsiCapacityTest, BusTypeOfAnUnopenableDriveIsNotUsbAndClosesNothing) {
  EXPECT_CALL(os, CreateFileA("\\\\.\\PhysicalDrive5", _, _, _, _)).WillOnce(Return(-1));
  EXPECT_CALL(os, DeviceIoControl(_, _, _, _, _)).Times(0);
  EXPECT_CALL(os, CloseHandle(_)).Times(0);
  EXPECT_FALSE(IsUSBDisk(ctx, 5));
}

}  // namespace
}  // namespace sw::diskio
