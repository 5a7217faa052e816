// Reading and writing the fixed-width integers of device-control structures byte by byte, so
// that no structure is ever cast onto a buffer (SCSI answers are big-endian, Windows' own
// structures little-endian). The core, every provider and the tests share these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace sw::platform {

inline std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
  return (std::uint32_t{b[at]} << 24) | (std::uint32_t{b[at + 1]} << 16) |
         (std::uint32_t{b[at + 2]} << 8) | std::uint32_t{b[at + 3]};
}

inline std::uint16_t le16(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint16_t>(std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8));
}

inline std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
  return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
         (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}

inline std::int64_t le64s(std::span<const std::uint8_t> b, std::size_t at) {
  const std::uint64_t low = le32(b, at);
  const std::uint64_t high = le32(b, at + 4);
  return static_cast<std::int64_t>(low | (high << 32));
}

inline void PutBe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * (3 - i)));
}

inline void PutLe16(std::span<std::uint8_t> b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

inline void PutLe32(std::span<std::uint8_t> b, std::size_t at, std::uint32_t v) {
  for (std::size_t i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline std::uint64_t le64(std::span<const std::uint8_t> b, std::size_t at) {
  return static_cast<std::uint64_t>(le32(b, at)) | (static_cast<std::uint64_t>(le32(b, at + 4)) << 32);
}

inline void PutLe64(std::span<std::uint8_t> b, std::size_t at, std::uint64_t v) {
  PutLe32(b, at, static_cast<std::uint32_t>(v));
  PutLe32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

}  // namespace sw::platform
