// The memory of a fake that follows the writes: each address written is given the next free unit
// of a small real memory, so every address works until that memory is full. Shared by the
// simulator (one unit a sector) and the FUSE fake of the end-to-end tests (one unit a block).
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace sw::platform::sim {

// When the real memory is full: a write to a new address is lost, or the oldest mapped address
// gives its unit to the new one (the evicted address is lost then).
enum class FollowFull { Drop, Evict };

class FollowMap {
 public:
  FollowMap(std::uint64_t realUnits, FollowFull full) : realUnits_(realUnits), full_(full) {}

  struct Placement {
    std::uint64_t unit;
    bool fresh;  // the unit was not this address's before: what it holds belongs to no one
  };
  // Where a write to address goes; nothing when it is lost (a full memory that drops).
  std::optional<Placement> Place(std::uint64_t address) {
    if (const auto found = mapped_.find(address); found != mapped_.end()) return Placement{found->second, false};
    std::uint64_t unit = 0;
    if (nextFree_ < realUnits_) {
      unit = nextFree_++;
    } else if (full_ == FollowFull::Evict && !order_.empty()) {
      const std::uint64_t oldest = order_.front();
      order_.pop_front();
      const auto old = mapped_.find(oldest);
      unit = old->second;
      mapped_.erase(old);
      lost_.insert(oldest);
    } else {
      lost_.insert(address);
      return std::nullopt;
    }
    mapped_.emplace(address, unit);
    order_.push_back(address);
    lost_.erase(address);
    return Placement{unit, true};
  }

  // The unit holding address, nothing when it holds no data.
  std::optional<std::uint64_t> Find(std::uint64_t address) const {
    const auto found = mapped_.find(address);
    if (found == mapped_.end()) return std::nullopt;
    return found->second;
  }
  // Written, but its data is gone (dropped or evicted); never written addresses are not lost.
  bool Lost(std::uint64_t address) const { return lost_.contains(address); }
  // A write to an address without a unit would now be dropped.
  bool Refuses(std::uint64_t address) const {
    return nextFree_ >= realUnits_ && full_ == FollowFull::Drop && !mapped_.contains(address);
  }

 private:
  std::uint64_t realUnits_;
  FollowFull full_;
  // The unit of each mapped address, the addresses in the order they were mapped (the front is
  // evicted first), the next unit never handed out, and the addresses whose data is gone.
  std::unordered_map<std::uint64_t, std::uint64_t> mapped_;
  std::deque<std::uint64_t> order_;
  std::uint64_t nextFree_ = 0;
  std::unordered_set<std::uint64_t> lost_;
};

}  // namespace sw::platform::sim
