// The marker block: a sector's own number in the first eight bytes of the sector, flagged.
#pragma once

#include <cstdint>
#include <span>

namespace sw::quicktest {

// Bytes 0..6 hold the number little-endian, byte 7 holds bits 56..62 with bit 7 set as the
// marker flag. Only bytes 0..7 are written. block must hold at least 8 bytes.
void SetMarkerNumber(std::int64_t value, std::span<std::uint8_t> block);
// The number a block carries, or -1 when its marker flag (bit 7 of byte 7) is clear.
std::int64_t GetMarkerNumber(std::span<const std::uint8_t> block);

}  // namespace sw::quicktest
