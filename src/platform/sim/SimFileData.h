// Compact contents of simulated files: 16 KiB blocks shared by content, so runs of gigabytes
// written from one pattern buffer cost a few megabytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

namespace sw::platform::sim {

inline constexpr std::size_t kBlockSize = 16'384;
using Block = std::array<std::uint8_t, kBlockSize>;
using BlockRef = std::shared_ptr<const Block>;  // null: a block of zeros

// Hands out one shared copy per distinct block content.
class BlockPool {
 public:
  BlockRef Intern(const std::uint8_t* data);
  // Forgets blocks that no file uses any more.
  void Prune();

 private:
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

 private:
  std::vector<BlockRef> blocks_;
  std::uint64_t size_ = 0;
};

}  // namespace sw::platform::sim
