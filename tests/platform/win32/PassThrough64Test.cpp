// The repack of the core's 32-bit pass-through block for a 64-bit driver and back: every field
// the driver reads or answers must land where the other side looks for it.
#include "platform/win32/PassThrough64.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ntddscsi.h>

#include <cstring>

namespace sw::platform::win32 {
namespace {

constexpr std::size_t kCoreBlockSent = 585;  // what the capacity query offers in and out
constexpr std::size_t kSense32 = 44;
constexpr std::size_t kData32 = 76;

// The READ CAPACITY(10) request as the capacity query lays it out.
std::vector<std::uint8_t> CoreReadCapacity() {
  std::vector<std::uint8_t> b(kCoreBlockSent, 0);
  b[0] = 44;
  b[4] = 1;   // TargetId
  b[6] = 6;   // CdbLength
  b[7] = 24;  // SenseInfoLength
  b[8] = 1;   // DataIn
  PutLe32(b, 12, 192);
  PutLe32(b, 16, 2);
  PutLe32(b, 20, kData32);
  PutLe32(b, 24, kSense32);
  const std::uint8_t cdb[] = {0x25, 0x08, 0x00, 0x00, 0xC0, 0x00};
  std::memcpy(&b[28], cdb, sizeof cdb);
  b[kSense32] = 0x5E;  // leftovers that must travel with their areas
  b[kData32] = 0xDA;
  b[kCoreBlockSent - 1] = 0xEE;
  return b;
}

SCSI_PASS_THROUGH Header(const std::vector<std::uint8_t>& native) {
  SCSI_PASS_THROUGH spt;
  std::memcpy(&spt, native.data(), sizeof spt);
  return spt;
}

TEST(PassThrough64, RequestMovesEveryFieldAndArea) {
  std::vector<std::uint8_t> core = CoreReadCapacity();
  ASSERT_TRUE(NeedsNativePassThrough(core));
  std::vector<std::uint8_t> native = ToNativePassThrough(core, core.size());
  ASSERT_EQ(native.size(), kCoreBlockSent + 12);

  SCSI_PASS_THROUGH spt = Header(native);
  EXPECT_EQ(spt.Length, sizeof(SCSI_PASS_THROUGH));
  EXPECT_EQ(spt.TargetId, 1);
  EXPECT_EQ(spt.CdbLength, 6);
  EXPECT_EQ(spt.SenseInfoLength, 24);
  EXPECT_EQ(spt.DataIn, SCSI_IOCTL_DATA_IN);
  EXPECT_EQ(spt.DataTransferLength, 192u);
  EXPECT_EQ(spt.TimeOutValue, 2u);
  EXPECT_EQ(spt.SenseInfoOffset, sizeof(SCSI_PASS_THROUGH));
  EXPECT_EQ(spt.DataBufferOffset, sizeof(SCSI_PASS_THROUGH) + 32);
  EXPECT_EQ(spt.Cdb[0], 0x25);
  EXPECT_EQ(spt.Cdb[4], 0xC0);
  EXPECT_EQ(native[spt.SenseInfoOffset], 0x5E);
  EXPECT_EQ(native[spt.DataBufferOffset], 0xDA);
  EXPECT_EQ(native.back(), 0xEE);
}

TEST(PassThrough64, AnswerReturnsToThe32BitPositions) {
  std::vector<std::uint8_t> core = CoreReadCapacity();
  std::vector<std::uint8_t> native = ToNativePassThrough(core, core.size());
  // What a driver leaves after READ CAPACITY: status, actual length, data, some sense.
  SCSI_PASS_THROUGH spt = Header(native);
  spt.ScsiStatus = 2;
  spt.SenseInfoLength = 18;
  spt.DataTransferLength = 8;
  std::memcpy(native.data(), &spt, sizeof spt);
  const std::uint8_t capacity[] = {0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x02, 0x00};
  std::memcpy(&native[spt.DataBufferOffset], capacity, sizeof capacity);
  native[spt.SenseInfoOffset] = 0x70;
  std::uint32_t nativeReturned = static_cast<std::uint32_t>(spt.DataBufferOffset + 8);

  std::vector<std::uint8_t> out(kCoreBlockSent, 0xCC);
  std::memcpy(out.data(), core.data(), 44);
  std::uint32_t returned = FromNativePassThrough(native, nativeReturned, out);

  EXPECT_EQ(returned, kData32 + 8);
  EXPECT_EQ(out[0], 44);  // still the 32-bit block the core knows
  EXPECT_EQ(out[2], 2);
  EXPECT_EQ(out[7], 18);
  EXPECT_EQ(le32(out, 12), 8u);
  EXPECT_EQ(le32(out, 20), kData32);
  EXPECT_EQ(le32(out, 24), kSense32);
  EXPECT_EQ(out[28], 0x25);
  EXPECT_EQ(out[kSense32], 0x70);
  for (std::size_t i = 0; i < sizeof capacity; ++i) EXPECT_EQ(out[kData32 + i], capacity[i]) << i;
  EXPECT_EQ(out.back(), 0xEE);  // the whole tail came back, up to the last byte offered
}

TEST(PassThrough64, OnlyFullSizeBlocksIn32BitLayoutAreRepacked) {
  struct Row {
    const char* what;
    std::size_t size;
    std::uint16_t length;
    bool repacked;
  };
  const Row rows[] = {
      {"the core's block", 585, 44, true},
      {"a bare 32-bit header", 44, 44, true},
      {"shorter than a header", 43, 44, false},
      {"already native", 600, static_cast<std::uint16_t>(sizeof(SCSI_PASS_THROUGH)), false},
      {"empty", 0, 0, false},
  };
  for (const Row& r : rows) {
    std::vector<std::uint8_t> b(r.size, 0);
    if (r.size >= 2) {
      b[0] = static_cast<std::uint8_t>(r.length);
      b[1] = static_cast<std::uint8_t>(r.length >> 8);
    }
    EXPECT_EQ(NeedsNativePassThrough(b), r.repacked) << r.what;
  }
}

TEST(PassThrough64, AnswerIntoAShortBufferWritesNothingPastIt) {
  std::vector<std::uint8_t> core = CoreReadCapacity();
  std::vector<std::uint8_t> native = ToNativePassThrough(core, core.size());
  std::vector<std::uint8_t> small(20, 0xAB);
  EXPECT_EQ(FromNativePassThrough(native, 10, small), 0u);
  for (std::uint8_t b : small) EXPECT_EQ(b, 0xAB);
  std::vector<std::uint8_t> headerOnly(44, 0);
  EXPECT_EQ(FromNativePassThrough(native, 100, headerOnly), 88u);
  EXPECT_EQ(le32(headerOnly, 12), 192u);
}

}  // namespace
}  // namespace sw::platform::win32
