// The test file writer: the layout byte by byte, the writes it issues, its log text, its cancel
// points and its failures.
#include <gtest/gtest.h>

#include "filetest/FileTestFixture.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileWriter.h"
#include "platform/WinApi.h"

namespace sw::filetest::testing {
namespace {

using platform::sim::FileFault;

class WriterTest : public FileTestFixture {
 protected:
  void SetUp() override {
    FileTestFixture::SetUp();
    AddStick(1, "E:", 4 * kFull);
    PrepareTestPattern(ctx);
    ctx.state.TestStartTime = kClock;
    ctx.state.TestFileCount = 3;
  }
  void Write(std::int32_t n, std::int32_t size) {
    ctx.state.TestFileSize = size;
    WriteTestFile(ctx, n);
  }
};

TEST_F(WriterTest, FullFileHoldsTheLayoutInFourChunkWrites) {
  Write(1, kFull);
  EXPECT_FALSE(ctx.state.FileTestError);
  EXPECT_TRUE(FileHoldsLayout("WARDFILE1.tmp", 1, kFull));
  EXPECT_EQ(os.writeSizes, (std::vector<std::size_t>{kChunk, kChunk, kChunk, kChunk}));
  ASSERT_EQ(os.opens.size(), 1u);
  EXPECT_EQ(os.opens[0].name, "E:\\WARDFILE1.tmp");
  EXPECT_EQ(os.opens[0].access, win::GENERIC_WRITE);
  EXPECT_EQ(os.opens[0].share, 0u);
  EXPECT_EQ(os.opens[0].disposition, win::CREATE_ALWAYS);
  EXPECT_EQ(os.opens[0].flags, 0xA0000080u);
  // The chunk boundary spelled out: marker, then eight zero bytes, then filler.
  const std::vector<std::uint8_t> boundary = sim.PeekFile("E:", "WARDFILE1.tmp", kChunk - 1, 11);
  EXPECT_EQ(boundary, (std::vector<std::uint8_t>{0xA5, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0xA5}));
}

TEST_F(WriterTest, LaterFilesOverwriteTheMarkersAndTheHeaderOfEarlierOnes) {
  Write(1, kFull);
  Write(258, kFull);  // 258 = 0x0102: two header bytes, marker 0x02
  EXPECT_TRUE(FileHoldsLayout("WARDFILE258.tmp", 258, kFull, kChunk + 16'384));
  EXPECT_EQ(sim.PeekFile("E:", "WARDFILE258.tmp", 0, 9),
            (std::vector<std::uint8_t>{0x02, 0x01, 0, 0, 'F', 'F', 'F', 0x0D, 0x0A}));
}

TEST_F(WriterTest, MarkersOfFile165EqualTheFiller) {
  Write(165, kFull);
  EXPECT_TRUE(FileHoldsLayout("WARDFILE165.tmp", 165, kFull, kChunk + 16'384));
  EXPECT_EQ(sim.PeekFile("E:", "WARDFILE165.tmp", 16'384, 1), (std::vector<std::uint8_t>{0xA5}));
}

TEST_F(WriterTest, SmallFileIsOneWrite) {
  Write(2, 1024);
  EXPECT_FALSE(ctx.state.FileTestError);
  EXPECT_EQ(os.writeSizes, (std::vector<std::size_t>{1024}));
  EXPECT_TRUE(FileHoldsLayout("WARDFILE2.tmp", 2, 1024));
}

// 60,000,000 bytes are one full chunk and a remainder of 7,571,200, which is not a whole number
// of sectors: unbuffered, the platform refuses that second write, and the file fails.
TEST_F(WriterTest, SixtyMillionBytesAreAChunkAndARemainderThatUnbufferedWritesRefuse) {
  os.keepWriteData = true;
  Write(7, 60'000'000);
  ASSERT_EQ(os.writeSizes, (std::vector<std::size_t>{kChunk, 7'571'200}));
  EXPECT_EQ(os.writeResults, (std::vector<bool>{true, false}));
  EXPECT_TRUE(ctx.state.FileTestError);
  // What was handed to the system is the layout all the same.
  std::uint64_t offset = 0;
  for (const std::vector<std::uint8_t>& chunk : os.writeData) {
    EXPECT_TRUE(chunk == ExpectedBytes(7, offset, chunk.size())) << "write at " << offset;
    offset += chunk.size();
  }
  EXPECT_EQ(offset, 60'000'000u);
}

TEST_F(WriterTest, LogsThePathAndFromTheSecondFileOnTheEstimate) {
  win.SetText(core::Control::Text1, "");
  Write(1, 1024);
  // File 2 of 3 after 100 s for file 1: files 2 and 3 to write (200 s), three to verify at a
  // third of that pace (100 s).
  sim.SetNow(kClock + 100);
  Write(2, 1024);
  EXPECT_EQ(win.Text(core::Control::Text1),
            " Writing E:\\WARDFILE1.tmp Writing E:\\WARDFILE2.tmp, 00:05:00 remaining ");
}

TEST_F(WriterTest, WriteFailureSetsTheErrorAndClosesTheFile) {
  AddStick(2, "F:", 4 * kFull, FileFault::FailWrite, kChunk);
  ctx.state.SelectedVolume = "F:";
  Write(1, kFull);
  EXPECT_TRUE(ctx.state.FileTestError);
  EXPECT_EQ(os.writeResults, (std::vector<bool>{true, false}));
}

// Every chunk went in, but the flush says the volume could not keep them: the file failed, and
// the flush's reason is the one the run reports.
TEST_F(WriterTest, AFailedFlushFailsTheFileWithItsReason) {
  for (const std::uint32_t error : {win::ERROR_DISK_FULL, win::ERROR_DEVICE_NOT_CONNECTED}) {
    SCOPED_TRACE(error);
    ctx.state.FileTestError = false;
    ctx.state.FileTestLastError = 0;
    os.flushFault = [error] { return error; };
    Write(1, kFull);
    EXPECT_TRUE(ctx.state.FileTestError);
    EXPECT_EQ(ctx.state.FileTestLastError, error);
  }
  os.flushFault = nullptr;
  ctx.state.FileTestError = false;
  Write(1, kFull);
  EXPECT_FALSE(ctx.state.FileTestError) << "a flush that holds";
}

TEST_F(WriterTest, AReadOnlyFileOfTheSameNameCannotBeReplaced) {
  const std::uint8_t old[4] = {1, 2, 3, 4};
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", old, {.readOnly = true}));
  Write(1, 1024);
  EXPECT_TRUE(ctx.state.FileTestError);
  EXPECT_TRUE(os.writeSizes.empty());
}

// The writer yields five times: before creating the file, before each of chunks 2 to 4, and
// before the flush. Cancel is seen at the next yield.
struct CancelCase {
  int atYield;
  bool fileTestError;
  std::optional<std::uint64_t> bytesOnDisk;  // nothing: no file created
};

class WriterCancelTest : public WriterTest, public ::testing::WithParamInterface<CancelCase> {};

TEST_P(WriterCancelTest, CancelTakesEffectAtTheNextYield) {
  const CancelCase& c = GetParam();
  win.onDoEvents = [&](int k) {
    if (k == c.atYield) ctx.state.CancelRequested = true;
  };
  Write(1, kFull);
  EXPECT_EQ(ctx.state.FileTestError, c.fileTestError);
  EXPECT_EQ(sim.VolumeFileSize("E:", "WARDFILE1.tmp"), c.bytesOnDisk);
}

INSTANTIATE_TEST_SUITE_P(
    Yields, WriterCancelTest,
    ::testing::Values(CancelCase{1, false, std::nullopt},  // before creation: a quiet return
                      CancelCase{2, true, kChunk},         // after the first chunk
                      CancelCase{4, true, 3 * kChunk},     // before the fourth chunk
                      CancelCase{5, false, kFull}));       // after the last chunk: completed

}  // namespace
}  // namespace sw::filetest::testing
