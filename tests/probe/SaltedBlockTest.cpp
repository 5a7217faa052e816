// The probe's blocks are recognised only whole: one changed byte, another salt, a sector or step
// out of range, and the block is nobody's.
#include <array>
#include <cstdint>

#include <gtest/gtest.h>

#include "probe/SaltedBlock.h"

namespace sw::probe::detail {
namespace {

constexpr std::uint64_t kSalt = 0x1234'5678'9ABC'DEF0ull;

TEST(SaltedBlock, ARunRecognisesItsOwnBlockAndNothingElse) {
  std::array<std::uint8_t, kBlockBytes> block{};
  FillBlock(kSalt, {777, 3}, block);
  EXPECT_EQ(IdentifyBlock(kSalt, block, 1000, 3), (BlockId{777, 3}));
  EXPECT_FALSE(IdentifyBlock(kSalt ^ 1, block, 1000, 3)) << "another run's salt";
  EXPECT_FALSE(IdentifyBlock(kSalt, block, 777, 3)) << "a sector past the drive";
  EXPECT_FALSE(IdentifyBlock(kSalt, block, 1000, 2)) << "a step not reached yet";
  for (const std::size_t at : {std::size_t{0}, std::size_t{9}, std::size_t{100}, kBlockBytes - 1}) {
    std::array<std::uint8_t, kBlockBytes> changed = block;
    changed[at] ^= 0x01;
    EXPECT_FALSE(IdentifyBlock(kSalt, changed, 1000, 3)) << "byte " << at;
  }
  std::array<std::uint8_t, kBlockBytes> zeros{};
  EXPECT_FALSE(IdentifyBlock(kSalt, zeros, 1000, 3));
}

TEST(SaltedBlock, BlocksOfOtherSectorsAndStepsDiffer) {
  std::array<std::uint8_t, kBlockBytes> a{};
  std::array<std::uint8_t, kBlockBytes> b{};
  FillBlock(kSalt, {5, 1}, a);
  FillBlock(kSalt, {6, 1}, b);
  EXPECT_NE(a, b);
  FillBlock(kSalt, {5, 2}, b);
  EXPECT_NE(a, b);
  // A block claims the sector it was made for, never the one it is read from.
  EXPECT_EQ(IdentifyBlock(kSalt, b, 100, 2), (BlockId{5, 2}));
}

}  // namespace
}  // namespace sw::probe::detail
