// The Quick Size Test of the real terminal program on counterfeit block devices: the verdict,
// the exit status, and a recommended size that never promises more than the real memory.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <regex>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0, kExitFailed = 1;
constexpr const char* kPassed = "*** PASSED ***";
constexpr const char* kFailed = "*** FAILED ***";

// The recommended size of a FAILED report, in bytes (the report gives MiB with grouping).
std::optional<double> RecommendedBytes(const std::string& output) {
  static const std::regex kLine(R"(Recommended maximum usable partition size: (-?[0-9,]+(\.[0-9]+)?)Mib)");
  std::smatch m;
  if (!std::regex_search(output, m, kLine)) return std::nullopt;
  std::string digits;
  for (char c : m[1].str()) {
    if (c != ',') digits += c;
  }
  return std::stod(digits) * 1048576.0;
}

struct VerdictRow {
  const char* name;
  std::vector<std::string> fake;
  std::uint64_t realBytes;  // what the user may rely on
  bool counterfeit;
};

class QuickOnFakes : public TwinTest<VerdictRow> {};

TEST_P(QuickOnFakes, VerdictExitStatusAndRecommendedSize) {
  const VerdictRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  std::vector<std::string> args = {"quick"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  ASSERT_FALSE(args[1].empty()) << "the program gives the stick no letter";
  CliResult run = RunCli(args);

  EXPECT_GT(stick->Count().sectorsWritten, 0u) << "the test never reached the stick";
  if (!row.counterfeit) {
    EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
    EXPECT_NE(run.output.find(kPassed), std::string::npos) << run.output;
    return;
  }
  EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
  EXPECT_NE(run.output.find(kFailed), std::string::npos) << run.output;
  // A cache is named only on a stick that has one, not where a wrap or stale reads fooled it.
  const bool cached = std::any_of(row.fake.begin(), row.fake.end(),
                                  [](const std::string& o) { return o.rfind("--cache=", 0) == 0; });
  EXPECT_EQ(run.output.find("WRITE CACHE FOUND") != std::string::npos, cached) << run.output;
  EXPECT_EQ(run.output.find(kPassed), std::string::npos) << run.output;
  std::optional<double> recommended = RecommendedBytes(run.output);
  ASSERT_TRUE(recommended) << run.output;
  EXPECT_LE(*recommended, static_cast<double>(row.realBytes)) << run.output;
}

// After the test the stick holds zeros in sector 0, on the stick's own memory.
TEST_P(E2eTwin, QuickTestLeavesAZeroedSectorZeroOnTheStick) {
  SW_E2E_MAKE(stick, {"--size=1Gi", "--kind=genuine"});
  SW_E2E_REQUIRE_SAFE();
  {
    int fd = ::open(stick->Disk().c_str(), O_WRONLY | O_DIRECT);
    ASSERT_GE(fd, 0);
    alignas(4096) static std::uint8_t ones[4096];
    std::fill(std::begin(ones), std::end(ones), 0x5A);
    EXPECT_EQ(::pwrite(fd, ones, sizeof ones, 0), static_cast<ssize_t>(sizeof ones));
    ::close(fd);
  }
  std::vector<std::string> args = {"quick"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  CliResult run = RunCli(args);
  ASSERT_EQ(run.exitCode, kExitPassed) << run.output;
  int fd = ::open(stick->StickFile().c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  std::vector<std::uint8_t> sector0(512, 0xFF);
  EXPECT_EQ(::pread(fd, sector0.data(), 512, 0), 512);
  ::close(fd);
  EXPECT_EQ(sector0, std::vector<std::uint8_t>(512, 0));
}

constexpr std::uint64_t kMi = 1ull << 20, kGi = 1ull << 30;

const VerdictRow kRows[] = {
    {"genuine_1GiB", {"--size=1Gi", "--kind=genuine"}, 1 * kGi, false},
    {"limbo_4GiB_real_512MiB", {"--size=4Gi", "--real=512Mi", "--kind=limbo"}, 512 * kMi, true},
    {"wrap_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap"}, 2 * kGi, true},
    {"chain_16GiB_real_2GiB_wrapping_at_4GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap", "--wrap=4Gi"}, 2 * kGi,
     true},
    {"ioerror_both_4GiB_real_1GiB", {"--size=4Gi", "--real=1Gi", "--kind=ioerror", "--errors=both"}, 1 * kGi, true},
    {"ioerror_write_4GiB_real_1GiB", {"--size=4Gi", "--real=1Gi", "--kind=ioerror", "--errors=write"}, 1 * kGi, true},
    {"ioerror_read_4GiB_real_1GiB", {"--size=4Gi", "--real=1Gi", "--kind=ioerror", "--errors=read"}, 1 * kGi, true},
    // Fakes that fool the plain marker test (PASSED, or a recommended size past the real memory)
    // and that the write-cache flood and the second read-back expose.
    {"limbo_ones_1TiB_real_1MiB_512", {"--size=1Ti", "--real=1049088", "--kind=limbo", "--fill=ones"}, 1049088ull, true},
    {"limbo_32GB_real_8GB_cache_1000", {"--size=32G", "--real=8G", "--kind=limbo", "--cache=1000"}, 8000000000ull, true},
    {"limbo_stale_32505331712_real_1777645568",
     {"--size=32505331712", "--real=1777645568", "--kind=limbo", "--fill=stale"}, 1777645568ull, true},
    {"limbo_67108864000_real_7600799744_strict_cache_2p19",
     {"--size=67108864000", "--real=7600799744", "--kind=limbo", "--cache=524288", "--cache-kind=strict"},
     7600799744ull, true},
    {"wrap_8GB_at_4000000000", {"--size=8G", "--real=4000000000", "--kind=wrap"}, 4000000000ull, true},
    // Lacking only what lies past the whole cylinders the markers are spread over.
    {"limbo_2GiB_lacking_its_last_256KiB", {"--size=2Gi", "--real=2147221504", "--kind=limbo"}, 2147221504ull, true},
    {"limbo_2GiB_lacking_its_last_256KiB_4Kn",
     {"--size=2Gi", "--real=2147221504", "--kind=limbo", "--sector-size=4096"}, 2147221504ull, true},
    // 4Kn sticks: 4,096-byte logical sectors, which take no 512-byte transfer.
    {"genuine_2GiB_4Kn", {"--size=2Gi", "--kind=genuine", "--sector-size=4096"}, 2 * kGi, false},
    {"limbo_16GiB_real_2GiB_4Kn", {"--size=16Gi", "--real=2Gi", "--kind=limbo", "--sector-size=4096"}, 2 * kGi, true},
};

SW_E2E_TWINS(Fakes, QuickOnFakes, kRows);

}  // namespace
}  // namespace sw::e2e
