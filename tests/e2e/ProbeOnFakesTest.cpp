// The Exact Probe of the real terminal program on counterfeit block devices: the exact last good
// sector, the exit status, and a stick whose file system comes back whole after the probe.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0, kExitFailed = 1;
constexpr std::uint64_t kMi = 1ull << 20, kGi = 1ull << 30;

// "Last good sector: N" of the report, or -1.
long long LastGoodSector(const std::string& output) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(R"(\nLast good sector: (\d+)\n)"))) return -1;
  return std::stoll(m[1]);
}

// The sectors of "Announced size: ... bytes (N sectors)", or -1.
long long AnnouncedSectors(const std::string& output) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(R"(\nAnnounced size: [0-9,]+ bytes \((\d+) sectors\))"))) return -1;
  return std::stoll(m[1]);
}

struct ProbeRow {
  const char* name;
  std::vector<std::string> fake;
  std::uint64_t realBytes;  // counterfeits: the real memory
  bool counterfeit;
};

class ProbeOnFakes : public TwinTest<ProbeRow> {};

TEST_P(ProbeOnFakes, ExactLastGoodSectorAndExitStatus) {
  const ProbeRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  std::vector<std::string> args = {"probe"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  const CliResult run = RunCli(args);
  EXPECT_GT(stick->Count().sectorsWritten, 0u) << "the probe never reached the stick";
  EXPECT_EQ(run.exitCode, row.counterfeit ? kExitFailed : kExitPassed) << run.output;
  // A genuine drive is good to the end of the size the program tests (whole cylinders).
  const long long expected = row.counterfeit ? static_cast<long long>(row.realBytes / 512) - 1
                                             : AnnouncedSectors(run.output) - 1;
  EXPECT_EQ(LastGoodSector(run.output), expected) << run.output;
  const bool fourKn = std::find(row.fake.begin(), row.fake.end(), "--sector-size=4096") != row.fake.end();
  EXPECT_EQ(run.output.find("The drive's own sectors are 4,096 bytes long") != std::string::npos, fourKn)
      << run.output;
}

const ProbeRow kRows[] = {
    {"genuine_1GiB", {"--size=1Gi", "--kind=genuine"}, 1 * kGi, false},
    {"limbo_4GiB_real_512MiB", {"--size=4Gi", "--real=512Mi", "--kind=limbo"}, 512 * kMi, true},
    {"wrap_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap"}, 2 * kGi, true},
    {"chain_16GiB_real_2GiB_wrapping_at_4GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap", "--wrap=4Gi"}, 2 * kGi,
     true},
    // A cache of the last 4,000 writes past the memory that keeps a sector's place when it is
    // written again: a flood over sectors it already holds evicts nothing.
    {"limbo_16GiB_real_2GiB_cache_4000", {"--size=16Gi", "--real=2Gi", "--kind=limbo", "--cache=4000"}, 2 * kGi,
     true},
    {"ioerror_both_4GiB_real_1GiB", {"--size=4Gi", "--real=1Gi", "--kind=ioerror", "--errors=both"}, 1 * kGi,
     true},
    // 4Kn sticks: 4,096-byte logical sectors, which take no 512-byte transfer.
    {"genuine_2GiB_4Kn", {"--size=2Gi", "--kind=genuine", "--sector-size=4096"}, 2 * kGi, false},
    {"limbo_16GiB_real_2GiB_4Kn", {"--size=16Gi", "--real=2Gi", "--kind=limbo", "--sector-size=4096"}, 2 * kGi,
     true},
};

SW_E2E_TWINS(Fakes, ProbeOnFakes, kRows);

// The probe unmounts the stick's file system, writes its blocks, puts the saved ones back and
// mounts the file system again: the file on it reads as before.
TEST_P(E2eTwin, ProbeGivesTheFileSystemBackWhole) {
  SW_E2E_MAKE(stick, {"--size=1Gi", "--kind=genuine"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  SW_E2E_REQUIRE_SAFE();
  const std::string content(300'000, 'q');
  const auto file = stick->VolumeDir() / "keep.txt";
  {
    std::ofstream out(file, std::ios::binary);
    out << content;
  }
  ::sync();
  std::vector<std::string> args = {"probe"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  const CliResult run = RunCli(args);
  ASSERT_EQ(run.exitCode, kExitPassed) << run.output;
  EXPECT_NE(run.output.find("Original blocks restored: all of them."), std::string::npos) << run.output;
  ASSERT_TRUE(stick->VolumeMounted()) << "mounted again after the probe";
  std::ifstream in(file, std::ios::binary);
  const std::string read((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(read, content);
}

}  // namespace
}  // namespace sw::e2e
