// Repacks the core's 32-bit SCSI pass-through block into the layout of the running build and
// back. A 64-bit storage driver checks Length against its own sizeof(SCSI_PASS_THROUGH).
#include "platform/win32/PassThrough64.h"

#include <algorithm>
#include <cstring>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

namespace {
constexpr std::uint32_t kHeader32 = sw::win::kSptHeaderSize;
constexpr std::uint32_t kCdb32 = sw::win::kSptCdbOffset;
}  // namespace

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <ntddscsi.h>

#include <cstddef>

namespace sw::platform::win32 {
namespace {

// Field offsets of the 32-bit header.
constexpr std::size_t kLength = win::spt::Length;
constexpr std::size_t kScsiStatus = win::spt::ScsiStatus;
constexpr std::size_t kSenseInfoLength = win::spt::SenseInfoLength;
constexpr std::size_t kDataTransferLength = win::spt::DataTransferLength;
constexpr std::size_t kTimeOutValue = win::spt::TimeOutValue;
constexpr std::size_t kDataBufferOffset = win::spt::DataBufferOffset;
constexpr std::size_t kSenseInfoOffset = win::spt::SenseInfoOffset;

#ifdef _WIN64
static_assert(sizeof(SCSI_PASS_THROUGH) == 56,
              "a 64-bit driver reads an 8-byte DataBufferOffset: the 44-byte block is repacked");
static_assert(sizeof(SCSI_PASS_THROUGH32) == kHeader32);
static_assert(offsetof(SCSI_PASS_THROUGH32, ScsiStatus) == kScsiStatus);
static_assert(offsetof(SCSI_PASS_THROUGH32, SenseInfoLength) == kSenseInfoLength);
static_assert(offsetof(SCSI_PASS_THROUGH32, DataTransferLength) == kDataTransferLength);
static_assert(offsetof(SCSI_PASS_THROUGH32, TimeOutValue) == kTimeOutValue);
static_assert(offsetof(SCSI_PASS_THROUGH32, DataBufferOffset) == kDataBufferOffset);
static_assert(offsetof(SCSI_PASS_THROUGH32, SenseInfoOffset) == kSenseInfoOffset);
static_assert(offsetof(SCSI_PASS_THROUGH32, Cdb) == kCdb32);
#else
static_assert(sizeof(SCSI_PASS_THROUGH) == kHeader32, "32-bit build: the block goes as it is");
#endif
static_assert(sizeof(SCSI_PASS_THROUGH) == kHeader32 + kNativeSptGrowth);

// Offsets that point behind the header move with the areas they point to.
std::uint32_t Shift(std::uint32_t offset32) {
  return offset32 >= kHeader32 ? offset32 + kNativeSptGrowth : offset32;
}
std::uint32_t Unshift(std::uint64_t offsetNative) {
  return static_cast<std::uint32_t>(
      offsetNative >= sizeof(SCSI_PASS_THROUGH) ? offsetNative - kNativeSptGrowth : offsetNative);
}

}  // namespace

bool NeedsNativePassThrough(std::span<const std::uint8_t> block32) {
  return kNativeSptGrowth != 0 && block32.size() >= kHeader32 &&
         le16(block32, kLength) == kHeader32;
}

std::vector<std::uint8_t> ToNativePassThrough(std::span<const std::uint8_t> block32,
                                              std::size_t outSize32) {
  std::vector<std::uint8_t> native(std::max(block32.size(), outSize32) + kNativeSptGrowth, 0);
  SCSI_PASS_THROUGH spt{};
  spt.Length = sizeof(SCSI_PASS_THROUGH);
  spt.ScsiStatus = block32[kScsiStatus];
  spt.PathId = block32[3];
  spt.TargetId = block32[4];
  spt.Lun = block32[5];
  spt.CdbLength = block32[6];
  spt.SenseInfoLength = block32[kSenseInfoLength];
  spt.DataIn = block32[8];
  spt.DataTransferLength = le32(block32, kDataTransferLength);
  spt.TimeOutValue = le32(block32, kTimeOutValue);
  spt.DataBufferOffset = Shift(le32(block32, kDataBufferOffset));
  spt.SenseInfoOffset = Shift(le32(block32, kSenseInfoOffset));
  std::memcpy(spt.Cdb, block32.data() + kCdb32, sizeof spt.Cdb);
  std::memcpy(native.data(), &spt, sizeof spt);
  std::copy(block32.begin() + kHeader32, block32.end(), native.begin() + sizeof spt);
  return native;
}

std::uint32_t FromNativePassThrough(std::span<const std::uint8_t> native,
                                    std::uint32_t nativeReturned, std::span<std::uint8_t> out32) {
  if (native.size() < sizeof(SCSI_PASS_THROUGH)) return 0;
  SCSI_PASS_THROUGH spt;
  std::memcpy(&spt, native.data(), sizeof spt);
  if (out32.size() >= kHeader32) {
    out32[kScsiStatus] = spt.ScsiStatus;
    out32[kSenseInfoLength] = spt.SenseInfoLength;
    PutLe32(out32, kDataTransferLength, spt.DataTransferLength);
    PutLe32(out32, kDataBufferOffset, Unshift(spt.DataBufferOffset));
    PutLe32(out32, kSenseInfoOffset, Unshift(spt.SenseInfoOffset));
    std::size_t tail = std::min(out32.size() - kHeader32, native.size() - sizeof spt);
    std::copy_n(native.begin() + sizeof spt, tail, out32.begin() + kHeader32);
  }
  return nativeReturned > kNativeSptGrowth ? nativeReturned - kNativeSptGrowth : 0;
}

}  // namespace sw::platform::win32
