// The thorough test beside F3 on ext4 over fake sticks: f3read (Debian's f3 package) reads the
// files this program keeps and finds what it found, this program reads the files f3write
// leaves and finds what f3read finds, and on every fake the good megabytes of a thorough run
// are those f3write and f3read give for the same stick.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kExitPassed = 0, kExitFailed = 1;
constexpr std::uint64_t kMiB = 1'048'576;
// Both count the same sectors of the same files; they part by at most what the file system
// hands out differently to two fills (a few blocks of bookkeeping).
constexpr long long kToleranceMB = 24;

struct F3Result {
  bool ran = false;
  std::string output;
  long long goodMB = -1, lostMB = -1;
};

std::string Shell(const std::string& command, bool& ran) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  ran = pipe != nullptr;
  if (!pipe) return out;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
  ran = ::pclose(pipe) == 0;
  return out;
}

// "Data OK: 47.69 MB (97664 sectors)": the sectors, in whole MiB.
long long SectorsAfter(const std::string& output, const std::string& label) {
  const auto at = output.find(label);
  if (at == std::string::npos) return -1;
  const auto open = output.find('(', at);
  if (open == std::string::npos) return -1;
  return std::stoll(output.substr(open + 1)) * 512 / static_cast<long long>(kMiB);
}

F3Result F3Read(const fs::path& dir) {
  F3Result r;
  r.output = Shell("f3read '" + dir.string() + "'", r.ran);
  r.goodMB = SectorsAfter(r.output, "Data OK:");
  r.lostMB = SectorsAfter(r.output, "Data LOST:");
  return r;
}

long long OurGoodMB(const std::string& output) {
  const auto at = output.find("\nGood: ");
  return at == std::string::npos ? -1 : std::stoll(output.substr(at + 7));
}

bool HasH2w(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() == ".h2w") return true;
  }
  return false;
}

struct InteropRow {
  const char* name;
  std::vector<std::string> fake;
  bool counterfeit;
  // Ours fills to the end as f3write does, so the two fills may be compared: on a stick that
  // overwrites what it kept, a default run stops early to spare the data left.
  bool full = false;
};

class ThoroughBesideF3 : public TwinTest<InteropRow> {};

TEST_P(ThoroughBesideF3, EachReadsTheOthersFilesAndTheyAgreeOnTheGoodSpace) {
  const InteropRow& row = TheRow();
  bool haveF3 = false;
  Shell("command -v f3read && command -v f3write", haveF3);
  if (!haveF3) GTEST_SKIP() << "f3read and f3write (Debian's f3 package) are not installed";
  SW_E2E_MAKE(stick, row.fake);
  ASSERT_TRUE(stick->MakeExt4AndMount());
  SW_E2E_REQUIRE_SAFE();

  // Ours, kept for f3read.
  std::vector<std::string> args = {"files", stick->Disk(), "--thorough", "--keep", "--yes", "--all"};
  if (row.full) args.push_back("--full");
  const CliResult ours = RunCli(args);
  EXPECT_EQ(ours.exitCode, row.counterfeit ? kExitFailed : kExitPassed) << ours.output;
  const long long ourGood = OurGoodMB(ours.output);
  ASSERT_GE(ourGood, 0) << ours.output;
  ASSERT_TRUE(HasH2w(stick->VolumeDir())) << ours.output;
  for (const auto& entry : fs::directory_iterator(stick->VolumeDir())) {
    if (entry.path().extension() == ".h2w") {
      EXPECT_EQ(fs::file_size(entry.path()) % kMiB, 0u) << entry.path();
    }
  }
  const F3Result theirRead = F3Read(stick->VolumeDir());
  ASSERT_GE(theirRead.goodMB, 0) << theirRead.output;
  EXPECT_NEAR(theirRead.goodMB, ourGood, kToleranceMB) << theirRead.output << ours.output;
  if (!row.counterfeit) {
    EXPECT_EQ(theirRead.lostMB, 0) << theirRead.output;
  }

  // Kept files are this program's: the clean-up takes them.
  const CliResult cleanup = RunCli({"cleanup", stick->Disk(), "--yes"});
  EXPECT_FALSE(HasH2w(stick->VolumeDir())) << cleanup.output;

  // F3's own fill, read by f3read and by this program.
  bool wrote = false;
  const std::string f3write = Shell("f3write '" + stick->VolumeDir().string() + "'", wrote);
  ASSERT_TRUE(HasH2w(stick->VolumeDir())) << f3write;
  const F3Result f3 = F3Read(stick->VolumeDir());
  ASSERT_GE(f3.goodMB, 0) << f3.output;
  const CliResult verify = RunCli({"files", stick->Disk(), "--verify-only", "--yes", "--all"});
  EXPECT_EQ(verify.exitCode, row.counterfeit ? kExitFailed : kExitPassed) << verify.output;
  EXPECT_NEAR(OurGoodMB(verify.output), f3.goodMB, kToleranceMB) << verify.output << f3.output;
  // The real size on every fake: our fill finds what F3's finds.
  EXPECT_NEAR(ourGood, f3.goodMB, kToleranceMB) << ours.output << f3.output;
  EXPECT_TRUE(HasH2w(stick->VolumeDir()));  // --verify-only deletes nothing
  EXPECT_TRUE(stick->VolumeMounted());
}

// The fakes keep the first 640 MiB of 1 GiB, so ext4's metadata and journal stay in real memory.
const InteropRow kRows[] = {
    {"genuine_ext4", {"--size=460Mi"}, false},
    {"limbo_ext4", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, true},
    {"wrap_ext4", {"--size=1Gi", "--real=640Mi", "--kind=wrap"}, true, true},
};

SW_E2E_TWINS(Volumes, ThoroughBesideF3, kRows);

}  // namespace
}  // namespace sw::e2e
