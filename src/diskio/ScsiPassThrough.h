// The SCSI pass-through block sent with IOCTL_SCSI_PASS_THROUGH: a SCSI_PASS_THROUGH header, a
// sense area and a data area, built and read byte by byte.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "platform/WinApi.h"

namespace sw::diskio {

inline constexpr std::uint32_t kSptDataBytes = 512;
// The block is 588 bytes, but 585 of them are offered to the driver in and out, so the last
// three bytes of the data area are never transferred.
inline constexpr std::uint32_t kSptBytesSent = 585;
// Both commands ask for 192 bytes of data within two seconds.
inline constexpr std::uint32_t kSptDataTransferLength = 192;
inline constexpr std::uint32_t kSptTimeoutSeconds = 2;

static_assert(win::kSptDataOffset + kSptDataBytes == win::kSptBlockSize);
static_assert(win::kSptSenseOffset + 32 == win::kSptDataOffset);
static_assert(win::kSptCdbOffset + 16 == win::kSptHeaderSize);
static_assert(kSptBytesSent <= win::kSptBlockSize);
static_assert(win::IOCTL_SCSI_PASS_THROUGH == 0x4D004);

using SptBlock = std::array<std::uint8_t, win::kSptBlockSize>;

// Writes the header fields and the six-byte CDB of `opcode` (READ CAPACITY(10) or INQUIRY).
// Nothing else is cleared: the data area keeps what the previous command left in it.
void PrepareScsiCommand(SptBlock& block, std::uint8_t opcode);

// The data area of the block (512 bytes from offset 76).
std::span<const std::uint8_t> SptData(const SptBlock& block);

// Capacity from READ CAPACITY(10) parameter data: LastLBA x BlockLength + 512, or 0 when the
// product is 0. Both fields are unsigned 32-bit big-endian; the product is exact in 64 bits.
double ReadCapacitySize(std::span<const std::uint8_t> data);

}  // namespace sw::diskio
