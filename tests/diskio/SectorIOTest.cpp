// Raw sector transfers: 64-bit offsets and their halves, refused counts, failure paths, and the
// bytes that reach the simulated device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "diskio/MockOs.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/PinnedDrive.h"
#include "diskio/SectorIO.h"
#include "diskio/SimFixture.h"
#include "platform/WinApi.h"
#include "support/ScriptedWindow.h"

namespace sw::diskio {
namespace {

using ::testing::_;
using ::testing::InSequence;
using ::testing::Return;
using ::testing::StrictMock;

constexpr platform::Handle kDrive = 42;

struct SectorIOMockTest : ::testing::Test {
  StrictMock<testing::MockOs> os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
  void SetUp() override {
    ctx.state.hDrive = kDrive;
    ctx.state.SectorBuffer.Resize(4097);
  }
};

struct OffsetRow {
  std::int64_t sector;
  std::int32_t count;
  std::int64_t offset;
  std::uint32_t offsetLow, offsetHigh, lengthLow;
};

TEST_F(SectorIOMockTest, WriteCarriesTheOffsetIn64BitsAndSplitsItForTheRangeLock) {
  const OffsetRow rows[] = {
      {0, 1, 0, 0, 0, 512},
      {8'388'607, 1, 4'294'966'784, 0xFFFFFE00u, 0, 512},
      {8'388'608, 1, 4'294'967'296, 0, 1, 512},
      {8'388'609, 2, 4'294'967'808, 512, 1, 1024},
      {62'521'343, 1, 32'010'927'616, 0x73FFFE00u, 7, 512},  // last sector of a 32 GB stick
      {1ll << 32, 8, 1ll << 41, 0, 0x200, 4096},
  };
  for (const OffsetRow& r : rows) {
    SCOPED_TRACE(r.sector);
    InSequence order;
    EXPECT_CALL(os, SetFilePointerEx(kDrive, r.offset, _, win::FILE_BEGIN)).WillOnce(Return(true));
    EXPECT_CALL(os, LockFile(kDrive, r.offsetLow, r.offsetHigh, r.lengthLow, 0u))
        .WillOnce(Return(true));
    EXPECT_CALL(os, WriteFile(kDrive, _, _))
        .WillOnce([&](platform::Handle, std::span<const std::uint8_t> b, std::uint32_t& n) {
          EXPECT_EQ(b.data(), ctx.state.SectorBuffer.data());
          EXPECT_EQ(b.size(), r.lengthLow);
          n = static_cast<std::uint32_t>(b.size());
          return true;
        });
    EXPECT_CALL(os, FlushFileBuffers(kDrive)).WillOnce(Return(true));
    EXPECT_CALL(os, UnlockFile(kDrive, r.offsetLow, r.offsetHigh, r.lengthLow, 0u))
        .WillOnce(Return(true));
    EXPECT_TRUE(WriteSectors(ctx, r.sector, r.count));
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
}

TEST_F(SectorIOMockTest, ReadSeeksThenReadsIntoTheStartOfSectorBuffer) {
  InSequence order;
  EXPECT_CALL(os, SetFilePointerEx(kDrive, 4'294'967'296, _, win::FILE_BEGIN))
      .WillOnce(Return(true));
  EXPECT_CALL(os, ReadFile(kDrive, _, _))
      .WillOnce([&](platform::Handle, std::span<std::uint8_t> b, std::uint32_t& n) {
        EXPECT_EQ(b.data(), ctx.state.SectorBuffer.data());
        EXPECT_EQ(b.size(), 512u);
        n = 512;
        return true;
      });
  EXPECT_TRUE(ReadSectors(ctx, 8'388'608, 1));
}

TEST_F(SectorIOMockTest, CountsThatAreNotPositiveOrOverflowTheBufferMakeNoSystemCall) {
  struct Row {
    std::size_t bufferBytes;
    std::int64_t sector;
    std::int32_t count;
  };
  const Row refused[] = {
      {4097, 0, 0},  {4097, 0, -1}, {4097, 0, 9},   // 9 x 512 = 4,608 > 4,097
      {512, 0, 2},   {0, 0, 1},     {4097, -1, 1},  // a negative sector has no byte offset
      {4097, 0, 0x7FFFFFFF},                        // the byte count would not even fit 32 bits
      {4097, std::int64_t{1} << 60, 1},             // the byte offset would not fit 64 bits
  };
  for (const Row& r : refused) {
    SCOPED_TRACE(::testing::Message() << r.bufferBytes << " " << r.sector << " " << r.count);
    ctx.state.SectorBuffer.Resize(r.bufferBytes);
    EXPECT_FALSE(ReadSectors(ctx, r.sector, r.count));
    EXPECT_FALSE(WriteSectors(ctx, r.sector, r.count));
  }
}

TEST_F(SectorIOMockTest, TheLargestTransferThatFitsTheBufferGoesAhead) {
  EXPECT_CALL(os, SetFilePointerEx(kDrive, 0, _, win::FILE_BEGIN)).WillOnce(Return(true));
  EXPECT_CALL(os, ReadFile(kDrive, ::testing::SizeIs(4096u), _))
      .WillOnce([](platform::Handle, std::span<std::uint8_t> b, std::uint32_t& n) {
        n = static_cast<std::uint32_t>(b.size());
        return true;
      });
  EXPECT_TRUE(ReadSectors(ctx, 0, 8));  // 4,096 of 4,097 bytes
}

TEST_F(SectorIOMockTest, FailedSeekTransfersNothingEvenWhenTriedAgain) {
  EXPECT_CALL(os, SetFilePointerEx(kDrive, 1024, _, win::FILE_BEGIN)).Times(4).WillRepeatedly(Return(false));
  EXPECT_CALL(os, GetLastError()).WillRepeatedly(Return(win::ERROR_IO_DEVICE));
  EXPECT_FALSE(ReadSectors(ctx, 2, 1));
  EXPECT_FALSE(WriteSectors(ctx, 2, 1));
}

TEST_F(SectorIOMockTest, FailedWriteIsNotFlushedButItsGrantedRangeLockIsReleased) {
  InSequence order;
  EXPECT_CALL(os, SetFilePointerEx(_, 512, _, _)).WillOnce(Return(true));
  EXPECT_CALL(os, LockFile(kDrive, 512u, 0u, 512u, 0u)).WillOnce(Return(true));
  EXPECT_CALL(os, WriteFile(_, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, GetLastError()).WillOnce(Return(win::ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_CALL(os, UnlockFile(kDrive, 512u, 0u, 512u, 0u)).WillOnce(Return(true));
  EXPECT_FALSE(WriteSectors(ctx, 1, 1));
}

TEST_F(SectorIOMockTest, RefusedRangeLockDoesNotStopTheWrite) {
  InSequence order;
  EXPECT_CALL(os, SetFilePointerEx(_, _, _, _)).WillOnce(Return(true));
  EXPECT_CALL(os, LockFile(_, _, _, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, WriteFile(_, _, _)).WillOnce([](platform::Handle, std::span<const std::uint8_t> b, std::uint32_t& n) {
    n = static_cast<std::uint32_t>(b.size());
    return true;
  });
  EXPECT_CALL(os, FlushFileBuffers(_)).WillOnce(Return(true));
  EXPECT_CALL(os, UnlockFile(_, _, _, _, _)).WillOnce(Return(false));
  EXPECT_TRUE(WriteSectors(ctx, 1, 1));
}

TEST_F(SectorIOMockTest, FailedWriteWithoutRangeLockHasNothingToRelease) {
  InSequence order;
  EXPECT_CALL(os, SetFilePointerEx(_, _, _, _)).WillOnce(Return(true));
  EXPECT_CALL(os, LockFile(_, _, _, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, WriteFile(_, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, GetLastError()).WillOnce(Return(win::ERROR_DEVICE_NOT_CONNECTED));
  EXPECT_FALSE(WriteSectors(ctx, 1, 1));
}

// --- Checked results and the one retry -------------------------------------------------------

// What the system answers to one attempt of a one-sector transfer.
struct Answer {
  bool call = true;          // ReadFile / WriteFile returns nonzero
  std::uint32_t bytes = 512; // the count it reports
  bool flush = true;         // FlushFileBuffers (writes only)
  std::uint32_t error = win::ERROR_IO_DEVICE;  // GetLastError after a failed call
};

struct RetryRow {
  const char* what;
  std::vector<Answer> answers;  // one per attempt the transfer must make
  bool ok;
  bool forWrites = true, forReads = true;
};

const Answer kGood{};
const Answer kRefused{false, 0, true, win::ERROR_IO_DEVICE};
const Answer kShort{true, 511, true, 0};
const Answer kUnflushed{true, 512, false, win::ERROR_IO_DEVICE};
const Answer kGone{false, 0, true, win::ERROR_DEVICE_NOT_CONNECTED};
const Answer kNoDevice{false, 0, true, win::ERROR_FILE_NOT_FOUND};

const RetryRow kRetryRows[] = {
    {"good at once", {kGood}, true},
    {"one hiccup, rescued", {kRefused, kGood}, true},
    {"two failures in a row", {kRefused, kRefused}, false},
    {"short, then whole", {kShort, kGood}, true},
    {"short twice", {kShort, kShort}, false},
    {"a flush that fails, then one that holds", {kUnflushed, kGood}, true, true, false},
    {"flush fails twice", {kUnflushed, kUnflushed}, false, true, false},
    {"device not connected: no second try", {kGone}, false},
    {"no such device: no second try", {kNoDevice}, false},
};

TEST_F(SectorIOMockTest, EveryResultIsCheckedAndAFailedTransferIsTriedOnceMore) {
  for (const RetryRow& row : kRetryRows) {
    for (const bool writing : {true, false}) {
      if (writing ? !row.forWrites : !row.forReads) continue;
      SCOPED_TRACE(std::string(row.what) + (writing ? " (write)" : " (read)"));
      ctx.state.LastRun = {};
      std::size_t attempt = 0;
      const std::size_t attempts = row.answers.size();
      EXPECT_CALL(os, SetFilePointerEx(kDrive, 512 * 7, _, win::FILE_BEGIN))
          .Times(static_cast<int>(attempts))
          .WillRepeatedly(Return(true));
      EXPECT_CALL(os, GetLastError()).WillRepeatedly([&] { return row.answers[attempt - 1].error; });
      if (writing) {
        EXPECT_CALL(os, LockFile(_, _, _, _, _)).Times(static_cast<int>(attempts)).WillRepeatedly(Return(true));
        EXPECT_CALL(os, UnlockFile(_, _, _, _, _)).Times(static_cast<int>(attempts)).WillRepeatedly(Return(true));
        EXPECT_CALL(os, WriteFile(kDrive, _, _))
            .Times(static_cast<int>(attempts))
            .WillRepeatedly([&](platform::Handle, std::span<const std::uint8_t>, std::uint32_t& n) {
              const Answer& a = row.answers[attempt++];
              n = a.bytes;
              return a.call;
            });
        EXPECT_CALL(os, FlushFileBuffers(kDrive)).WillRepeatedly([&] { return row.answers[attempt - 1].flush; });
        EXPECT_EQ(WriteSectors(ctx, 7, 1), row.ok);
      } else {
        EXPECT_CALL(os, ReadFile(kDrive, _, _))
            .Times(static_cast<int>(attempts))
            .WillRepeatedly([&](platform::Handle, std::span<std::uint8_t>, std::uint32_t& n) {
              const Answer& a = row.answers[attempt++];
              n = a.bytes;
              return a.call;
            });
        EXPECT_EQ(ReadSectors(ctx, 7, 1), row.ok);
      }
      // One request per transfer, however many attempts it took: a rescued hiccup is no error.
      const core::TransferFigures& t = ctx.state.LastRun.transfers;
      EXPECT_EQ(writing ? t.writeRequests : t.readRequests, 1u);
      EXPECT_EQ(writing ? t.writeErrors : t.readErrors, row.ok ? 0u : 1u);
      EXPECT_EQ(writing ? t.bytesWritten : t.bytesRead, row.ok ? 512u : 0u);
      ::testing::Mock::VerifyAndClearExpectations(&os);
    }
  }
}

TEST_F(SectorIOMockTest, ACallerThatRetriesItselfGetsOneAttempt) {
  EXPECT_CALL(os, SetFilePointerEx(_, _, _, _)).Times(2).WillRepeatedly(Return(true));
  EXPECT_CALL(os, GetLastError()).WillRepeatedly(Return(win::ERROR_IO_DEVICE));
  EXPECT_CALL(os, LockFile(_, _, _, _, _)).WillOnce(Return(true));
  EXPECT_CALL(os, WriteFile(_, _, _)).WillOnce(Return(false));
  EXPECT_CALL(os, UnlockFile(_, _, _, _, _)).WillOnce(Return(true));
  EXPECT_CALL(os, ReadFile(_, _, _)).WillOnce(Return(false));
  EXPECT_FALSE(WriteSectors(ctx, 3, 1, Retry::None));
  EXPECT_FALSE(ReadSectors(ctx, 3, 1, Retry::None));
}

// During a test the handle is checked against the pinned drive before the second attempt; a
// handle that answers for no device gets none. Outside a test hDrive may be a drive being listed,
// which the pin says nothing about.
TEST_F(SectorIOMockTest, AHandleThatNoLongerReachesThePinnedDriveIsNotTriedAgain) {
  for (const bool running : {true, false}) {
    SCOPED_TRACE(running ? "during a test" : "outside a test");
    ctx.state.Pinned = core::PinnedDrive{};
    ctx.state.Pinned->identity.DiskNumber = 1;
    ctx.state.IdentityLost = core::IdentityCheck::Same;
    ctx.state.TestRunning = running;
    const int attempts = running ? 1 : 2;
    EXPECT_CALL(os, GetTickCount()).WillRepeatedly(Return(5000u));
    EXPECT_CALL(os, SetFilePointerEx(_, _, _, _)).Times(attempts).WillRepeatedly(Return(true));
    EXPECT_CALL(os, ReadFile(_, _, _)).Times(attempts).WillRepeatedly(Return(false));
    EXPECT_CALL(os, GetLastError()).WillRepeatedly(Return(win::ERROR_IO_DEVICE));
    EXPECT_CALL(os, DeviceIoControl(_, _, _, _, _)).WillRepeatedly(Return(false));
    EXPECT_FALSE(ReadSectors(ctx, 3, 1));
    EXPECT_EQ(ctx.state.IdentityLost, running ? core::IdentityCheck::Gone : core::IdentityCheck::Same);
    ::testing::Mock::VerifyAndClearExpectations(&os);
  }
}

// --- On a simulated stick --------------------------------------------------------------------

using SectorIOSimTest = SimFixture;

TEST_F(SectorIOSimTest, WrittenSectorReachesTheDeviceAndReadsBackWithoutTouchingTheRest) {
  sim.AddDrive(1, Stick(8ull << 20));  // 16,384 sectors
  ctx.state.DebugMode = false;
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  core::AlignedBuffer& buf = ctx.state.SectorBuffer;
  for (std::size_t i = 0; i < 512; ++i) buf[i] = static_cast<std::uint8_t>(i * 7 + 1);
  ASSERT_TRUE(WriteSectors(ctx, 16'383, 1));
  const std::vector<std::uint8_t> onDevice = sim.PeekSector(1, 16'383);
  ASSERT_EQ(onDevice.size(), 512u);
  EXPECT_TRUE(std::equal(onDevice.begin(), onDevice.end(), buf.data()));

  buf.Fill(0xEE);
  ASSERT_TRUE(ReadSectors(ctx, 16'383, 1));
  EXPECT_TRUE(std::equal(onDevice.begin(), onDevice.end(), buf.data()));
  for (std::size_t i = 512; i < buf.size(); ++i) ASSERT_EQ(buf[i], 0xEE) << "index " << i;

  EXPECT_FALSE(ReadSectors(ctx, 16'384, 1)) << "a read past the end must fail";
  EXPECT_FALSE(WriteSectors(ctx, 16'384, 1)) << "a write past the end must fail";
  MyCloseHandle(ctx, ctx.state.hDrive);
}

// A 4Kn drive takes whole 4,096-byte sectors only: 512-byte sectors are read out of its own and
// written into them, and the other bytes of each of its sectors stay as they were.
TEST_F(SectorIOSimTest, On4KnDrivesEachSectorMovesAloneAndItsNeighboursKeepTheirBytes) {
  struct Row {
    const char* name;
    std::int64_t sector;
    std::int32_t count;
  };
  const Row rows[] = {
      {"inside one 4 KiB sector", 3, 1},       {"the first of one", 8, 1},
      {"the last of one", 15, 1},              {"across two", 7, 2},
      {"a whole one", 16, 8},                  {"one and a part of the next", 24, 9},
      {"the drive's last 512 bytes", 2047, 1}, {"across three", 5, 18},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    platform::sim::SimDriveSpec config = Stick(1ull << 20);  // 2,048 sectors of 512 bytes
    config.blockLength = 4096;
    sim.AddDrive(1, config);
    ctx.state.DebugMode = false;
    ctx.state.SectorBuffer.Resize(64 * 512);
    ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
    EXPECT_EQ(DriveSectorBytes(ctx), 4096u);
    // Every sector of the drive holds its own number first.
    const auto pattern = [](std::int64_t sector, std::size_t byte) {
      return static_cast<std::uint8_t>(sector * 3 + static_cast<std::int64_t>(byte % 7));
    };
    core::AlignedBuffer& buf = ctx.state.SectorBuffer;
    for (std::int64_t s = 0; s < 2048; s += 64) {
      for (std::size_t i = 0; i < 64 * 512; ++i) buf[i] = pattern(s + static_cast<std::int64_t>(i / 512), i % 512);
      EXPECT_TRUE(WriteSectors(ctx, s, 64));
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(row.count) * 512; ++i) buf[i] = 0xA5;
    EXPECT_TRUE(WriteSectors(ctx, row.sector, row.count));
    std::int64_t wrongSectors = 0;
    for (std::int64_t s = 0; s < 2048; ++s) {
      const std::vector<std::uint8_t> onDevice = sim.PeekSector(1, static_cast<std::uint64_t>(s));
      const bool written = s >= row.sector && s < row.sector + row.count;
      for (std::size_t i = 0; i < 512; ++i) {
        if (onDevice[i] != (written ? std::uint8_t{0xA5} : pattern(s, i))) {
          ADD_FAILURE() << "sector " << s << " byte " << i;
          ++wrongSectors;
          break;
        }
      }
    }
    EXPECT_EQ(wrongSectors, 0);
    buf.Fill(0);
    EXPECT_TRUE(ReadSectors(ctx, row.sector, row.count));
    EXPECT_EQ(std::count(buf.data(), buf.data() + row.count * 512, std::uint8_t{0xA5}), row.count * 512);
    MyCloseHandle(ctx, ctx.state.hDrive);
    sim.RemoveDrive(1);
  }
}

// The drive itself refuses a 512-byte transfer: the sectors above moved through its own.
TEST_F(SectorIOSimTest, A4KnDriveRefusesWhatIsNotAWholeSectorOfItsOwn) {
  platform::sim::SimDriveSpec config = Stick(1ull << 20);
  config.blockLength = 4096;
  sim.AddDrive(1, config);
  const platform::Handle h = sim.CreateFileA(R"(\\.\PhysicalDrive1)", win::GENERIC_READ, win::FILE_SHARE_READ,
                                             win::OPEN_EXISTING, 0);
  ASSERT_NE(h, platform::kInvalidHandle);
  core::AlignedBuffer buf(4096);
  std::uint32_t got = 0;
  EXPECT_FALSE(sim.ReadFile(h, buf.span().first(512), got));
  EXPECT_EQ(sim.GetLastError(), win::ERROR_INVALID_PARAMETER);
  EXPECT_TRUE(sim.ReadFile(h, buf.span(), got));
  EXPECT_EQ(got, 4096u);
  sim.CloseHandle(h);
}

TEST_F(SectorIOSimTest, TransfersOnAClosedDriveFail) {
  ctx.state.hDrive = -1;
  EXPECT_FALSE(ReadSectors(ctx, 0, 1));
  EXPECT_FALSE(WriteSectors(ctx, 0, 1));
}

// Failed transfers of a fake that fails everything past its memory come by the thousand: the
// pinned drive is looked up again at most once a second, and a drive that is gone says so by its
// error in between.
TEST_F(SectorIOSimTest, ThePinIsLookedAtAgainAtMostOnceASecondOfFailures) {
  sim.AddDrive(1, Stick(8ull << 20));
  ctx.state.DebugMode = false;
  ASSERT_TRUE(PinDrive(ctx, 1));
  ctx.state.TestRunning = true;
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  const auto lookups = [&] { return os.ControlCount(win::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX); };
  const std::size_t before = lookups();
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(ReadSectors(ctx, 16'384, 1)) << "past the end";
  EXPECT_EQ(lookups(), before + 1) << "one look for three failures within a second";
  sim.Advance(1000);
  EXPECT_FALSE(ReadSectors(ctx, 16'384, 1));
  EXPECT_EQ(lookups(), before + 2) << "a second later it looks again";
  EXPECT_TRUE(ReadSectors(ctx, 16'383, 1));
  ctx.state.TestRunning = false;
  MyCloseHandle(ctx, ctx.state.hDrive);
}

TEST_F(SectorIOSimTest, RemovedDriveFailsItsTransfers) {
  sim.AddDrive(1, Stick(8ull << 20));
  ctx.state.DebugMode = false;
  ASSERT_TRUE(Open_Physical_Disk_hDrive(ctx, 1));
  ASSERT_TRUE(ReadSectors(ctx, 0, 1));
  sim.RemoveDrive(1);
  EXPECT_FALSE(ReadSectors(ctx, 0, 1));
  EXPECT_FALSE(WriteSectors(ctx, 0, 1));
  MyCloseHandle(ctx, ctx.state.hDrive);
}

}  // namespace
}  // namespace sw::diskio
