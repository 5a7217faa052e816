// Make Usable of the real terminal program on counterfeit block devices: the probe it runs first
// finds the real end, the partition stops at or below it, and the new FAT32 volume passes the
// system's own check of its file system.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0;
constexpr std::uint64_t kGi = 1ull << 30;

struct FixRow {
  const char* name;
  std::vector<std::string> fake;
  std::uint64_t realBytes;
  std::uint64_t sectorBytes;
};

// "Partition 1: sectors F to L of S bytes", as the report gives it.
bool PartitionOf(const std::string& output, std::uint64_t& first, std::uint64_t& last, std::uint64_t& sector) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(R"(Partition 1: sectors (\d+) to (\d+) of (\d+) bytes)"))) return false;
  first = std::stoull(m[1]);
  last = std::stoull(m[2]);
  sector = std::stoull(m[3]);
  return true;
}

int Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class FixOnFakes : public TwinTest<FixRow> {};

TEST_P(FixOnFakes, ThePartitionEndsAtTheRealEndAndItsFileSystemChecksClean) {
  const FixRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  std::vector<std::string> args = {"fix"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  const CliResult run = RunCli(args);
  ASSERT_EQ(run.exitCode, kExitPassed) << run.output;
  std::uint64_t first = 0, last = 0, sector = 0;
  ASSERT_TRUE(PartitionOf(run.output, first, last, sector)) << run.output;
  EXPECT_EQ(sector, row.sectorBytes);
  EXPECT_EQ(first * sector, 1u << 20);
  EXPECT_LE((last + 1) * sector, row.realBytes) << "past the real end";
  EXPECT_GT((last + 1) * sector, row.realBytes - (1u << 20)) << "more than a MiB short of it";
  EXPECT_NE(run.output.find("The partition's last sector holds what was written there."), std::string::npos)
      << run.output;
  // The system's own tools agree: one partition of the type, a FAT32 file system that checks clean.
  const std::string partition = stick->Disk() + "p1";
  EXPECT_EQ(Shell("blkid -p -o value -s TYPE " + partition + " | grep -qx vfat"), 0) << partition;
  EXPECT_EQ(Shell("fsck.vfat -n " + partition), 0) << partition;
  EXPECT_EQ(Shell("parted -s " + stick->Disk() + " unit s print | grep -q '^ 1 *" + std::to_string(first) + "s *" +
                  std::to_string(last) + "s'"),
            0);
}

const FixRow kRows[] = {
    {"limbo_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=limbo"}, 2 * kGi, 512},
    {"wrap_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap"}, 2 * kGi, 512},
    {"limbo_16GiB_real_2GiB_4Kn", {"--size=16Gi", "--real=2Gi", "--kind=limbo", "--sector-size=4096"}, 2 * kGi, 4096},
};

SW_E2E_TWINS(Fakes, FixOnFakes, kRows);

}  // namespace
}  // namespace sw::e2e
