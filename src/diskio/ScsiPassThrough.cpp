// Building the SCSI pass-through block and decoding READ CAPACITY(10).
#include "diskio/ScsiPassThrough.h"

#include "platform/ByteOrder.h"

namespace sw::diskio {
namespace {

// SCSI_PASS_THROUGH field offsets (32-bit layout).
constexpr std::size_t kLength = win::spt::Length;
constexpr std::size_t kPathId = win::spt::PathId;
constexpr std::size_t kTargetId = win::spt::TargetId;
constexpr std::size_t kLun = win::spt::Lun;
constexpr std::size_t kCdbLength = win::spt::CdbLength;
constexpr std::size_t kSenseInfoLength = win::spt::SenseInfoLength;
constexpr std::size_t kDataIn = win::spt::DataIn;
constexpr std::size_t kDataTransferLength = win::spt::DataTransferLength;
constexpr std::size_t kTimeOutValue = win::spt::TimeOutValue;
constexpr std::size_t kDataBufferOffset = win::spt::DataBufferOffset;
constexpr std::size_t kSenseInfoOffset = win::spt::SenseInfoOffset;

constexpr std::uint8_t kTargetIdSent = 1;
constexpr std::uint8_t kCdbBytes = 6;
constexpr std::uint8_t kSenseBytes = 24;
// CDB byte 1 as both commands send it.
constexpr std::uint8_t kCdbByte1 = 0x08;
constexpr std::size_t kCdbAllocationLengthByte = 4;

}  // namespace

void PrepareScsiCommand(SptBlock& block, std::uint8_t opcode) {
  std::span<std::uint8_t> b(block);
  platform::PutLe16(b, kLength, static_cast<std::uint16_t>(win::kSptHeaderSize));
  b[kPathId] = 0;
  b[kTargetId] = kTargetIdSent;
  b[kLun] = 0;
  b[kCdbLength] = kCdbBytes;
  b[kSenseInfoLength] = kSenseBytes;
  b[kDataIn] = win::SCSI_IOCTL_DATA_IN;
  platform::PutLe32(b, kDataTransferLength, kSptDataTransferLength);
  platform::PutLe32(b, kTimeOutValue, kSptTimeoutSeconds);
  platform::PutLe32(b, kDataBufferOffset, win::kSptDataOffset);
  platform::PutLe32(b, kSenseInfoOffset, win::kSptSenseOffset);
  b[win::kSptCdbOffset + 0] = opcode;
  b[win::kSptCdbOffset + 1] = kCdbByte1;
  b[win::kSptCdbOffset + kCdbAllocationLengthByte] =
      static_cast<std::uint8_t>(kSptDataTransferLength & 0xFF);
}

std::span<const std::uint8_t> SptData(const SptBlock& block) {
  return std::span<const std::uint8_t>(block).subspan(win::kSptDataOffset, kSptDataBytes);
}

double ReadCapacitySize(std::span<const std::uint8_t> data) {
  const std::uint64_t lastLba = platform::be32(data, 0);
  const std::uint64_t blockLength = platform::be32(data, 4);
  // Both factors are below 2^32, so the product and the 512 added to it fit 64 bits.
  const std::uint64_t product = lastLba * blockLength;
  // 512 rather than BlockLength is added: for 512-byte blocks this is (LastLBA + 1) x 512.
  return product > 0 ? static_cast<double>(product + 512) : 0.0;
}

}  // namespace sw::diskio
