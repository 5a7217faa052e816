// Block sharing and byte access of simulated file contents.
#include "platform/sim/SimFileData.h"

#include <algorithm>
#include <cstring>

namespace sw::platform::sim {
namespace {

std::uint64_t HashBlock(const std::uint8_t* data) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = 0; i < kBlockSize; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  return h;
}

bool IsZero(const std::uint8_t* data) {
  static const Block kZeros{};
  return std::memcmp(data, kZeros.data(), kBlockSize) == 0;
}

}  // namespace

BlockRef BlockPool::Intern(const std::uint8_t* data) {
  if (last_ && std::memcmp(last_->data(), data, kBlockSize) == 0) return last_;
  if (IsZero(data)) return nullptr;
  std::vector<BlockRef>& bucket = byHash_[HashBlock(data)];
  for (const BlockRef& block : bucket) {
    if (std::memcmp(block->data(), data, kBlockSize) == 0) return last_ = block;
  }
  auto block = std::make_shared<Block>();
  std::memcpy(block->data(), data, kBlockSize);
  bucket.push_back(block);
  return last_ = bucket.back();
}

void BlockPool::Prune() {
  last_.reset();
  for (auto it = byHash_.begin(); it != byHash_.end();) {
    std::erase_if(it->second, [](const BlockRef& block) { return block.use_count() == 1; });
    it = it->second.empty() ? byHash_.erase(it) : std::next(it);
  }
}

void FileData::Clear() {
  blocks_.clear();
  size_ = 0;
}

void FileData::Write(BlockPool& pool, std::uint64_t offset, const std::uint8_t* data,
                     std::size_t length) {
  if (length == 0) return;
  const std::uint64_t end = offset + length;
  const auto blockCount = static_cast<std::size_t>((end + kBlockSize - 1) / kBlockSize);
  if (blocks_.size() < blockCount) blocks_.resize(blockCount);
  static const Block kZeros{};
  std::uint64_t pos = offset;
  while (pos < end) {
    const auto index = static_cast<std::size_t>(pos / kBlockSize);
    const auto within = static_cast<std::size_t>(pos % kBlockSize);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - within, end - pos));
    const std::uint8_t* source = data ? data + (pos - offset) : kZeros.data();
    if (n == kBlockSize) {
      blocks_[index] = pool.Intern(source);
    } else {
      Block merged{};
      if (blocks_[index]) merged = *blocks_[index];
      std::memcpy(merged.data() + within, source, n);
      blocks_[index] = pool.Intern(merged.data());
    }
    pos += n;
  }
  size_ = std::max(size_, end);
}

void FileData::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) const {
  std::uint64_t pos = offset;
  const std::uint64_t end = offset + length;
  while (pos < end) {
    const auto index = static_cast<std::size_t>(pos / kBlockSize);
    const auto within = static_cast<std::size_t>(pos % kBlockSize);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - within, end - pos));
    std::uint8_t* target = out + (pos - offset);
    if (index < blocks_.size() && blocks_[index]) {
      std::memcpy(target, blocks_[index]->data() + within, n);
    } else {
      std::memset(target, 0, n);
    }
    pos += n;
  }
}

}  // namespace sw::platform::sim
