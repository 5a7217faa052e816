// The surface test's own maker of the probe's blocks: the very bytes of the probe's, and each
// sector told as what it holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "probe/SaltedBlock.h"
#include "surface/SurfaceBlocks.h"

namespace sw::surface::detail {
namespace {

TEST(SurfaceBlocks, AreTheProbesBlocksByteForByte) {
  for (const std::uint64_t salt : {1ull, 0x5EEDull, 0xFFFFFFFFFFFFFFFFull, 0x8000000000000001ull}) {
    for (const std::int64_t first : {0ll, 1ll, 2047ll, 1ll << 31, (1ll << 40) + 12345}) {
      SCOPED_TRACE(std::to_string(salt) + " at " + std::to_string(first));
      std::vector<std::uint8_t> ours(3 * 512), theirs(3 * 512);
      FillBlocks(salt, first, 3, ours.data());
      for (std::size_t i = 0; i < 3; ++i) {
        probe::detail::FillBlock(salt, {first + static_cast<std::int64_t>(i), 1},
                                 std::span<std::uint8_t>(theirs.data() + i * 512, 512));
      }
      EXPECT_EQ(ours, theirs);
    }
  }
}

TEST(SurfaceBlocks, EachSectorIsToldAsWhatItHolds) {
  constexpr std::uint64_t kSalt = 0xABCDEF;
  constexpr std::int64_t kTotal = 1 << 20;
  std::vector<std::uint8_t> block(512);
  FillBlocks(kSalt, 700, 1, block.data());
  EXPECT_EQ(ClassifySector(kSalt, block, 700, kTotal).state, SectorState::Kept);
  const SectorReading other = ClassifySector(kSalt, block, 3, kTotal);
  EXPECT_EQ(other.state, SectorState::Overwritten);
  EXPECT_EQ(other.from, 700);
  EXPECT_EQ(ClassifySector(kSalt + 1, block, 700, kTotal).state, SectorState::Changed) << "another run's block";
  std::vector<std::uint8_t> flipped = block;
  flipped[300] ^= 0x10;
  EXPECT_EQ(ClassifySector(kSalt, flipped, 700, kTotal).state, SectorState::Changed);
  for (const std::uint8_t fill : {0x00, 0xFF}) {
    const std::vector<std::uint8_t> uniform(512, fill);
    EXPECT_EQ(ClassifySector(kSalt, uniform, 700, kTotal).state, SectorState::Lost);
  }
}

}  // namespace
}  // namespace sw::surface::detail
