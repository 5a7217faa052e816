// The counterfeit rules of the test stick itself: a wrong rule here would make every
// end-to-end verdict meaningless, so each kind is checked against what it must do.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <utility>
#include <vector>

#include "fakestick/FakeMedia.h"
#include "fakestick/FakeStickOptions.h"

namespace sw::e2e {
namespace {

constexpr std::uint64_t S = kSector;

// An unnamed backing file that goes when the test ends.
class Backing {
 public:
  Backing() : fd_(::open(std::filesystem::temp_directory_path().c_str(), O_TMPFILE | O_RDWR, 0600)) {}
  ~Backing() {
    if (fd_ >= 0) ::close(fd_);
  }
  int fd() const { return fd_; }

 private:
  int fd_;
};

std::vector<std::uint8_t> Block(std::uint8_t value, std::uint64_t sectors = 1) {
  return std::vector<std::uint8_t>(sectors * S, value);
}

std::vector<std::uint8_t> ReadBack(FakeMedia& media, std::uint64_t sector, std::uint64_t sectors = 1) {
  std::vector<std::uint8_t> out(sectors * S, 0xAA);
  EXPECT_EQ(media.Read(sector * S, out.size(), out.data()), 0) << "read of sector " << sector;
  return out;
}

struct RuleRow {
  const char* name;
  FakeGeometry geometry;
  std::uint64_t writeSector;  // gets 0x11; then sector 1 (real memory) gets 0x22
  std::uint64_t readSector;
  std::uint8_t expected;      // the byte the read must give
};

FakeGeometry G(std::uint64_t size, std::uint64_t real, FakeKind kind, LimboFill fill = LimboFill::Zeros,
               std::uint64_t cache = 0, CacheKind ck = CacheKind::Associative) {
  FakeGeometry g;
  g.sizeBytes = size, g.realBytes = real, g.kind = kind, g.fill = fill, g.cacheSectors = cache, g.cache = ck;
  return g;
}

FakeGeometry Chain(std::uint64_t size, std::uint64_t real, std::uint64_t wrap) {
  FakeGeometry g = G(size, real, FakeKind::Wraparound);
  g.wrapBytes = wrap;
  return g;
}

TEST(FakeMediaRules, EachKindAnswersWhatItsRuleSays) {
  const std::uint64_t size = 1ull << 40, real = 1000 * S;  // "1 TiB" with 1000 real sectors
  const RuleRow rows[] = {
      {"genuine far sector", G(64 * S, 64 * S, FakeKind::Genuine), 63, 63, 0x11},
      {"limbo keeps real memory", G(size, real, FakeKind::Limbo), 999, 999, 0x11},
      {"limbo loses past real", G(size, real, FakeKind::Limbo), 1000, 1000, 0x00},
      {"limbo ones", G(size, real, FakeKind::Limbo, LimboFill::Ones), 5000, 5000, 0xFF},
      {"limbo stale gives last limbo write", G(size, real, FakeKind::Limbo, LimboFill::Stale), 5000, 7777, 0x11},
      {"wrap lands modulo real (not a power of two)", G(size, real, FakeKind::Wraparound), 1000 + 3, 3, 0x11},
      {"wrap aliases far up", G(size, real, FakeKind::Wraparound), 7, 7 + 5 * 1000, 0x11},
      {"wrap overwrite of sector 1 seen above", G(size, real, FakeKind::Wraparound), 50, 1001, 0x22},
      {"chain: past the real memory below the wrap is limbo", Chain(size, real, 3500 * S), 1500, 1500, 0x00},
      {"chain lands modulo the wrap", Chain(size, real, 3500 * S), 3500 + 7, 7, 0x11},
      {"chain aliases far up", Chain(size, real, 3500 * S), 9, 9 + 3 * 3500, 0x11},
      {"chain: sector 1 seen a wrap above", Chain(size, real, 3500 * S), 50, 3501, 0x22},
      {"chain: past the real memory above the wrap is limbo", Chain(size, real, 3500 * S), 3500 + 1500, 1500, 0x00},
      {"cache holds a limbo write", G(size, real, FakeKind::Limbo, LimboFill::Zeros, 4), 4000, 4000, 0x11},
      {"strict slot ignores another sector", G(size, real, FakeKind::Limbo, LimboFill::Zeros, 8, CacheKind::DirectStrict), 4000, 4008, 0x00},
      {"loose slot answers for another sector", G(size, real, FakeKind::Limbo, LimboFill::Zeros, 8, CacheKind::DirectLoose), 4000, 4008, 0x11},
      {"ioerror keeps real memory", G(size, real, FakeKind::IoError), 10, 10, 0x11},
  };
  for (const RuleRow& row : rows) {
    SCOPED_TRACE(row.name);
    Backing backing;
    ASSERT_GE(backing.fd(), 0);
    ASSERT_EQ(CheckGeometry(row.geometry), "");
    FakeMedia media(row.geometry, backing.fd());
    auto a = Block(0x11), b = Block(0x22);
    ASSERT_EQ(media.Write(row.writeSector * S, S, a.data()), 0);
    ASSERT_EQ(media.Write(1 * S, S, b.data()), 0);
    EXPECT_EQ(ReadBack(media, row.readSector), Block(row.expected));
  }
}

TEST(FakeMediaRules, AnAssociativeCacheForgetsItsOldestSector) {
  Backing backing;
  FakeMedia media(G(1ull << 30, 0, FakeKind::Limbo, LimboFill::Zeros, 3), backing.fd());
  for (std::uint8_t i = 1; i <= 4; ++i) {
    auto block = Block(i);
    ASSERT_EQ(media.Write((100 + i) * S, S, block.data()), 0);
  }
  EXPECT_EQ(ReadBack(media, 101), Block(0));  // pushed out by the fourth
  for (std::uint8_t i = 2; i <= 4; ++i) EXPECT_EQ(ReadBack(media, 100 + i), Block(i));
}

TEST(FakeMediaRules, TransfersAcrossTheRealEndAndTheWrapKeepEachByteInItsPlace) {
  Backing limboBacking, wrapBacking;
  FakeMedia limbo(G(1ull << 30, 10 * S, FakeKind::Limbo), limboBacking.fd());
  FakeMedia wrap(G(1ull << 30, 10 * S, FakeKind::Wraparound), wrapBacking.fd());
  // Four sectors from sector 8 with a partial first sector: 8 and 9 are real, 10 and 11 not.
  std::vector<std::uint8_t> data(4 * S - 100);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 251 + 1);
  for (FakeMedia* m : {&limbo, &wrap}) ASSERT_EQ(m->Write(8 * S + 100, data.size(), data.data()), 0);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_EQ(limbo.Read(8 * S + 100, got.size(), got.data()), 0);
  std::size_t realPart = 2 * S - 100;
  EXPECT_TRUE(std::equal(data.begin(), data.begin() + realPart, got.begin()));
  EXPECT_TRUE(std::all_of(got.begin() + realPart, got.end(), [](std::uint8_t c) { return c == 0; }));
  // The wrapped tail landed on sectors 0 and 1, and reads back through either address.
  ASSERT_EQ(wrap.Read(8 * S + 100, got.size(), got.data()), 0);
  EXPECT_EQ(got, data);
  std::vector<std::uint8_t> low(2 * S);
  ASSERT_EQ(wrap.Read(0, low.size(), low.data()), 0);
  EXPECT_TRUE(std::equal(low.begin(), low.end(), data.begin() + realPart));
}

TEST(FakeMediaRules, ErrorsPastTheRealMemoryHitTheChosenSideAndUnplugStopsEverything) {
  struct Row {
    bool readErrors, writeErrors;
  } rows[] = {{true, false}, {false, true}, {true, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "read errors " << row.readErrors << ", write errors " << row.writeErrors);
    Backing backing;
    FakeGeometry g = G(1ull << 30, 100 * S, FakeKind::IoError);
    g.readErrors = row.readErrors, g.writeErrors = row.writeErrors;
    FakeMedia media(g, backing.fd());
    auto block = Block(0x33, 2);
    // A transfer that only touches the boundary's last real sector still works.
    EXPECT_EQ(media.Write(98 * S, 2 * S, block.data()), 0);
    EXPECT_EQ(media.Write(99 * S, 2 * S, block.data()), row.writeErrors ? EIO : 0);
    EXPECT_EQ(media.Read(99 * S, 2 * S, block.data()), row.readErrors ? EIO : 0);
    EXPECT_EQ(ReadBack(media, 98), Block(0x33));
    media.Unplug();
    EXPECT_EQ(media.Read(0, S, block.data()), EIO);
    EXPECT_EQ(media.Write(0, S, block.data()), EIO);
  }
}

TEST(FakeMediaRules, CountersTellRequestsAndSectors) {
  Backing backing;
  FakeMedia media(G(1ull << 20, 1ull << 20, FakeKind::Genuine), backing.fd());
  auto block = Block(1, 8);
  ASSERT_EQ(media.Write(0, block.size(), block.data()), 0);
  ASSERT_EQ(media.Write(S, 10, block.data()), 0);
  ASSERT_EQ(media.Read(0, S, block.data()), 0);
  FakeMedia::Counters c = media.Count();
  EXPECT_EQ(c.writeRequests, 2u);
  EXPECT_EQ(c.sectorsWritten, 9u);
  EXPECT_EQ(c.readRequests, 1u);
  EXPECT_EQ(c.sectorsRead, 1u);
  // Past the announced end nothing happens and nothing is counted.
  EXPECT_EQ(media.Write((1ull << 20) - S, 2 * S, block.data()), EINVAL);
  EXPECT_EQ(media.Count().writeRequests, 2u);
}

TEST(FakeMediaRules, AFlakyLinkFailsEveryNthRequestAndTheNextGoesThrough) {
  Backing backing;
  FakeGeometry g = G(1ull << 20, 1ull << 20, FakeKind::Genuine);
  g.failEvery = 3;
  FakeMedia media(g, backing.fd());
  const auto one = Block(1), two = Block(2);
  std::vector<std::uint8_t> got(S);
  EXPECT_EQ(media.Write(5 * S, S, one.data()), 0);
  EXPECT_EQ(media.Read(5 * S, S, got.data()), 0);
  EXPECT_EQ(media.Write(5 * S, S, two.data()), EIO) << "the third request";
  EXPECT_EQ(ReadBack(media, 5), one) << "the failed write changed nothing";
  EXPECT_EQ(media.Write(5 * S, S, two.data()), 0) << "tried again, it goes through";
  EXPECT_EQ(media.Read(5 * S, S, got.data()), EIO) << "the sixth request";
  EXPECT_EQ(ReadBack(media, 5), two);
  EXPECT_EQ(media.Count().flakyFailures, 2u);
}

// A memory that follows the writes, 4 blocks of it: each block written takes the next free one,
// and once they are all taken a new block is lost (drop) or takes the oldest block's (evict).
TEST(FakeMediaRules, AFollowingMemoryKeepsAnyBlocksUntilItIsFull) {
  constexpr std::uint64_t B = kFollowBlock;
  struct Row {
    const char* name;
    FollowFull full;
    LimboFill fill;
    std::uint64_t readBlock;
    std::uint8_t expected;
  };
  // Blocks 1000, 5, 77777, 3 fill the memory with 1..4; then block 9 gets 5 and block 1000 is
  // written again with 6.
  const Row rows[] = {
      {"drop keeps the first blocks", FollowFull::Drop, LimboFill::Zeros, 77777, 3},
      {"drop keeps a rewrite of a held block", FollowFull::Drop, LimboFill::Zeros, 1000, 6},
      {"drop loses the block past the memory", FollowFull::Drop, LimboFill::Zeros, 9, 0},
      {"a lost block reads the fill", FollowFull::Drop, LimboFill::Ones, 9, 0xFF},
      {"a block never written reads zeros", FollowFull::Drop, LimboFill::Ones, 12345, 0},
      {"evict keeps the newest block", FollowFull::Evict, LimboFill::Zeros, 9, 5},
      {"evict gives the oldest block's memory away", FollowFull::Evict, LimboFill::Ones, 5, 0xFF},
      {"evict keeps the blocks after the oldest", FollowFull::Evict, LimboFill::Zeros, 3, 4},
      {"a block evicted and written again is held", FollowFull::Evict, LimboFill::Zeros, 1000, 6},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Backing backing;
    FakeGeometry g = G(1ull << 40, 4 * B, FakeKind::Follow, row.fill);
    g.full = row.full;
    ASSERT_EQ(CheckGeometry(g), "");
    FakeMedia media(g, backing.fd());
    const std::pair<std::uint64_t, std::uint8_t> writes[] = {{1000, 1}, {5, 2}, {77777, 3}, {3, 4}, {9, 5}, {1000, 6}};
    for (const auto& [block, value] : writes) {
      const auto data = Block(value, B / S);
      ASSERT_EQ(media.Write(block * B, B, data.data()), 0);
    }
    EXPECT_EQ(ReadBack(media, row.readBlock * B / S, B / S), Block(row.expected, B / S));
  }
}

// A part of a block written to memory that held an evicted block: the rest reads zeros, not the
// evicted block's data; and a write across two blocks keeps each byte in its place.
TEST(FakeMediaRules, AFollowingMemoryGivesABlockAnewWithoutItsOldData) {
  constexpr std::uint64_t B = kFollowBlock;
  Backing backing;
  FakeGeometry g = G(1ull << 30, 2 * B, FakeKind::Follow);
  g.full = FollowFull::Evict;
  FakeMedia media(g, backing.fd());
  const auto old = Block(0x77, 2 * B / S);
  ASSERT_EQ(media.Write(0, old.size(), old.data()), 0);
  const auto part = Block(0x11);
  ASSERT_EQ(media.Write(50 * B + S, S, part.data()), 0);  // evicts block 0
  std::vector<std::uint8_t> expected(B, 0);
  std::fill(expected.begin() + S, expected.begin() + 2 * S, 0x11);
  EXPECT_EQ(ReadBack(media, 50 * B / S, B / S), expected);
  EXPECT_EQ(ReadBack(media, 0, B / S), Block(0, B / S)) << "evicted";
  EXPECT_EQ(ReadBack(media, B / S, B / S), Block(0x77, B / S)) << "still held";

  Backing acrossBacking;
  FakeMedia across(G(1ull << 30, 4 * B, FakeKind::Follow), acrossBacking.fd());
  std::vector<std::uint8_t> data(B + 300);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i % 251 + 1);
  ASSERT_EQ(across.Write(7 * B + 1000, data.size(), data.data()), 0);
  std::vector<std::uint8_t> got(data.size());
  ASSERT_EQ(across.Read(7 * B + 1000, got.size(), got.data()), 0);
  EXPECT_EQ(got, data);
}

TEST(FakeStickCommandLine, SizesOptionsAndBadInput) {
  EXPECT_EQ(ParseSize("4096"), 4096u);
  EXPECT_EQ(ParseSize("1.5G"), 1500000000u);
  EXPECT_EQ(ParseSize("512Mi"), 512ull << 20);
  EXPECT_EQ(ParseSize("1Ti"), 1ull << 40);
  for (const char* bad : {"", "G", "12X", "1.5", "-3"}) EXPECT_FALSE(ParseSize(bad)) << bad;

  std::string error;
  auto o = ParseFakeStickOptions({"/mnt/x", "-f", "--size=1Gi", "--real=256Mi", "--kind=limbo",
                                  "--fill=stale", "--cache=1000", "--cache-kind=loose",
                                  "--write-delay-us=200", "--fail-every=50"},
                                 error);
  ASSERT_TRUE(o) << error;
  EXPECT_EQ(o->fuseArgs, (std::vector<std::string>{"/mnt/x", "-f"}));
  EXPECT_EQ(o->geometry.sizeBytes, 1ull << 30);
  EXPECT_EQ(o->geometry.realBytes, 256ull << 20);
  EXPECT_EQ(o->geometry.kind, FakeKind::Limbo);
  EXPECT_EQ(o->geometry.fill, LimboFill::Stale);
  EXPECT_EQ(o->geometry.cache, CacheKind::DirectLoose);
  EXPECT_EQ(o->geometry.cacheSectors, 1000u);
  EXPECT_EQ(o->writeDelayMicros, 200u);
  EXPECT_EQ(o->geometry.failEvery, 50u);
  auto genuine = ParseFakeStickOptions({"--size=1Mi"}, error);  // all real unless told
  ASSERT_TRUE(genuine) << error;
  EXPECT_EQ(genuine->geometry.realBytes, 1ull << 20);
  auto follow = ParseFakeStickOptions({"--size=4Gi", "--real=512Mi", "--kind=follow", "--full=evict"}, error);
  ASSERT_TRUE(follow) << error;
  EXPECT_EQ(follow->geometry.kind, FakeKind::Follow);
  EXPECT_EQ(follow->geometry.full, FollowFull::Evict);

  const std::vector<std::string> bad[] = {
      {"--size=1000"},                                   // not whole sectors
      {"--size=1Gi", "--real=2Gi", "--kind=limbo"},      // more real than announced
      {"--size=1Gi", "--real=1Mi", "--kind=genuine"},    // a genuine stick with too little
      {"--size=1Gi", "--real=0", "--kind=wrap"},         // nothing to wrap onto
      {"--size=1Gi", "--kind=sometimes"},
      {"--size=1Gi", "--colour=red"},
      {"--size=1Gi", "--real=1Mi", "--kind=limbo", "--full=drop"},  // only a follower fills up
      {"--size=1Gi", "--real=1Mi", "--kind=follow", "--full=never"},
      {"--size=1Gi", "--real=1000000", "--kind=follow"},            // not whole blocks
  };
  for (const auto& args : bad) {
    error.clear();
    EXPECT_FALSE(ParseFakeStickOptions(args, error)) << args.back();
    EXPECT_FALSE(error.empty()) << args.back();
  }
}

}  // namespace
}  // namespace sw::e2e
