// The SCSI pass-through block as the core builds it (the 32-bit SCSI_PASS_THROUGH layout: a
// 44-byte header, sense and data behind it) and its repack for a 64-bit driver, which expects
// the native header with a pointer-sized DataBufferOffset (56 bytes) and rejects anything else.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace sw::platform::win32 {

// How much longer the native header is than the 32-bit one (0 in a 32-bit build).
#ifdef _WIN64
inline constexpr std::uint32_t kNativeSptGrowth = 12;
#else
inline constexpr std::uint32_t kNativeSptGrowth = 0;
#endif

// True when the block is a pass-through request in the 32-bit layout that a 64-bit driver
// could not read: at least a whole header, with Length saying 44.
bool NeedsNativePassThrough(std::span<const std::uint8_t> block32);

// The same request in the native layout: header fields moved, the two offsets shifted past the
// longer header, everything behind the header (sense and data areas) moved along. The result
// is large enough for an answer of outSize32 bytes in 32-bit terms.
std::vector<std::uint8_t> ToNativePassThrough(std::span<const std::uint8_t> block32,
                                              std::size_t outSize32);

// Copies the driver's answer back to the 32-bit positions (ScsiStatus, SenseInfoLength,
// DataTransferLength, sense and data) as far as out32 reaches. Returns the byte count the
// driver reported, in 32-bit terms.
std::uint32_t FromNativePassThrough(std::span<const std::uint8_t> native,
                                    std::uint32_t nativeReturned, std::span<std::uint8_t> out32);

}  // namespace sw::platform::win32
