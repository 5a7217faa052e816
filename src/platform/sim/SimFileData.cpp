// Block sharing, runs of equal blocks and byte access of simulated file contents.
#include "platform/sim/SimFileData.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace sw::platform::sim {
namespace {

const Block kZeros{};

// Runs keep their first kHeadSize bytes themselves, so a stored block stands only for the bytes
// past them: blocks that differ in their heads alone (every test file's numbers) share one.
std::uint64_t HashBody(const std::uint8_t* data) {
  std::uint64_t h = 0x9E3779B97F4A7C15ull;
  for (std::size_t i = kHeadSize; i < kBlockSize; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, data + i, 8);
    h = (h ^ word) * 0xFF51AFD7ED558CCDull;
    h ^= h >> 29;
  }
  return h;
}

bool SameBodyBytes(const std::uint8_t* a, const std::uint8_t* b) {
  return std::memcmp(a + kHeadSize, b + kHeadSize, kBlockSize - kHeadSize) == 0;
}

bool IsZeroBody(const std::uint8_t* data) { return SameBodyBytes(data, kZeros.data()); }

const std::uint8_t* BytesOf(const BlockRef& block) { return block ? block->data() : kZeros.data(); }

}  // namespace

BlockRef BlockPool::Intern(const std::uint8_t* data) {
  if (last_ && SameBodyBytes(last_->data(), data)) return last_;
  if (IsZeroBody(data)) return nullptr;
  std::vector<BlockRef>& bucket = byHash_[HashBody(data)];
  for (const BlockRef& block : bucket) {
    if (SameBodyBytes(block->data(), data)) return last_ = block;
  }
  auto block = std::make_shared<Block>();
  std::memcpy(block->data(), data, kBlockSize);
  bucket.push_back(block);
  return last_ = bucket.back();
}

std::size_t BlockPool::StoredBlocks() const {
  std::size_t count = 0;
  for (const auto& [hash, bucket] : byHash_) count += bucket.size();
  return count;
}

void BlockPool::Prune() {
  last_.reset();
  for (auto it = byHash_.begin(); it != byHash_.end();) {
    std::erase_if(it->second, [](const BlockRef& block) { return block.use_count() == 1; });
    it = it->second.empty() ? byHash_.erase(it) : std::next(it);
  }
}

bool BlockPool::SameBody(const BlockRef& block, const std::uint8_t* data) const {
  const std::uint8_t* stored = BytesOf(block);
  const std::size_t from = compare_ == BlockCompare::Exact ? kHeadSize : kBlockSize - kHeadSize;
  return std::memcmp(stored + from, data + from, kBlockSize - from) == 0;
}

void FileData::Clear() {
  runs_.clear();
  size_ = 0;
}

const FileData::Runs::value_type* FileData::Find(std::uint64_t index) const {
  auto it = runs_.upper_bound(index);
  if (it == runs_.begin()) return nullptr;
  --it;
  return index < it->first + it->second.count ? &*it : nullptr;
}

void FileData::SplitAt(std::uint64_t at) {
  auto it = runs_.upper_bound(at);
  if (it == runs_.begin()) return;
  --it;
  const std::uint64_t end = it->first + it->second.count;
  if (it->first == at || at >= end) return;
  Run tail = it->second;
  tail.count = end - at;
  if (tail.recipe) tail.key += (at - it->first) * kBlockSize;
  it->second.count = at - it->first;
  runs_.emplace(at, std::move(tail));
}

void FileData::Assign(std::uint64_t first, Run run) {
  const std::uint64_t last = first + run.count;
  SplitAt(first);
  SplitAt(last);
  runs_.erase(runs_.lower_bound(first), runs_.lower_bound(last));
  auto it = runs_.emplace(first, std::move(run)).first;
  // Whether b, right after a, carries a's content on.
  const auto sameContent = [](const Run& a, const Run& b) {
    if (a.recipe || b.recipe) return a.recipe == b.recipe && a.key + a.count * kBlockSize == b.key;
    return a.body == b.body && a.head == b.head;
  };
  if (it != runs_.begin()) {
    auto before = std::prev(it);
    if (before->first + before->second.count == first && sameContent(before->second, it->second)) {
      before->second.count += it->second.count;
      runs_.erase(it);
      it = before;
    }
  }
  auto after = std::next(it);
  if (after != runs_.end() && after->first == it->first + it->second.count &&
      sameContent(it->second, after->second)) {
    it->second.count += after->second.count;
    runs_.erase(after);
  }
}

void FileData::CopyBlock(std::uint64_t index, std::size_t within, std::uint8_t* out,
                         std::size_t n) const {
  const Runs::value_type* found = Find(index);
  if (!found) {
    std::memset(out, 0, n);
    return;
  }
  const Run* run = &found->second;
  if (run->recipe) {
    const std::uint64_t key = run->key + (index - found->first) * kBlockSize;
    if (within == 0 && n == kBlockSize) {
      run->recipe->Make(key, out);
      return;
    }
    Block made;
    run->recipe->Make(key, made.data());
    std::memcpy(out, made.data() + within, n);
    return;
  }
  if (within < kHeadSize) {
    const std::size_t k = std::min(n, kHeadSize - within);
    std::memcpy(out, run->head.data() + within, k);
    out += k;
    within += k;
    n -= k;
  }
  if (n > 0) std::memcpy(out, BytesOf(run->body) + within, n);
}

void FileData::Write(BlockPool& pool, std::uint64_t offset, const std::uint8_t* data,
                     std::size_t length) {
  if (length == 0) return;
  const std::uint64_t end = offset + length;
  Block merged{};
  Run pending;
  std::uint64_t pendingFirst = 0;
  std::uint64_t pos = offset;
  while (pos < end) {
    const std::uint64_t index = pos / kBlockSize;
    const auto within = static_cast<std::size_t>(pos % kBlockSize);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - within, end - pos));
    const std::uint8_t* block = data ? data + (pos - offset) : kZeros.data();
    if (n != kBlockSize) {
      // Only the first and the last block of a write are partial, and neither is pending yet.
      CopyBlock(index, 0, merged.data(), kBlockSize);
      std::memcpy(merged.data() + within, block, n);
      block = merged.data();
    }
    const std::optional<std::uint64_t> key =
        pool.Recipe() ? pool.Recipe()->Recognize(block) : std::nullopt;
    const bool follows = pending.count > 0 && pendingFirst + pending.count == index;
    const bool extends =
        follows && (key ? pending.recipe && pending.key + pending.count * kBlockSize == *key
                        : !pending.recipe &&
                              std::memcmp(pending.head.data(), block, kHeadSize) == 0 &&
                              pool.SameBody(pending.body, block));
    if (extends) {
      ++pending.count;
    } else {
      Run next;
      next.count = 1;
      if (key) {
        next.recipe = pool.Recipe();
        next.key = *key;
      } else {
        std::memcpy(next.head.data(), block, kHeadSize);
        const bool sameBody = pending.count > 0 && !pending.recipe && pool.SameBody(pending.body, block);
        next.body = sameBody ? pending.body : pool.Intern(block);
      }
      if (pending.count > 0) Assign(pendingFirst, std::move(pending));
      pending = std::move(next);
      pendingFirst = index;
    }
    pos += n;
  }
  Assign(pendingFirst, std::move(pending));
  size_ = std::max(size_, end);
}

void FileData::Read(std::uint64_t offset, std::uint8_t* out, std::size_t length) const {
  std::uint64_t pos = offset;
  const std::uint64_t end = offset + length;
  while (pos < end) {
    const std::uint64_t index = pos / kBlockSize;
    const auto within = static_cast<std::size_t>(pos % kBlockSize);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(kBlockSize - within, end - pos));
    CopyBlock(index, within, out + (pos - offset), n);
    pos += n;
  }
}

}  // namespace sw::platform::sim
