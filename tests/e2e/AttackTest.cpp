// The ways a destructive test could hit a disk the user did not confirm, tried for real on fake
// sticks: a stick pulled at the prompt or while markers are written, a stick plugged in between
// the list and the test, a mounted and busy file system, a link where a test file goes, and two
// runs on one stick. Each checks, through the sticks' own write counts, that no other disk got a
// single write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kExitPassed = 0, kExitNotRun = 2, kExitAborted = 3;
constexpr const char* kAsk = "[O]K/[C]ancel? ";
constexpr const char* kWriteProgress = "% complete  - ";
constexpr const char* kPinning = "the identity pinned from the pick to the last write (ident)";
constexpr const char* kDevicePaths = "devices named by path in the terminal (linuxdev)";
constexpr const char* kLetterRefusal = "the refusal of a letter with --yes (linuxdev)";
constexpr const char* kMountRefusal = "the refusal of a disk with a mounted file system (linuxdev)";
constexpr const char* kLinkRefusal = "the refusal of a test-file name that is a link (linuxdev)";
constexpr const char* kOneRunPerDisk = "one run per disk (linuxdev)";

std::vector<std::string> Args(std::initializer_list<std::string> head, const std::vector<std::string>& name,
                              std::initializer_list<std::string> tail = {}) {
  std::vector<std::string> args(head);
  args.insert(args.end(), name.begin(), name.end());
  args.insert(args.end(), tail);
  return args;
}

// A child that sits in a folder and holds a file open there, as a shell inside a stick does.
class BusyProcess {
 public:
  explicit BusyProcess(const fs::path& dir) {
    pid_ = ::fork();
    if (pid_ == 0) {
      if (::chdir(dir.c_str()) != 0) ::_exit(1);
      int fd = ::open("held.txt", O_CREAT | O_RDWR, 0600);
      (void)fd;
      ::pause();
      ::_exit(0);
    }
  }
  ~BusyProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, nullptr, 0);
    }
  }
  bool Started() const { return pid_ > 0; }

 private:
  pid_t pid_ = -1;
};

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The ext4 magic number in the superblock, read from the fake's own memory.
bool HoldsExt4(const FakeStickDevice& stick) {
  int fd = ::open(stick.StickFile().c_str(), O_RDONLY);
  if (fd < 0) return false;
  unsigned char magic[2] = {};
  bool read = ::pread(fd, magic, 2, 1024 + 56) == 2;
  ::close(fd);
  return read && magic[0] == 0x53 && magic[1] == 0xEF;
}

using AttackTest = E2eTest;

TEST_F(AttackTest, AStickPulledAtThePromptLeavesEveryOtherDiskUnwritten) {
  SW_E2E_WAITS_FOR(kPinning);
  SW_E2E_MAKE(first, {"--size=512Mi"});
  SW_E2E_MAKE(picked, {"--size=600Mi"});
  SW_E2E_MAKE(next, {"--size=700Mi"});  // takes the picked stick's number once the first is gone
  SW_E2E_REQUIRE_SAFE();
  CliOnTerminal run(Args({"quick"}, Name(*picked)));
  ASSERT_TRUE(run.Started());
  ASSERT_TRUE(run.WaitFor(kAsk)) << run.Output();
  // The prompt names the device, so the user can see which disk is meant.
  EXPECT_NE(run.Output().find(picked->Disk()), std::string::npos) << run.Output();
  ASSERT_TRUE(first->Unplug());
  ASSERT_TRUE(first->Detach());
  run.Type("o\n");
  ASSERT_TRUE(run.WaitFor(kAsk)) << run.Output();
  run.Type("o\n");
  int code = run.Finish();
  EXPECT_EQ(first->Count().sectorsWritten, 0u);
  EXPECT_EQ(next->Count().sectorsWritten, 0u) << run.Output();
  // The picked stick itself did not change: testing it is right, and so is stopping.
  EXPECT_TRUE(code == kExitPassed || code == kExitAborted) << run.Output();
}

TEST_F(AttackTest, AStickPulledDuringTheWritePassLeavesEveryOtherDiskUnwritten) {
  SW_E2E_WAITS_FOR(kPinning);
  SW_E2E_MAKE(pulled, {"--size=4Gi", "--write-delay-us=30000"});
  SW_E2E_MAKE(beside, {"--size=4Gi"});  // gets the pulled stick's drive number
  SW_E2E_REQUIRE_SAFE();
  CliOnTerminal run(Args({"quick"}, Name(*pulled), {"--yes"}));
  ASSERT_TRUE(run.WaitFor(kWriteProgress)) << run.Output();
  ASSERT_TRUE(pulled->Unplug());
  ASSERT_TRUE(pulled->Detach());
  int code = run.Finish();
  EXPECT_EQ(beside->Count().sectorsWritten, 0u) << run.Output();
  EXPECT_EQ(code, kExitAborted) << run.Output();
  EXPECT_EQ(run.Output().find("*** PASSED ***"), std::string::npos) << run.Output();
}

TEST_F(AttackTest, AStickPluggedInBetweenListAndATestByPathChangesNothing) {
  SW_E2E_MAKE(listed, {"--size=1Gi"});
  if (!TakesDevicePaths(*listed)) GTEST_SKIP() << "waits for " << kDevicePaths;
  SW_E2E_REQUIRE_SAFE();
  ASSERT_EQ(RunCli({"list", "--all"}).exitCode, kExitPassed);
  SW_E2E_MAKE(newcomer, {"--size=2Gi"});
  SW_E2E_REQUIRE_SAFE();
  CliResult run = RunCli({"quick", listed->Disk(), "--yes"});
  EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
  EXPECT_GT(listed->Count().sectorsWritten, 0u);
  EXPECT_EQ(newcomer->Count().sectorsWritten, 0u) << run.output;
}

TEST_F(AttackTest, ALetterWithYesIsRefusedForADestructiveTest) {
  SW_E2E_WAITS_FOR(kLetterRefusal);
  SW_E2E_MAKE(stick, {"--size=1Gi"});
  SW_E2E_REQUIRE_SAFE();
  std::string letter = Letter(*stick);
  ASSERT_FALSE(letter.empty());
  CliResult run = RunCli({"quick", letter, "--yes", "--all"});
  EXPECT_EQ(run.exitCode, kExitNotRun) << run.output;
  EXPECT_NE(run.output.find("/dev/"), std::string::npos) << "the refusal says to name the device: " << run.output;
  EXPECT_EQ(stick->Count().sectorsWritten, 0u);
}

TEST_F(AttackTest, ABusyMountedFileSystemIsRefusedAndStaysMounted) {
  SW_E2E_WAITS_FOR(kMountRefusal);
  SW_E2E_MAKE(stick, {"--size=1Gi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  BusyProcess shell(stick->VolumeDir());
  ASSERT_TRUE(shell.Started());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // let it sit down in the folder
  SW_E2E_REQUIRE_SAFE();
  CliResult run = RunCli(Args({"quick"}, Name(*stick), {"--yes"}));
  EXPECT_EQ(run.exitCode, kExitNotRun) << run.output;
  EXPECT_NE(run.output.find(stick->VolumeDir().string()), std::string::npos)
      << "the message names the mount point: " << run.output;
  EXPECT_TRUE(stick->VolumeMounted());
  EXPECT_TRUE(HoldsExt4(*stick)) << "the file system was written over";
}

TEST_F(AttackTest, ALinkNamedLikeATestFileIsNotWrittenThrough) {
  SW_E2E_MAKE(stick, {"--size=256Mi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  // The link points out of the volume, at a file of the test's own.
  fs::path victim = fs::temp_directory_path() / ("sw-e2e-victim-" + std::to_string(::getpid()));
  const std::string precious(64 * 1024, 'K');
  { std::ofstream(victim, std::ios::binary) << precious; }
  struct RemoveVictim {
    fs::path p;
    ~RemoveVictim() { std::error_code ec; fs::remove(p, ec); }
  } removeVictim{victim};
  fs::create_symlink(victim, stick->VolumeDir() / "WARDFILE1.tmp");
  SW_E2E_REQUIRE_SAFE();
  std::string letter = Letter(*stick);
  ASSERT_FALSE(letter.empty());
  CliResult run = RunCli({"files", letter, "--yes", "--all"});
  EXPECT_EQ(Slurp(victim), precious) << run.output;
  EXPECT_TRUE(fs::is_symlink(stick->VolumeDir() / "WARDFILE1.tmp"));
  EXPECT_EQ(run.output.find("*** PASSED ***"), std::string::npos) << run.output;
}

TEST_F(AttackTest, ALinkNamedLikeATestFileIsRefusedBeforeAnythingIsWritten) {
  SW_E2E_WAITS_FOR(kLinkRefusal);
  SW_E2E_MAKE(stick, {"--size=256Mi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  fs::create_symlink("/etc/hostname", stick->VolumeDir() / "WARDFILE1.tmp");
  std::string letter = Letter(*stick);
  ASSERT_FALSE(letter.empty());
  CliResult run = RunCli({"files", letter, "--yes", "--all"});
  EXPECT_EQ(run.exitCode, kExitNotRun) << run.output;
  // Named where the user finds it: under the mount point, not as a Windows path.
  EXPECT_NE(run.output.find((stick->VolumeDir() / "WARDFILE1.tmp").string()), std::string::npos)
      << run.output;
  EXPECT_FALSE(fs::exists(stick->VolumeDir() / "WARDFILE2.tmp"));
}

TEST_F(AttackTest, ASecondRunOnAStickUnderTestIsRefused) {
  SW_E2E_WAITS_FOR(kOneRunPerDisk);
  SW_E2E_MAKE(stick, {"--size=4Gi", "--write-delay-us=20000"});
  SW_E2E_REQUIRE_SAFE();
  CliOnTerminal first(Args({"quick"}, Name(*stick), {"--yes"}));
  ASSERT_TRUE(first.WaitFor(kWriteProgress)) << first.Output();
  std::uint64_t before = stick->Count().writeRequests;
  CliResult second = RunCli(Args({"quick"}, Name(*stick), {"--yes"}));
  EXPECT_EQ(second.exitCode, kExitNotRun) << second.output;
  EXPECT_EQ(second.output.find("*** PASSED ***"), std::string::npos) << second.output;
  EXPECT_EQ(first.Finish(), kExitPassed) << first.Output();
  EXPECT_GT(stick->Count().writeRequests, before);  // the first run went on to its end
}

}  // namespace
}  // namespace sw::e2e
