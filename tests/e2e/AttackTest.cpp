// The ways a destructive test could hit a disk the user did not confirm, tried for real on fake
// sticks: a stick pulled at the prompt or while markers are written, a stick plugged in between
// the list and the test, a mounted and busy file system, a link or folder where a test file
// goes, two runs on one stick, a signal in the middle of a run, and the disk of /home. Each
// checks, through the sticks' own write counts, that no other disk got a single write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kExitPassed = 0, kExitNotRun = 2, kExitAborted = 3;
constexpr const char* kAsk = "[O]K/[C]ancel? ";
// The live line of the write pass on a terminal: "Writing markers  45%  12.3 MB/s ...".
constexpr const char* kWriteProgress = "Writing markers  ";

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
  pid_t Pid() const { return pid_; }

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
  ASSERT_TRUE(TakesDevicePaths(*listed));
  SW_E2E_REQUIRE_SAFE();
  ASSERT_EQ(RunCli({"list", "--all"}).exitCode, kExitPassed);
  SW_E2E_MAKE(newcomer, {"--size=2Gi"});
  SW_E2E_REQUIRE_SAFE();
  CliResult run = RunCli({"quick", listed->Disk(), "--yes"});
  EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
  EXPECT_GT(listed->Count().sectorsWritten, 0u);
  EXPECT_EQ(newcomer->Count().sectorsWritten, 0u) << run.output;
}

// The letter `list` showed, used after another stick came in: refused with --yes, whichever
// stick the letter names now.
TEST_F(AttackTest, ALetterWithYesIsRefusedForADestructiveTest) {
  SW_E2E_MAKE(stick, {"--size=1Gi"});
  SW_E2E_REQUIRE_SAFE();
  std::string letter = Letter(*stick);
  ASSERT_FALSE(letter.empty());
  SW_E2E_MAKE(newcomer, {"--size=2Gi"});
  SW_E2E_REQUIRE_SAFE();
  CliResult run = RunCli({"quick", letter, "--yes", "--all"});
  EXPECT_EQ(run.exitCode, kExitNotRun) << run.output;
  EXPECT_NE(run.output.find("/dev/"), std::string::npos) << "the refusal says to name the device: " << run.output;
  EXPECT_EQ(stick->Count().sectorsWritten, 0u);
  EXPECT_EQ(newcomer->Count().sectorsWritten, 0u);
}

TEST_F(AttackTest, ABusyMountedFileSystemIsRefusedAndStaysMounted) {
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
  EXPECT_NE(run.output.find(std::to_string(shell.Pid()) + " ("), std::string::npos)
      << "the message names the program that holds it: " << run.output;
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

// A name of a test file taken by a link or a folder: the run stops before the first file,
// says which name, and never blames the stick (a folder once made a genuine one "PROBABLY FAKE").
TEST_F(AttackTest, ANameTakenByALinkOrAFolderIsRefusedBeforeAnythingIsWritten) {
  struct Row {
    const char* name;
    bool folder;
  };
  for (const Row row : {Row{"WARDFILE1.tmp", false}, Row{"WARDFILE2.tmp", true}}) {
    SCOPED_TRACE(row.name);
    SW_E2E_MAKE(stick, {"--size=256Mi"});
    ASSERT_TRUE(stick->MakeExt4AndMount());
    const fs::path taken = stick->VolumeDir() / row.name;
    if (row.folder) {
      fs::create_directory(taken);
    } else {
      fs::create_symlink("/etc/hostname", taken);
    }
    SW_E2E_REQUIRE_SAFE();
    std::string letter = Letter(*stick);
    ASSERT_FALSE(letter.empty());
    CliResult run = RunCli({"files", letter, "--yes", "--all"});
    EXPECT_EQ(run.exitCode, kExitNotRun) << run.output;
    // Named where the user finds it: under the mount point, not as a Windows path.
    EXPECT_NE(run.output.find(taken.string()), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("PROBABLY FAKE"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("*** PASSED ***"), std::string::npos) << run.output;
    for (const auto& entry : fs::directory_iterator(stick->VolumeDir())) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("WARDFILE", 0) == 0) {
        EXPECT_EQ(name, row.name) << "a test file was written";
      }
    }
    EXPECT_EQ(fs::is_directory(fs::symlink_status(taken)), row.folder);
    sticks_.clear();
  }
}

TEST_F(AttackTest, ASecondRunOnAStickUnderTestIsRefused) {
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

// SIGTERM (kill), SIGHUP (the terminal closed) and SIGINT act as the Cancel button: the run
// stops at its next poll, gives the stick back and says so; the next run can claim the stick.
TEST_F(AttackTest, ASignalCancelsTheRunReleasesTheStickAndSaysSo) {
  SW_E2E_MAKE(stick, {"--size=4Gi", "--write-delay-us=20000"});
  SW_E2E_REQUIRE_SAFE();
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(::strsignal(signal));
    CliOnTerminal run(Args({"quick"}, Name(*stick), {"--yes"}));
    ASSERT_TRUE(run.WaitFor(kWriteProgress)) << run.Output();
    run.Signal(signal);
    EXPECT_EQ(run.Finish(std::chrono::seconds(60)), kExitAborted) << run.Output();
    EXPECT_NE(run.Output().find("TEST ABORTED!"), std::string::npos) << run.Output();
    EXPECT_EQ(run.Output().find("*** PASSED ***"), std::string::npos) << run.Output();
    const int claim = ::open(stick->Disk().c_str(), O_RDONLY | O_EXCL | O_CLOEXEC);
    EXPECT_GE(claim, 0) << "the stick is still held after the run ended";
    if (claim >= 0) ::close(claim);
  }
}

// A signal that comes at the very start, as soon as the program can take it, is the Cancel
// button as well: the run is cancelled before it writes a byte, whichever test it was.
TEST_F(AttackTest, ASignalAtTheVeryStartCancelsTheRunBeforeItWrites) {
  SW_E2E_MAKE(stick, {"--size=1Gi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  SW_E2E_REQUIRE_SAFE();
  for (const char* command : {"quick", "probe", "files"}) {
    SCOPED_TRACE(command);
    const std::uint64_t before = stick->Count().writeRequests;
    CliOnTerminal run(Args({command}, Name(*stick), {"--yes", "--all"}));
    ASSERT_TRUE(run.Holds(SIGTERM)) << run.Output();
    run.Signal(SIGTERM);
    EXPECT_EQ(run.Finish(std::chrono::seconds(60)), kExitAborted) << run.Output();
    EXPECT_EQ(run.Output().find("PASSED"), std::string::npos) << run.Output();
    EXPECT_EQ(stick->Count().writeRequests, before) << run.Output();
    EXPECT_TRUE(stick->VolumeMounted()) << run.Output();
  }
}

// A disk that holds /home is the running system's: not listed, and refused by its device path
// with nothing written. /home is mounted in a namespace of the program's own, so the machine's
// stays as it is; the same stick mounted elsewhere in such a namespace is listed.
TEST_F(AttackTest, ADiskHoldingHomeIsNeitherListedNorTested) {
  SW_E2E_MAKE(stick, {"--size=256Mi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  SW_E2E_REQUIRE_SAFE();
  const auto movedTo = [&](const std::string& target) {
    return std::vector<std::string>{"unshare", "--mount", "--propagation", "private", "--", "sh", "-c",
                                    "mount --move \"$0\" " + target + " && exec \"$@\"",
                                    stick->VolumeDir().string()};
  };
  const CliResult elsewhere = RunCli({"list", "--all"}, std::chrono::seconds(60), movedTo("/mnt"));
  ASSERT_EQ(elsewhere.exitCode, kExitPassed) << elsewhere.output;
  ASSERT_NE(elsewhere.output.find(stick->Disk() + " "), std::string::npos) << elsewhere.output;

  const CliResult list = RunCli({"list", "--all"}, std::chrono::seconds(60), movedTo("/home"));
  EXPECT_EQ(list.exitCode, kExitPassed) << list.output;
  EXPECT_EQ(list.output.find(stick->Disk()), std::string::npos) << list.output;
  const std::uint64_t before = stick->Count().writeRequests;
  const CliResult quick = RunCli({"quick", stick->Disk(), "--yes"}, std::chrono::seconds(60), movedTo("/home"));
  EXPECT_EQ(quick.exitCode, kExitNotRun) << quick.output;
  EXPECT_NE(quick.output.find("not a drive that can be tested"), std::string::npos) << quick.output;
  EXPECT_EQ(stick->Count().writeRequests, before);
  EXPECT_TRUE(stick->VolumeMounted());
}

}  // namespace
}  // namespace sw::e2e
