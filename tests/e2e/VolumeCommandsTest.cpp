// The drive list, the verification of .h2w files another tester left, and the clean-up of a
// cancelled file test, run by the real terminal program on fake sticks, each once quiet and
// once while other disks come and go.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kExitPassed = 0, kExitFailed = 1, kExitCancelled = 3;
constexpr std::uint64_t kMi = 1ull << 20;

// The first line of `list` that begins with the name and two blanks, or empty.
std::string ListLineOf(const std::string& output, const std::string& name) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(name + "  ", 0) == 0) return line;
  }
  return {};
}

// The size a list entry shows: whole cylinders of 255 x 63 sectors, in MiB with one decimal, cut.
std::string ListedMiB(std::uint64_t bytes) {
  constexpr std::uint64_t kCylinder = 255ull * 63 * 512;
  const std::uint64_t tenths = bytes / kCylinder * kCylinder * 10 / kMi;
  return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + "MiB";
}

// Several lists in a row: each must show the stick by its device with its own size and label,
// and its letter's line must name the stick's device and mount point, never another disk's.
TEST_P(E2eTwin, ListShowsTheStickWithItsOwnSizeLabelAndMount) {
  SW_E2E_MAKE(stick, {"--size=300Mi"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE("list " + std::to_string(i + 1));
    const CliResult list = RunCli({"list", "--all"});
    ASSERT_EQ(list.exitCode, kExitPassed) << list.output;
    const std::string line = ListLineOf(list.output, stick->Disk());
    ASSERT_FALSE(line.empty()) << list.output;
    EXPECT_NE(line.find(" SWFAKE "), std::string::npos) << line;
    const std::string size = " " + ListedMiB(stick->Bytes());
    const std::size_t at = line.find(size);
    EXPECT_TRUE(at != std::string::npos && (at + size.size() == line.size() || line[at + size.size()] == ' ')) << line;
    // "/dev/loop4  H:     SWFAKE   [DRIVE 5] ...": the letter, then its own description line.
    const std::string letter = line.substr(stick->Disk().size() + 2, 2);
    ASSERT_EQ(letter[1], ':') << line;
    const std::string described = ListLineOf(list.output, letter);
    EXPECT_EQ(described, letter + "  " + stick->Disk() + " on " + stick->VolumeDir().string()) << list.output;
  }
}

// Files in the format H2testw and f3write share, written here from its definition rather than
// the program's code: every 512-byte sector holds its offset in the stream of files, then 63
// words each the previous one times 4,294,967,311 plus 17. Written unbuffered and synced, so
// that a fake's losses are in what a later read gets.
bool WriteH2wFile(const fs::path& file, std::uint64_t streamOffset, std::uint64_t bytes) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_DIRECT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  constexpr std::size_t kChunk = 4 * kMi;
  void* memory = nullptr;
  if (::posix_memalign(&memory, 4096, kChunk) != 0) {
    ::close(fd);
    return false;
  }
  auto* words = static_cast<std::uint64_t*>(memory);
  bool ok = true;
  for (std::uint64_t done = 0; ok && done < bytes; done += kChunk) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, bytes - done));
    for (std::size_t sector = 0; sector < n / 512; ++sector) {
      std::uint64_t* w = words + sector * 64;
      w[0] = streamOffset + done + sector * 512;
      for (int i = 1; i < 64; ++i) w[i] = w[i - 1] * 4'294'967'311ull + 17;
    }
    ok = ::write(fd, memory, n) == static_cast<ssize_t>(n);
  }
  ok = ::fsync(fd) == 0 && ok;
  ok = ::close(fd) == 0 && ok;
  std::free(memory);
  return ok;
}

struct VerifyRow {
  const char* name;
  std::vector<std::string> fake;
  bool counterfeit;
};

class VerifyOnlyOnFakes : public TwinTest<VerifyRow> {};

// What another tester left is verified where it lies, and kept: a genuine stick passes, a fake
// whose memory ends inside the files fails.
TEST_P(VerifyOnlyOnFakes, VerdictOfFilesAnotherTesterLeft) {
  const VerifyRow& row = TheRow();
  SW_E2E_MAKE(stick, row.fake);
  ASSERT_TRUE(stick->MakeExt4AndMount());
  struct statvfs vfs {};
  ASSERT_EQ(::statvfs(stick->VolumeDir().c_str(), &vfs), 0);
  // Two files, the second one smaller, as f3write leaves a volume it filled (less a margin).
  const std::uint64_t fill = (static_cast<std::uint64_t>(vfs.f_bavail) * vfs.f_frsize - 16 * kMi) / kMi * kMi;
  const std::uint64_t first = fill / 2 / kMi * kMi;
  ASSERT_TRUE(WriteH2wFile(stick->VolumeDir() / "1.h2w", 0, first));
  ASSERT_TRUE(WriteH2wFile(stick->VolumeDir() / "2.h2w", 1ull << 30, fill - first));
  SW_E2E_REQUIRE_SAFE();
  const CliResult run = RunCli({"files", stick->Disk(), "--verify-only", "--yes", "--all"});
  EXPECT_TRUE(stick->VolumeMounted());
  EXPECT_TRUE(fs::exists(stick->VolumeDir() / "1.h2w")) << run.output;
  EXPECT_TRUE(fs::exists(stick->VolumeDir() / "2.h2w")) << run.output;
  EXPECT_NE(run.output.find("Verifying the .h2w files on the volume: 2 .h2w files"), std::string::npos) << run.output;
  if (!row.counterfeit) {
    EXPECT_EQ(run.exitCode, kExitPassed) << run.output;
    EXPECT_NE(run.output.find("PASSED"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nGood: " + std::to_string(fill / kMi) + "MB"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("\nCorrupted: 0MB"), std::string::npos) << run.output;
    return;
  }
  EXPECT_EQ(run.exitCode, kExitFailed) << run.output;
  EXPECT_EQ(run.output.find("PASSED"), std::string::npos) << run.output;
  const auto good = run.output.find("\nGood: ");
  ASSERT_NE(good, std::string::npos) << run.output;
  // What ext4 keeps before the files, and the files' data lost past the real 640 MiB.
  EXPECT_LE(std::stoi(run.output.substr(good + 7)), 640) << run.output;
  EXPECT_NE(run.output.find("\nCorrupted: "), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("\nCorrupted: 0MB"), std::string::npos) << run.output;
}

const VerifyRow kVerifyRows[] = {
    {"genuine_ext4", {"--size=460Mi"}, false},
    {"limbo_ext4", {"--size=1Gi", "--real=640Mi", "--kind=limbo"}, true},
};

SW_E2E_TWINS(Volumes, VerifyOnlyOnFakes, kVerifyRows);

// A file test stopped by Ctrl-C leaves its test files; the clean-up deletes them and nothing
// else: not the user's file, not another tester's .h2w file that holds no test data.
TEST_P(E2eTwin, CleanupDeletesTheTestFilesACancelledRunLeftAndNothingElse) {
  // Slow enough that the run is still writing when the second file appears.
  SW_E2E_MAKE(stick, {"--size=460Mi", "--write-delay-us=3000"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  const fs::path notes = stick->VolumeDir() / "notes.txt";
  const fs::path foreignH2w = stick->VolumeDir() / "1.h2w";
  { std::ofstream(notes) << "the user's own words\n"; }
  { std::ofstream(foreignH2w) << std::string(100'000, 'x'); }
  SW_E2E_REQUIRE_SAFE();
  {
    CliOnTerminal run({"files", stick->Disk(), "--yes", "--all"});
    ASSERT_TRUE(run.Started());
    // The second file begun: the first one is whole on the stick.
    const fs::path second = stick->VolumeDir() / "WARDFILE2.tmp";
    for (int i = 0; i < 1200 && !fs::exists(second) && !run.WaitFor("TEST FINISHED", std::chrono::milliseconds(100));
         ++i) {
    }
    ASSERT_TRUE(fs::exists(second)) << run.Output();
    run.Signal(SIGINT);
    EXPECT_EQ(run.Finish(std::chrono::seconds(120)), kExitCancelled) << run.Output();
  }
  ASSERT_TRUE(fs::exists(stick->VolumeDir() / "WARDFILE1.tmp")) << "the cancelled run left no test file";
  const CliResult cleanup = RunCli({"cleanup", stick->Disk(), "--yes", "--all"});
  EXPECT_EQ(cleanup.exitCode, kExitPassed) << cleanup.output;
  EXPECT_TRUE(stick->VolumeMounted());
  for (const auto& entry : fs::directory_iterator(stick->VolumeDir())) {
    EXPECT_EQ(entry.path().filename().string().rfind("WARDFILE", 0), std::string::npos) << entry.path();
  }
  std::ifstream in(notes);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "the user's own words\n");
  EXPECT_EQ(fs::file_size(foreignH2w), 100'000u) << cleanup.output;
}

}  // namespace
}  // namespace sw::e2e
