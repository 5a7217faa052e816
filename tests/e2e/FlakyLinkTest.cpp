// A genuine stick behind a flaky link (one request in so many fails, as a loose cable or a USB
// hiccup does): every failed transfer is tried once more, so both tests pass it, at its full
// size, with no false boundary.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0;

// "Last good sector: N" of the probe's report, and N of "Announced size: ... (N sectors)".
long long Number(const std::string& output, const char* pattern) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(pattern))) return -1;
  return std::stoll(m[1]);
}

TEST_P(E2eTwin, AGenuineStickOnAFlakyLinkPassesTheQuickTestAndTheProbe) {
  // 97: prime, so the failures fall on reads and writes of every phase rather than in step
  // with the tests' own patterns.
  SW_E2E_MAKE(stick, {"--size=1Gi", "--kind=genuine", "--fail-every=97"});
  SW_E2E_REQUIRE_SAFE();
  for (const char* command : {"quick", "probe"}) {
    SCOPED_TRACE(command);
    const std::uint64_t failedBefore = stick->Count().flakyFailures;
    std::vector<std::string> args = {command};
    for (const std::string& a : Name(*stick)) args.push_back(a);
    args.push_back("--yes");
    const CliResult run = RunCli(args);
    EXPECT_GT(stick->Count().flakyFailures, failedBefore) << "the link never failed a transfer";
    EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
    EXPECT_EQ(run.output.find("FAILED"), std::string::npos) << run.output;
    if (std::string(command) == "probe") {
      const long long announced = Number(run.output, R"(\nAnnounced size: [0-9,]+ bytes \((\d+) sectors\))");
      EXPECT_EQ(Number(run.output, R"(\nLast good sector: (\d+)\n)"), announced - 1) << run.output;
    } else {
      EXPECT_EQ(run.output.find("BAD MEMORY"), std::string::npos) << run.output;
    }
  }
}

}  // namespace
}  // namespace sw::e2e
