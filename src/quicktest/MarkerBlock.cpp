// Writing and reading the numbered marker of a sector.
#include "quicktest/MarkerBlock.h"

namespace sw::quicktest {

namespace {
constexpr std::size_t kMarkerBytes = 8;
constexpr std::uint8_t kMarkerFlag = 0x80;
}  // namespace

void SetMarkerNumber(std::int64_t value, std::span<std::uint8_t> block) {
  auto rest = static_cast<std::uint64_t>(value);
  for (std::size_t i = 0; i < kMarkerBytes; ++i) {
    auto byte = static_cast<std::uint8_t>(rest % 256);
    rest /= 256;
    if (i == kMarkerBytes - 1) byte |= kMarkerFlag;
    block[i] = byte;
  }
}

std::int64_t GetMarkerNumber(std::span<const std::uint8_t> block) {
  if ((block[kMarkerBytes - 1] & kMarkerFlag) == 0) return -1;
  std::uint64_t value = block[kMarkerBytes - 1] & static_cast<std::uint8_t>(~kMarkerFlag);
  for (std::size_t i = kMarkerBytes - 1; i-- > 0;) value = value * 256 + block[i];
  return static_cast<std::int64_t>(value);
}

}  // namespace sw::quicktest
