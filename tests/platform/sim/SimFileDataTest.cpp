// Simulated file contents against a plain byte model: writes at any offset and length, both
// ways of telling blocks apart, and the memory a patterned terabyte costs.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/sim/SimFileData.h"

namespace sw::platform::sim {
namespace {

// Filler with a number in the first bytes of every block, as test files are laid out.
std::vector<std::uint8_t> Patterned(std::size_t blocks, std::uint8_t number) {
  std::vector<std::uint8_t> bytes(blocks * kBlockSize, 0xA5);
  for (std::size_t b = 0; b < blocks; ++b) bytes[b * kBlockSize] = number;
  return bytes;
}

std::vector<std::uint8_t> ReadAll(const FileData& file) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.Size()));
  file.Read(0, bytes.data(), bytes.size());
  return bytes;
}

struct Piece {
  std::uint64_t offset;
  std::size_t length;
  std::uint8_t seed;  // 0: zeros (no data)
};

class FileDataModes : public ::testing::TestWithParam<BlockCompare> {};

TEST_P(FileDataModes, ReadsBackWhatAPlainByteArrayHolds) {
  const std::vector<std::vector<Piece>> cases = {
      {{0, 3 * kBlockSize, 1}},                                   // whole blocks
      {{100, 10, 2}},                                             // inside one block, hole before
      {{kBlockSize - 5, 10, 3}},                                  // across a block edge
      {{0, 4 * kBlockSize, 4}, {kBlockSize + 7, 2 * kBlockSize, 5}},  // overwrite mid-run
      {{0, 2 * kBlockSize, 6}, {0, 2 * kBlockSize, 0}},           // written, then zeroed
      {{5 * kBlockSize, 100, 7}, {0, 60, 8}},                     // sparse: a hole of blocks
  };
  for (std::size_t c = 0; c < cases.size(); ++c) {
    BlockPool pool(GetParam());
    FileData file;
    std::vector<std::uint8_t> model;
    for (const Piece& piece : cases[c]) {
      std::vector<std::uint8_t> data(piece.length);
      std::mt19937 random(piece.seed);
      for (std::uint8_t& byte : data) byte = static_cast<std::uint8_t>(random());
      if (piece.seed == 0) std::fill(data.begin(), data.end(), 0);
      file.Write(pool, piece.offset, piece.seed ? data.data() : nullptr, data.size());
      if (model.size() < piece.offset + piece.length) model.resize(piece.offset + piece.length);
      std::copy(data.begin(), data.end(), model.begin() + static_cast<std::ptrdiff_t>(piece.offset));
    }
    EXPECT_EQ(file.Size(), model.size()) << "case " << c;
    EXPECT_TRUE(ReadAll(file) == model) << "case " << c;
  }
}

TEST_P(FileDataModes, BlocksThatDifferInTheirFirstBytesShareOneStoredBody) {
  BlockPool pool(GetParam());
  FileData file;
  // Three writes of one buffer whose numbers change in between, as the file test writes.
  for (std::uint8_t n = 1; n <= 3; ++n) {
    const std::vector<std::uint8_t> chunk = Patterned(1000, n);
    file.Write(pool, (n - 1) * chunk.size(), chunk.data(), chunk.size());
  }
  EXPECT_EQ(file.RunCount(), 3u);
  const std::vector<std::uint8_t> bytes = ReadAll(file);
  EXPECT_EQ(bytes[0], 1);
  EXPECT_EQ(bytes[1000 * kBlockSize], 2);
  EXPECT_EQ(bytes[2999 * kBlockSize], 3);
  EXPECT_EQ(bytes[2999 * kBlockSize + 1], 0xA5);
}

TEST_P(FileDataModes, FilesWhoseChunksStartWithTheirOwnNumbersShareOneStoredBlock) {
  BlockPool pool(GetParam());
  std::vector<FileData> files(300);
  for (std::size_t n = 0; n < files.size(); ++n) {
    // Each write starts with the file's number and a header, as the test files do.
    std::vector<std::uint8_t> chunk = Patterned(4, static_cast<std::uint8_t>(n));
    chunk[1] = static_cast<std::uint8_t>(n >> 8);
    chunk[4] = 0x46;
    for (int c = 0; c < 4; ++c) files[n].Write(pool, c * chunk.size(), chunk.data(), chunk.size());
  }
  EXPECT_EQ(pool.StoredBlocks(), 1u);
  for (std::size_t n : {0u, 255u, 299u}) {
    std::uint8_t head[5] = {};
    files[n].Read(3 * 4 * kBlockSize, head, 5);
    EXPECT_EQ(head[0], static_cast<std::uint8_t>(n)) << n;
    EXPECT_EQ(head[1], static_cast<std::uint8_t>(n >> 8)) << n;
    EXPECT_EQ(head[4], 0x46) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(Both, FileDataModes,
                         ::testing::Values(BlockCompare::Exact, BlockCompare::Sampled));

TEST(FileDataCompare, ExactSeesAChangeInTheMiddleOfABlockSampledDoesNot) {
  std::vector<std::uint8_t> bytes = Patterned(2, 9);
  bytes[kBlockSize + kBlockSize / 2] = 0x00;
  for (const auto& [mode, kept] : {std::pair{BlockCompare::Exact, std::uint8_t{0x00}},
                                  std::pair{BlockCompare::Sampled, std::uint8_t{0xA5}}}) {
    BlockPool pool(mode);
    FileData file;
    file.Write(pool, 0, bytes.data(), bytes.size());
    std::uint8_t middle = 0xFF;
    file.Read(kBlockSize + kBlockSize / 2, &middle, 1);
    EXPECT_EQ(middle, kept);
  }
}

TEST(FileDataCompare, ATerabyteOfPatternIsAHandfulOfRuns) {
  BlockPool pool(BlockCompare::Sampled);
  FileData file;
  const std::vector<std::uint8_t> chunk = Patterned(3200, 7);  // 50 MiB
  const std::uint64_t chunks = (1ull << 40) / chunk.size();
  for (std::uint64_t i = 0; i < chunks; ++i) {
    file.Write(pool, i * chunk.size(), chunk.data(), chunk.size());
  }
  EXPECT_EQ(file.Size(), chunks * chunk.size());
  EXPECT_EQ(file.RunCount(), 1u);
  std::uint8_t last[2] = {};
  file.Read(file.Size() - kBlockSize, last, 2);
  EXPECT_EQ(last[0], 7);
  EXPECT_EQ(last[1], 0xA5);
}

}  // namespace
}  // namespace sw::platform::sim
