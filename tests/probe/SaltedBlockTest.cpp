// Salted blocks: a block passes only for its own sector and its own run.
#include <array>
#include <cstdint>

#include <gtest/gtest.h>

#include "probe/SaltedBlock.h"

namespace sw::probe {
namespace {

TEST(SaltedBlock, OnlyTheBlockOfThisRunAndSectorDecodes) {
  constexpr std::uint64_t kSeed = 0xC0FFEE;
  std::array<std::uint8_t, kBlockBytes> block{};
  FillSaltedBlock(kSeed, 123456789, block);
  EXPECT_EQ(DecodeSaltedBlock(kSeed, block), 123456789);
  EXPECT_EQ(DecodeSaltedBlock(kSeed + 1, block), std::nullopt) << "an earlier run's block";

  struct Damage {
    const char* what;
    std::size_t at;
  };
  for (const Damage d : {Damage{"number", 0}, Damage{"seed tag", 9}, Damage{"tail", 300}, Damage{"last byte", 511}}) {
    auto bad = block;
    bad[d.at] ^= 0x01;
    EXPECT_EQ(DecodeSaltedBlock(kSeed, bad), std::nullopt) << d.what;
  }
  std::array<std::uint8_t, kBlockBytes> other{};
  FillSaltedBlock(kSeed, 123456790, other);
  EXPECT_NE(other, block);
  std::array<std::uint8_t, kBlockBytes> zeros{};
  EXPECT_EQ(DecodeSaltedBlock(kSeed, zeros), std::nullopt);
}

}  // namespace
}  // namespace sw::probe
