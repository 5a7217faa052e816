// The search's planning: a round places as few probes as finish in the fewest rounds its largest
// round would take, and never more than that largest.
#include <cstdint>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "probe/ProbePlan.h"

namespace sw::probe::detail {
namespace {

// Rounds that k probes a round take to pin one of `unknown` sectors.
int RoundsFor(std::int64_t unknown, std::int64_t k) {
  int rounds = 0;
  for (double left = static_cast<double>(unknown) + 1; left > 1; left /= static_cast<double>(k + 1)) ++rounds;
  return rounds;
}

TEST(BalancedProbes, TheFewestThatFinishInTheRoundsOfTheLargest) {
  for (const auto& [unknown, most] :
       {std::tuple<std::int64_t, std::int64_t>{33'554'431, 512}, {130'561, 512}, {360, 512}, {512, 512},
        {513, 512}, {62'499'999, 4096}, {16'777'216, 64}, {2, 8}, {1'000'000'000'000, 4096}}) {
    const std::int64_t k = BalancedProbes(unknown, most);
    EXPECT_LE(k, most) << unknown;
    EXPECT_GE(k, 1) << unknown;
    EXPECT_EQ(RoundsFor(unknown, k), RoundsFor(unknown, most)) << unknown << " with " << k;
    if (k > 1) {
      EXPECT_GT(RoundsFor(unknown, k - 1), RoundsFor(unknown, most)) << unknown << " with " << k;
    }
  }
}

TEST(RoundSectors, RisingInsideTheIntervalWithLo) {
  const auto s = RoundSectors(99, 1'000'100, 7);
  ASSERT_EQ(s.size(), 8u);  // 7 spread and lo
  EXPECT_EQ(s.front(), 99);
  for (std::size_t i = 1; i < s.size(); ++i) {
    EXPECT_LT(s[i - 1], s[i]);
    EXPECT_LT(s[i], 1'000'100);
  }
  // Few enough left: every one of them.
  EXPECT_EQ(RoundSectors(-1, 4, 8), (std::vector<std::int64_t>{0, 1, 2, 3}));
}

}  // namespace
}  // namespace sw::probe::detail
