// Compact contents of simulated files: runs of equal 16 KiB blocks, each run one shared block
// with its own first bytes, so a terabyte written from one pattern buffer costs kilobytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/sim/SimBlockRecipe.h"

namespace sw::platform::sim {

inline constexpr std::size_t kBlockSize = kRecipeBlockBytes;
// The bytes at the start of a block that a run keeps for itself: test files put their numbers,
// headers and markers there, so blocks that differ only in them share one stored block.
inline constexpr std::size_t kHeadSize = 64;
using Block = std::array<std::uint8_t, kBlockSize>;
using BlockRef = std::shared_ptr<const Block>;  // null: a block of zeros
using Head = std::array<std::uint8_t, kHeadSize>;

// How a written block is told apart from the one before it.
enum class BlockCompare {
  Exact,    // every byte
  Sampled,  // its first and last kHeadSize bytes only
};

// Hands out one shared copy per distinct block content.
class BlockPool {
 public:
  explicit BlockPool(BlockCompare compare = BlockCompare::Exact) : compare_(compare) {}

  // The shared block whose bytes past the head equal data's (null for zeros there); the head
  // of the block handed out is not data's and must be taken from elsewhere.
  BlockRef Intern(const std::uint8_t* data);
  // How many distinct blocks the pool holds (what its memory grows with).
  std::size_t StoredBlocks() const;
  // Forgets blocks that no file uses any more.
  void Prune();
  // Whether data (a whole block) matches block past the head, as the compare mode judges it.
  bool SameBody(const BlockRef& block, const std::uint8_t* data) const;

  // Contents this recipe makes are kept as its keys from now on (null: none).
  void SetRecipe(std::shared_ptr<const BlockRecipe> recipe) { recipe_ = std::move(recipe); }
  const std::shared_ptr<const BlockRecipe>& Recipe() const { return recipe_; }

 private:
  BlockCompare compare_;
  std::shared_ptr<const BlockRecipe> recipe_;
  std::unordered_map<std::uint64_t, std::vector<BlockRef>> byHash_;
  BlockRef last_;  // consecutive blocks of a pattern are usually equal
};

// The bytes of one file.
class FileData {
 public:
  std::uint64_t Size() const { return size_; }
  void Clear();
  // data null: zeros.
  void Write(BlockPool& pool, std::uint64_t offset, const std::uint8_t* data, std::size_t length);
  // Bytes past the end of the file read as zeros.
  void Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) const;
  // How many runs of equal blocks hold the file (what its memory grows with).
  std::size_t RunCount() const { return runs_.size(); }

 private:
  struct Run {
    std::uint64_t count = 0;  // blocks
    BlockRef body;            // the block's bytes past the head
    Head head{};
    // Made by the recipe instead: block k of the run is the recipe's key + k * kBlockSize.
    std::shared_ptr<const BlockRecipe> recipe;
    std::uint64_t key = 0;
  };
  using Runs = std::map<std::uint64_t, Run>;  // by first block
  // Blocks [first, first + run.count) now hold run's content.
  void Assign(std::uint64_t first, Run run);
  // Cuts the run that covers block at in two, so that a run starts there.
  void SplitAt(std::uint64_t at);
  // The run that holds block index; null where nothing was written.
  const Runs::value_type* Find(std::uint64_t index) const;
  // Bytes [within, within + n) of block index.
  void CopyBlock(std::uint64_t index, std::size_t within, std::uint8_t* out, std::size_t n) const;

  Runs runs_;
  std::uint64_t size_ = 0;
};

}  // namespace sw::platform::sim
