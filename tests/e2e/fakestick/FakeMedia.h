// The memory of a counterfeit stick: which sectors really hold data, where writes past the real
// memory go, and what reads of them return. The data lives in a sparse backing file, so a
// "1 TB" fake with a few megabytes of memory costs a few megabytes of disk.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/sim/FollowMap.h"

namespace sw::e2e {

inline constexpr std::uint64_t kSector = 512;
// A memory that follows the writes hands out its real memory in blocks of this size.
inline constexpr std::uint64_t kFollowBlock = 4096;
using platform::sim::FollowFull;

enum class FakeKind {
  Genuine,    // every announced sector is real
  Limbo,      // writes past the real memory vanish (or land in the cache)
  Wraparound, // the address is taken modulo the wrap size, which need not be a power of two
  IoError,    // transfers that touch a sector past the real memory fail
  // Any block written takes the next free block of the real memory, until that is full (then
  // FollowFull); blocks never written read zeros, written ones whose data is gone the fill.
  Follow,
};
enum class LimboFill { Zeros, Ones, Stale };  // Stale: the last limbo sector written
enum class CacheKind {
  Associative,   // the last N limbo sectors written stay readable
  DirectStrict,  // slot = sector mod N, and a slot answers only for the sector it holds
  DirectLoose,   // slot = sector mod N, and a filled slot answers for any sector of that slot
};

struct FakeGeometry {
  std::uint64_t sizeBytes = 0;   // announced
  std::uint64_t realBytes = 0;   // real memory, from sector 0
  FakeKind kind = FakeKind::Genuine;  // Wraparound: the address modulo realBytes
  // Wraparound: where the addresses wrap, when past the real memory (a chain): below it, what
  // lies past realBytes is limbo. 0: at realBytes.
  std::uint64_t wrapBytes = 0;
  LimboFill fill = LimboFill::Zeros;
  FollowFull full = FollowFull::Drop;  // Follow only
  bool readErrors = true, writeErrors = true;  // IoError: which transfers fail
  std::uint64_t cacheSectors = 0;
  CacheKind cache = CacheKind::Associative;
  // A flaky link: every failEvery-th read or write request fails with EIO, whatever its sector
  // (the next request, the same one tried again, goes through). 0: none fails so.
  std::uint64_t failEvery = 0;
};

// Empty when the geometry is sound, else what is wrong with it.
std::string CheckGeometry(const FakeGeometry& g);

// Transfers of whole or partial sectors at any byte offset. Thread-safe: the FUSE loop may call
// from several threads. Results are 0 or a positive errno.
class FakeMedia {
 public:
  // backingFd: an empty file of our own; the media owns neither the fd nor its name.
  FakeMedia(const FakeGeometry& geometry, int backingFd);

  int Read(std::uint64_t offset, std::uint64_t length, std::uint8_t* out);
  int Write(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in);

  // From now on every transfer fails with EIO, as a stick pulled out of its port.
  void Unplug();
  bool Unplugged() const;

  struct Counters {
    std::uint64_t readRequests = 0, writeRequests = 0, sectorsRead = 0, sectorsWritten = 0;
    std::uint64_t flakyFailures = 0;  // requests failed by failEvery
  };
  Counters Count() const;
  const FakeGeometry& Geometry() const { return g_; }

 private:
  bool FlakyFailure();  // counts one request; true when failEvery fails it
  int ReadSector(std::uint64_t sector, std::uint8_t* out);
  int WriteSector(std::uint64_t sector, const std::uint8_t* in);
  int ReadRun(std::uint64_t physical, std::uint64_t length, std::uint8_t* out);
  int WriteRun(std::uint64_t physical, std::uint64_t length, const std::uint8_t* in);
  // Sector by sector past the real memory: the fill or the cache.
  int ReadWrapping(std::uint64_t offset, std::uint64_t length, std::uint8_t* out);
  int WriteWrapping(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in);
  int ReadLimbo(std::uint64_t offset, std::uint64_t length, std::uint8_t* out);
  int WriteLimbo(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in);
  int ReadFollowing(std::uint64_t offset, std::uint64_t length, std::uint8_t* out);
  int WriteFollowing(std::uint64_t offset, std::uint64_t length, const std::uint8_t* in);
  bool Real(std::uint64_t sector) const { return sector * kSector < g_.realBytes; }
  bool CacheLookup(std::uint64_t sector, std::uint64_t& slot) const;
  std::uint64_t CacheStore(std::uint64_t sector);  // the slot now holding sector
  std::uint64_t SlotOffset(std::uint64_t slot) const { return g_.realBytes + slot * kSector; }

  FakeGeometry g_;
  int fd_;
  mutable std::mutex mutex_;
  bool unplugged_ = false;
  Counters counters_;
  std::uint64_t requests_ = 0;  // reads and writes, for failEvery
  std::vector<std::uint8_t> stale_;
  // Associative cache: sector -> slot, and the order the sectors came in (oldest first).
  std::unordered_map<std::uint64_t, std::uint64_t> slotOf_;
  std::deque<std::uint64_t> arrival_;
  // Direct-mapped cache: which sector each slot holds (~0 when empty).
  std::vector<std::uint64_t> slotTag_;
  platform::sim::FollowMap follow_;  // Follow: by block
};

}  // namespace sw::e2e
