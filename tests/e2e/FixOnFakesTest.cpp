// Make Usable of the real terminal program on counterfeit block devices: the probe it runs first
// finds the real end, the partition stops at or below it, the new volume passes the system's
// own check of its file system, and, mounted as a desktop would mount it, the thorough file test
// finds that it holds every byte written to it.
#include <gtest/gtest.h>

#include <sys/statvfs.h>

#include <cstdint>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

#include "E2eFixture.h"
#include "LoopImages.h"
#include "VolumeMount.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0;
constexpr std::uint64_t kMi = 1ull << 20;
constexpr std::uint64_t kGi = 1ull << 30;

struct FixRow {
  const char* name;
  std::vector<std::string> fake;
  std::uint64_t realBytes;
  std::uint64_t sectorBytes;
  const char* fileSystem;  // --fs, or null for the default (FAT32 up to 32 GiB)
};

// How the system's tools name and check each file system.
struct FsTools {
  const char* ours;
  const char* blkidType;
  const char* check;  // read-only check of the device that follows
};
constexpr FsTools kTools[] = {
    {"fat32", "vfat", "fsck.vfat -n"},
    {"exfat", "exfat", "fsck.exfat -n"},
    {"ext4", "ext4", "e2fsck -f -n"},
};

const FsTools& ToolsOf(const std::string& fs) {
  for (const FsTools& t : kTools) {
    if (fs == t.ours) return t;
  }
  return kTools[0];
}

// "Partition 1: sectors F to L of S bytes", as the report gives it.
bool PartitionOf(const std::string& output, std::uint64_t& first, std::uint64_t& last, std::uint64_t& sector) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(R"(Partition 1: sectors (\d+) to (\d+) of (\d+) bytes)"))) return false;
  first = std::stoull(m[1]);
  last = std::stoull(m[2]);
  sector = std::stoull(m[3]);
  return true;
}

// The thorough test's "Good: 2,046.00 MB (4190208 sectors)": the bytes; 0 when missing.
std::uint64_t GoodBytes(const std::string& output) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(R"(\nGood: [^(]*\((\d+) sectors\))"))) return 0;
  return std::stoull(m[1]) * 512;
}

int Shell(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// All the free space, ext4's reserve too: the test runs as root, and root may fill it.
std::uint64_t FreeBytes(const std::filesystem::path& dir) {
  struct statvfs s {};
  if (::statvfs(dir.c_str(), &s) != 0) return 0;
  return static_cast<std::uint64_t>(s.f_bfree) * s.f_frsize;
}

struct Proof {
  CliResult written;   // the thorough test that wrote and checked the files
  CliResult verified;  // their check once more, after a remount, from the device
  std::uint64_t freeBytes = 0;
};

// The thorough file test of the volume on `partition`, then, as after a replug, the volume
// unmounted, the partition's cached blocks dropped and the volume mounted again for a check of
// the same files: a FUSE file system reads the device through its page cache, so only the
// second check is sure to see what the stick kept.
Proof ProveVolume(const std::string& partition, const std::string& fileSystem) {
  Proof proof;
  {
    const VolumeMount volume(partition, fileSystem);
    EXPECT_TRUE(volume.Mounted()) << "cannot mount " << partition << " (" << fileSystem << ")";
    if (!volume.Mounted()) return proof;
    proof.freeBytes = FreeBytes(volume.Dir());
    proof.written = RunCli({"files", partition, "--thorough", "--keep", "--yes"});
  }
  EXPECT_EQ(Shell("blockdev --flushbufs " + partition), 0) << partition;
  const VolumeMount again(partition, fileSystem);
  EXPECT_TRUE(again.Mounted()) << "cannot mount " << partition << " again";
  if (again.Mounted()) proof.verified = RunCli({"files", partition, "--verify-only", "--yes"});
  return proof;
}

class FixOnFakes : public TwinTest<FixRow> {};

TEST_P(FixOnFakes, TheNewVolumeEndsAtTheRealEndChecksCleanAndHoldsEveryByteWrittenToIt) {
  const FixRow& row = TheRow();
  const std::string fileSystem = row.fileSystem ? row.fileSystem : "fat32";
  const FsTools& tools = ToolsOf(fileSystem);
  if (const std::string missing = VolumeMount::Missing(fileSystem); !missing.empty()) {
    GTEST_SKIP() << "needs " << missing << " to mount the new " << fileSystem << " volume";
  }
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  std::vector<std::string> args = {"fix"};
  for (const std::string& a : Name(*stick)) args.push_back(a);
  args.push_back("--yes");
  if (row.fileSystem) args.insert(args.end(), {"--fs", row.fileSystem});
  const CliResult run = RunCli(args);
  ASSERT_EQ(run.exitCode, kExitPassed) << run.output;
  std::uint64_t first = 0, last = 0, sector = 0;
  ASSERT_TRUE(PartitionOf(run.output, first, last, sector)) << run.output;
  EXPECT_EQ(sector, row.sectorBytes);
  EXPECT_EQ(first * sector, kMi);
  const std::uint64_t partitionBytes = (last + 1 - first) * sector;
  EXPECT_LE((last + 1) * sector, row.realBytes) << "past the real end";
  EXPECT_GT((last + 1) * sector, row.realBytes - kMi) << "more than a MiB short of it";
  EXPECT_NE(run.output.find("The partition's last sector holds what was written there."), std::string::npos)
      << run.output;
  // The system's own tools agree: one partition where the report says, of the file system
  // asked for, which checks clean.
  const std::string partition = stick->Disk() + "p1";
  EXPECT_EQ(Shell("blkid -p -o value -s TYPE " + partition + " | grep -qx " + tools.blkidType), 0) << partition;
  EXPECT_EQ(Shell(std::string(tools.check) + " " + partition), 0) << tools.check << " " << partition;
  EXPECT_EQ(Shell("parted -s " + stick->Disk() + " unit s print | grep -q '^ 1 *" + std::to_string(first) + "s *" +
                  std::to_string(last) + "s'"),
            0);

  // The proof: the volume, mounted as after a replug, takes a thorough file test of all its
  // free space and gives every byte back, also once mounted again.
  const Proof proof = ProveVolume(partition, fileSystem);
  const std::uint64_t free = proof.freeBytes;
  EXPECT_GT(free, partitionBytes / 100 * 90) << "the new file system leaves too little room";
  for (const CliResult* files : {&proof.written, &proof.verified}) {
    EXPECT_EQ(files->exitCode, kExitPassed) << files->output;
    EXPECT_NE(files->output.find("PASSED"), std::string::npos) << files->output;
  }
  // Every byte of the free space, less what the file system takes for the files themselves
  // (ext4: their extent blocks; root's reserve counts as free).
  const std::uint64_t good = GoodBytes(proof.verified.output);
  EXPECT_EQ(GoodBytes(proof.written.output), good);
  EXPECT_LE(good, free);
  EXPECT_GE(good, free - free / 20) << proof.verified.output;
  std::cout << "  " << row.name << ": " << fileSystem << " on sectors " << first << ".." << last << " of " << sector
            << " bytes (" << partitionBytes << " bytes), " << free << " bytes free, thorough test "
            << (proof.verified.exitCode == kExitPassed ? "PASSED" : "not passed") << " after a remount with " << good
            << " bytes good\n";
}

// The control: the same test on a volume that runs past a fake's real end, as one made to the size
// the stick announces, must fail, or its PASSED above would prove nothing.
class PastTheRealEnd : public TwinTest<FixRow> {};

TEST_P(PastTheRealEnd, AVolumeToTheAnnouncedEndFailsTheSameTest) {
  const FixRow& row = TheRow();
  const std::string fileSystem = row.fileSystem ? row.fileSystem : "fat32";
  if (const std::string missing = VolumeMount::Missing(fileSystem); !missing.empty()) {
    GTEST_SKIP() << "needs " << missing << " to mount the " << fileSystem << " volume";
  }
  SW_E2E_MAKE(stick, row.fake);
  SW_E2E_REQUIRE_SAFE();
  const std::string partition = stick->Disk() + "p1";
  // parted tells the kernel of the partition itself.
  ASSERT_EQ(Shell("parted -s " + stick->Disk() + " mklabel msdos mkpart primary fat32 1MiB 100%"), 0);
  ASSERT_TRUE(WaitForNode(partition)) << partition;
  ASSERT_EQ(Shell("mkfs.vfat -F 32 " + partition), 0);
  const Proof proof = ProveVolume(partition, fileSystem);
  const CliResult& files = proof.verified;
  EXPECT_NE(files.exitCode, kExitPassed) << files.output;
  EXPECT_EQ(files.output.find("PASSED"), std::string::npos) << files.output;
  // At once too: the volume's FUSE server reads the partition through its cache, and the test's
  // reads must get past that to the stick.
  EXPECT_NE(proof.written.exitCode, kExitPassed) << proof.written.output;
  EXPECT_LT(GoodBytes(files.output), row.realBytes) << files.output;
  std::cout << "  " << row.name << ": fat32 to the announced end, thorough test "
            << (proof.written.exitCode == kExitPassed ? "PASSED" : "not passed") << " at once, "
            << (files.exitCode == kExitPassed ? "PASSED" : "not passed") << " after a remount with "
            << GoodBytes(files.output) << " bytes good\n";
}

const FixRow kPastRows[] = {
    {"limbo_2GiB_real_512MiB", {"--size=2Gi", "--real=512Mi", "--kind=limbo"}, 512 * kMi, 512, nullptr},
};

SW_E2E_TWINS(Fakes, PastTheRealEnd, kPastRows);

const FixRow kRows[] = {
    {"limbo_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=limbo"}, 2 * kGi, 512, nullptr},
    {"wrap_16GiB_real_2GiB", {"--size=16Gi", "--real=2Gi", "--kind=wrap"}, 2 * kGi, 512, nullptr},
    {"limbo_16GiB_real_2GiB_4Kn", {"--size=16Gi", "--real=2Gi", "--kind=limbo", "--sector-size=4096"}, 2 * kGi, 4096,
     nullptr},
    {"limbo_4GiB_real_1GiB_exfat", {"--size=4Gi", "--real=1Gi", "--kind=limbo"}, kGi, 512, "exfat"},
    {"wrap_4GiB_real_1GiB_ext4", {"--size=4Gi", "--real=1Gi", "--kind=wrap"}, kGi, 512, "ext4"},
};

SW_E2E_TWINS(Fakes, FixOnFakes, kRows);

}  // namespace
}  // namespace sw::e2e
