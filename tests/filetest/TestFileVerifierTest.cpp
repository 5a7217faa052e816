// The verifier and the interim check: what a test file must hold to count as good, and which
// damage goes unnoticed because only every second marker is read.
#include <gtest/gtest.h>

#include "filetest/FileTestFixture.h"
#include "filetest/TestFileFormat.h"
#include "filetest/TestFileVerifier.h"
#include "filetest/TestFileWriter.h"

namespace sw::filetest::testing {
namespace {

class VerifierTest : public FileTestFixture {
 protected:
  void SetUp() override {
    FileTestFixture::SetUp();
    AddStick(1, "E:", 8 * kFull);
    PrepareTestPattern(ctx);
    ctx.state.TestStartTime = kClock;
    ctx.state.TestFileCount = 3;
  }
  void WriteFile(std::int32_t n, std::int32_t size) {
    ctx.state.TestFileSize = size;
    WriteTestFile(ctx, n);
    ASSERT_FALSE(ctx.state.FileTestError);
  }
};

struct Damage {
  const char* what;
  std::uint64_t offset;
  std::uint8_t value;
  bool stillGood;
};

class VerifierDamageTest : public VerifierTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(VerifierDamageTest, OnlyTheHeaderAndTheOddMarkersCount) {
  const Damage& d = GetParam();
  WriteFile(5, kFull);
  PokeByte("WARDFILE5.tmp", d.offset, d.value);
  ctx.state.TestFileSize = kFull;
  ctx.state.GoodFileCount = 2;
  EXPECT_EQ(VerifyTestFile(ctx, 5), d.stillGood) << d.what;
  EXPECT_EQ(ctx.state.GoodFileCount, d.stillGood ? 3 : 2) << d.what;
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, VerifierDamageTest,
    ::testing::Values(Damage{"intact (a filler byte rewritten as it was)", 100, 0xA5, true},
                      Damage{"another file's number in the header", 0, 6, false},
                      Damage{"a high byte of the number", 3, 1, false},
                      Damage{"an F of the header", 5, 'G', false},
                      Damage{"the line break of the header", 7, 0, true},
                      Damage{"first odd marker", 16'384, 0, false},
                      Damage{"an odd marker in the second chunk", 16'384 + 32'768 * 2'000, 4,
                             false},
                      Damage{"the last odd marker", kFull - 16'384, 0, false},
                      Damage{"an even marker", 32'768, 0, true},
                      Damage{"a chunk-start marker", kChunk, 0, true},
                      Damage{"a chunk-start zero byte", kChunk + 3, 0xA5, true},
                      Damage{"the filler", 16'385, 0, true}));

TEST_F(VerifierTest, ReadsTheHeaderAndEveryOddMarkerOnce) {
  WriteFile(1, kFull);
  os.reads = 0;
  ctx.state.TestFileSize = kFull;
  EXPECT_TRUE(VerifyTestFile(ctx, 1));
  EXPECT_EQ(os.reads, 1 + 6'400);
}

TEST_F(VerifierTest, AFileShorterThanExpectedFails) {
  WriteFile(1, kChunk);
  ctx.state.TestFileSize = kFull;
  EXPECT_FALSE(VerifyTestFile(ctx, 1));
  EXPECT_EQ(ctx.state.GoodFileCount, 0);
}

TEST_F(VerifierTest, AFileWithOnlyPartOfItsHeaderFails) {
  const std::uint8_t stub[3] = {1, 0, 0};
  ASSERT_TRUE(sim.AddVolumeFile("E:", "WARDFILE1.tmp", stub));
  ctx.state.TestFileSize = 0;
  EXPECT_FALSE(VerifyTestFile(ctx, 1));
}

TEST_F(VerifierTest, AMissingFileFails) {
  ctx.state.TestFileSize = 0;
  EXPECT_FALSE(VerifyTestFile(ctx, 4));
  EXPECT_EQ(ctx.state.GoodFileCount, 0);
}

TEST_F(VerifierTest, CancelMakesAGoodFileUncounted) {
  WriteFile(1, 1024);
  ctx.state.TestFileSize = 1024;
  win.onDoEvents = [&](int) { ctx.state.CancelRequested = true; };
  EXPECT_FALSE(VerifyTestFile(ctx, 1));
  EXPECT_EQ(ctx.state.GoodFileCount, 0);
}

TEST_F(VerifierTest, InterimCheckOfGoodFilesSaysOk) {
  for (std::int32_t n = 1; n <= 3; ++n) WriteFile(n, kFull);
  win.SetText(core::Control::Text1, "");
  ctx.state.TestFileSize = kFull;
  ctx.state.GoodFileCount = 7;
  VerifyFilesSoFar(ctx, 3);
  EXPECT_FALSE(ctx.state.FileTestError);
  EXPECT_EQ(ctx.state.GoodFileCount, 3);
  EXPECT_EQ(win.Text(core::Control::Text1), " Checking... OK");
}

TEST_F(VerifierTest, InterimCheckGoesOnAfterABadFile) {
  for (std::int32_t n = 1; n <= 3; ++n) WriteFile(n, kFull);
  PokeByte("WARDFILE1.tmp", 16'384, 0);
  win.SetText(core::Control::Text1, "");
  ctx.state.TestFileSize = kFull;
  VerifyFilesSoFar(ctx, 3);
  EXPECT_TRUE(ctx.state.FileTestError);
  EXPECT_EQ(ctx.state.GoodFileCount, 2);  // files 2 and 3 were still read
  EXPECT_EQ(win.Text(core::Control::Text1), " Checking...");
}

TEST_F(VerifierTest, InterimCheckAfterAnEarlierErrorSaysNothingMore) {
  WriteFile(1, kFull);
  ctx.state.FileTestError = true;
  win.SetText(core::Control::Text1, "");
  ctx.state.TestFileSize = kFull;
  VerifyFilesSoFar(ctx, 1);
  EXPECT_EQ(ctx.state.GoodFileCount, 1);
  EXPECT_EQ(win.Text(core::Control::Text1), " Checking...");
}

}  // namespace
}  // namespace sw::filetest::testing
