// Simulated file contents kept as recipe keys: what they read back, how they split and join
// when overwritten, and that a gigabyte of generated data is one run.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "platform/sim/SimFileData.h"

namespace sw::platform::sim {
namespace {

constexpr std::size_t kWords = kBlockSize / 8;

// Block K holds the words K, K + 1, K + 2, ...: every block differs, as pseudo-random data does.
class CountingRecipe final : public BlockRecipe {
 public:
  std::optional<std::uint64_t> Recognize(const std::uint8_t* block) const override {
    std::uint64_t first;
    std::memcpy(&first, block, 8);
    if (first % kBlockSize != 0) return std::nullopt;
    for (std::size_t i = 1; i < kWords; ++i) {
      std::uint64_t word;
      std::memcpy(&word, block + 8 * i, 8);
      if (word != first + i) return std::nullopt;
    }
    return first;
  }
  void Make(std::uint64_t key, std::uint8_t* block) const override {
    for (std::size_t i = 0; i < kWords; ++i) {
      const std::uint64_t word = key + i;
      std::memcpy(block + 8 * i, &word, 8);
    }
  }
};

// Generated data for stream bytes [key, key + blocks * kBlockSize).
std::vector<std::uint8_t> Generated(std::uint64_t key, std::size_t blocks) {
  std::vector<std::uint8_t> bytes(blocks * kBlockSize);
  const CountingRecipe recipe;
  for (std::size_t b = 0; b < blocks; ++b) recipe.Make(key + b * kBlockSize, &bytes[b * kBlockSize]);
  return bytes;
}

std::vector<std::uint8_t> ReadAll(const FileData& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  file.Read(0, bytes.data(), bytes.size());
  return bytes;
}

struct Recipes : ::testing::Test {
  Recipes() { pool.SetRecipe(std::make_shared<CountingRecipe>()); }
  void Write(std::uint64_t offset, const std::vector<std::uint8_t>& data, std::size_t from = 0,
             std::size_t length = SIZE_MAX) {
    length = std::min(length, data.size() - from);
    file.Write(pool, offset, data.data() + from, length);
    if (model.size() < offset + length) model.resize(offset + length);
    std::memcpy(model.data() + offset, data.data() + from, length);
  }
  BlockPool pool;
  FileData file;
  std::vector<std::uint8_t> model;
};

TEST_F(Recipes, AGigabyteOfGeneratedBlocksIsOneRun) {
  const std::uint64_t chunk = 8ull << 20;
  for (std::uint64_t at = 0; at < (1ull << 30); at += chunk) {
    const std::vector<std::uint8_t> data = Generated(at, chunk / kBlockSize);
    file.Write(pool, at, data.data(), data.size());
  }
  EXPECT_EQ(file.RunCount(), 1u);
  std::vector<std::uint8_t> tail(kBlockSize);
  file.Read((1ull << 30) - kBlockSize, tail.data(), tail.size());
  EXPECT_EQ(tail, Generated((1ull << 30) - kBlockSize, 1));
}

TEST_F(Recipes, OverwritesSplitAndJoinRunsAndReadBackExactly) {
  struct Step {
    const char* what;
    std::uint64_t offset;  // in the file
    std::uint64_t key;     // of the data's first block
    std::size_t blocks;
    std::size_t from, length;  // the part of the data written
  };
  const Step steps[] = {
      {"ten generated blocks", 0, 0, 10, 0, SIZE_MAX},
      {"the middle from elsewhere in the stream", 3 * kBlockSize, 1 << 20, 2, 0, SIZE_MAX},
      {"a part of a block", 7 * kBlockSize + 100, 7 * kBlockSize, 1, 100, 1000},
      {"across a block edge, not aligned", 8 * kBlockSize - 50, 0, 1, 0, 100},
      {"past the end, leaving a hole", 14 * kBlockSize, 14 * kBlockSize, 2, 0, SIZE_MAX},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    Write(step.offset, Generated(step.key, step.blocks), step.from, step.length);
    ASSERT_EQ(ReadAll(file), model);
  }
  // Blocks 0-2 and 5-6 continue one another's keys around the foreign pair; the damaged blocks
  // 7 and 8 are kept as bytes.
  EXPECT_LE(file.RunCount(), 8u);
}

TEST_F(Recipes, PuttingTheOriginalBackJoinsTheRunsAgain) {
  Write(0, Generated(0, 10));
  Write(4 * kBlockSize, Generated(1 << 20, 1));
  EXPECT_EQ(file.RunCount(), 3u);
  Write(4 * kBlockSize, Generated(4 * kBlockSize, 1));
  EXPECT_EQ(file.RunCount(), 1u);
  EXPECT_EQ(ReadAll(file), model);
}

TEST_F(Recipes, ABlockOneByteOffIsKeptAsItsBytes) {
  std::vector<std::uint8_t> data = Generated(0, 3);
  data[kBlockSize + 4321] ^= 0x01;
  Write(0, data);
  EXPECT_EQ(ReadAll(file), model);
  EXPECT_EQ(file.RunCount(), 3u);
}

}  // namespace
}  // namespace sw::platform::sim
