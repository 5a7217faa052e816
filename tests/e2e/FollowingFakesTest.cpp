// Fakes whose small memory follows the writes (each block written takes the next free one): the
// probe, which writes a few blocks, cannot tell them from a genuine drive and must not call them
// genuine; the Full Surface Test writes every sector and exposes them soon after their real end.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitFailed = 1;
constexpr std::uint64_t kMi = 1ull << 20, kGi = 1ull << 30;

// The first number after what in text, or -1.
long long NumberAfter(const std::string& text, const std::string& what) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(what + R"((\d+))"))) return -1;
  return std::stoll(m[1]);
}

struct FollowRow {
  const char* name;
  std::vector<std::string> fake;
  std::uint64_t realBytes;
  bool evicts;  // the oldest blocks give their memory to the newest: no good run from sector 0
};

const FollowRow kRows[] = {
    {"follow_drop_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=follow", "--full=drop"}, 2 * kGi, false},
    {"follow_evict_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=follow", "--full=evict"}, 2 * kGi, true},
    {"follow_drop_4GiB_real_512MiB_4Kn",
     {"--size=4Gi", "--real=512Mi", "--kind=follow", "--full=drop", "--sector-size=4096"}, 512 * kMi, false},
};

class FullSurfaceOnFollowers : public TwinTest<FollowRow> {};

TEST_P(FullSurfaceOnFollowers, FailsWithTheRealSizeAndStopsSoonAfterIt) {
  const FollowRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  const std::string json = (stick->Folder() / "full.json").string();
  std::vector<std::string> args = {"full"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  for (const char* a : {"--yes", "--json"}) args.push_back(a);
  args.push_back(json);
  const CliResult run = RunCli(args);
  ASSERT_EQ(run.exitCode, kExitFailed) << run.output;
  EXPECT_NE(run.output.find("*** FAILED ***"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Writing stopped after "), std::string::npos) << run.output;

  // What kept its data is the real memory, give or take a few per cent.
  const double real = static_cast<double>(row.realBytes);
  const double kept = static_cast<double>(NumberAfter(run.output, "\nKept their data: ")) * 512;
  EXPECT_NEAR(kept, real, 0.03 * real) << run.output;
  // It stopped soon after the real end: no more than 1.15 times the real memory written.
  const long long readBack = NumberAfter(run.output, "\nSectors read back: ");
  EXPECT_GT(static_cast<double>(readBack) * 512, real) << run.output;
  EXPECT_LE(static_cast<double>(readBack) * 512, 1.15 * real) << run.output;
  EXPECT_LE(static_cast<double>(stick->Count().sectorsWritten) * 512, 1.2 * real);

  std::ifstream in(json);
  const std::string doc((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_TRUE(std::regex_search(doc, std::regex(R"("verdict":\s*"failed")"))) << doc;
  const long long realBytes = NumberAfter(doc, R"("real_bytes":\s*)");
  if (row.evicts) {
    EXPECT_NE(run.output.find("Last good sector (the real end): none"), std::string::npos) << run.output;
    EXPECT_EQ(realBytes, 0) << doc;
  } else {
    EXPECT_NEAR(static_cast<double>(realBytes), real, 0.03 * real) << doc;
  }
}

SW_E2E_TWINS(Followers, FullSurfaceOnFollowers, kRows);

class ProbeOnFollowers : public TwinTest<FollowRow> {};

TEST_P(ProbeOnFollowers, NeverCallsThemGenuineAndNamesWhatItCannotRuleOut) {
  const FollowRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  std::vector<std::string> args = {"probe"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  const CliResult run = RunCli(args);
  EXPECT_GT(stick->Count().sectorsWritten, 0u) << "the probe never reached the stick";
  EXPECT_NE(run.exitCode, -1) << run.output;
  EXPECT_EQ(run.output.find("Kind of drive: GENUINE"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Kind of drive: NO FAKE FOUND"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("Not ruled out by a probe: a drive that keeps only its last writes"),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("The Full-Surface Test writes every sector"), std::string::npos) << run.output;
}

SW_E2E_TWINS(Followers, ProbeOnFollowers, kRows);

}  // namespace
}  // namespace sw::e2e
