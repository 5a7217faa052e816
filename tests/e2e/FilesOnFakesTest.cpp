// The volume file test of the real terminal program on ext4 over fake sticks: a genuine stick
// passes and is left clean; on a stick whose memory ends inside the volume the lost data must
// be seen, which it only is when the verification reads come from the device and not from the
// page cache (data=journal keeps written pages cached).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

constexpr int kExitPassed = 0, kExitFailed = 1;

struct VolumeRow {
  const char* name;
  std::vector<std::string> fake;
  const char* mountOptions;
  bool counterfeit;
  bool mayEndIncomplete = false;  // a run cut short by a full volume, with no verdict
};

class FilesOnFakes : public TwinTest<VolumeRow> {};

TEST_P(FilesOnFakes, VerdictComesFromTheDevice) {
  const VolumeRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  ASSERT_TRUE(stick->MakeExt4AndMount(row.mountOptions));
  SW_E2E_REQUIRE_SAFE();
  // By its device: a letter is a position that another process may see differently while
  // disks come and go.
  CliResult run = RunCli({"files", stick->Disk(), "--yes", "--all"});
  EXPECT_TRUE(stick->VolumeMounted());
  if (!row.counterfeit) {
    EXPECT_NE(run.exitCode, kExitFailed) << run.output;
    EXPECT_EQ(run.output.find("PROBABLY FAKE"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("TEST FAILED"), std::string::npos) << run.output;
    if (!row.mayEndIncomplete || run.output.find("INCOMPLETE") == std::string::npos) {
      EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
      EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
    }
    for (const auto& entry : std::filesystem::directory_iterator(stick->VolumeDir())) {
      EXPECT_EQ(entry.path().filename().string().rfind("WARDFILE", 0), std::string::npos) << entry.path();
    }
    return;
  }
  EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
  EXPECT_EQ(run.output.find("PASSED"), std::string::npos) << run.output;
}

// The fakes keep the first 640 MiB of 1 GiB: ext4's metadata (packed at the start in flex groups)
// and the journal stay in real memory, so the volume mounts and only file data is lost.
const VolumeRow kRows[] = {
    {"genuine_ext4", {"--size=460Mi"}, "", false},
    // The last file (free space less 1 KiB) does not fit in this volume: the run ends
    // incomplete, which must never read as a fake.
    {"genuine_ext4_full_before_the_last_file", {"--size=512Mi"}, "", false, true},
    {"limbo_ext4", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, "", true},
    {"limbo_ext4_data_journal", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, "data=journal", true},
};

SW_E2E_TWINS(Volumes, FilesOnFakes, kRows);

// The thorough test on the same sticks: every byte read back from the device, so the limbo
// fake's good space is about its real memory less what ext4 keeps before the file, and the
// genuine one passes and is left without .h2w files.
class ThoroughOnFakes : public TwinTest<VolumeRow> {};

TEST_P(ThoroughOnFakes, EveryByteComesFromTheDevice) {
  const VolumeRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  ASSERT_TRUE(stick->MakeExt4AndMount(row.mountOptions));
  SW_E2E_REQUIRE_SAFE();
  CliResult run = RunCli({"files", stick->Disk(), "--thorough", "--yes", "--all"});
  EXPECT_TRUE(stick->VolumeMounted());
  for (const auto& entry : std::filesystem::directory_iterator(stick->VolumeDir())) {
    EXPECT_NE(entry.path().extension(), ".h2w") << entry.path();
  }
  if (!row.counterfeit) {
    EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
    EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
    return;
  }
  EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
  const auto at = run.output.find("\nGood: ");
  ASSERT_NE(at, std::string::npos) << run.output;
  const int goodMB = std::stoi(run.output.substr(at + 7));
  // 640 MiB real, less ext4's metadata and journal before the file's first block.
  EXPECT_LE(goodMB, 640) << run.output;
  EXPECT_GE(goodMB, 400) << run.output;
  EXPECT_NE(run.output.find("\nCorrupted: "), std::string::npos) << run.output;
}

const VolumeRow kThoroughRows[] = {
    {"genuine_ext4", {"--size=460Mi"}, "", false},
    {"limbo_ext4", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, "", true},
    {"limbo_ext4_data_journal", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, "data=journal", true},
};

SW_E2E_TWINS(Volumes, ThoroughOnFakes, kThoroughRows);

}  // namespace
}  // namespace sw::e2e
