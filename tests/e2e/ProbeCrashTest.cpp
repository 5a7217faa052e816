// kill -9 at any moment of an Exact Probe of a real block device loses nothing: the next start's
// `restore` puts back every block, and the stick holds every byte it held before.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "E2eFixture.h"

namespace sw::e2e {
namespace {

// FNV-1a of every byte of the device, read past the page cache so that what the drive holds is
// what is counted.
std::uint64_t DeviceDigest(const std::string& device) {
  const int fd = ::open(device.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC);
  if (fd < 0) return 0;
  constexpr std::size_t kChunk = 1 << 20;
  void* raw = nullptr;
  if (::posix_memalign(&raw, 4096, kChunk) != 0) {
    ::close(fd);
    return 0;
  }
  std::unique_ptr<void, decltype(&std::free)> buffer(raw, &std::free);
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (;;) {
    const ssize_t n = ::read(fd, buffer.get(), kChunk);
    if (n <= 0) break;
    const auto* p = static_cast<const std::uint8_t*>(buffer.get());
    for (ssize_t i = 0; i < n; ++i) {
      h ^= p[i];
      h *= 0x100000001b3ull;
    }
  }
  ::close(fd);
  return h;
}

// Waits until the stick has taken `writes` write requests since `from`, or the child ended.
bool WaitForWrites(const FakeStickDevice& stick, std::uint64_t from, std::uint64_t writes,
                   std::chrono::seconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    if (stick.Count().writeRequests - from >= writes) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return false;
}

TEST_P(E2eTwin, KillNineAtTenPointsOfAProbeThenRestoreLeavesEveryByteAsItWas) {
  // Slow writes, so that a kill lands inside each phase.
  SW_E2E_MAKE(stick, {"--size=256Mi", "--kind=genuine", "--write-delay-us=1500"});
  ASSERT_TRUE(stick->MakeExt4AndMount());
  SW_E2E_REQUIRE_SAFE();
  {
    std::ofstream out(stick->VolumeDir() / "keep.bin", std::ios::binary);
    for (int i = 0; i < 20000; ++i) out << "line " << i << " of the user's own data\n";
  }
  ::sync();
  ASSERT_EQ(::umount(stick->VolumeDir().c_str()), 0);
  const std::uint64_t before = DeviceDigest(stick->Disk());
  ASSERT_NE(before, 0u);

  std::vector<std::string> probe = {"probe"};
  for (const std::string& a : Name(*stick)) probe.push_back(a);
  probe.push_back("--yes");
  const std::uint64_t start = stick->Count().writeRequests;
  const CliResult clean = RunCli(probe);
  ASSERT_EQ(clean.exitCode, 0) << clean.output;
  const std::uint64_t total = stick->Count().writeRequests - start;
  ASSERT_GT(total, 40u);
  ASSERT_EQ(DeviceDigest(stick->Disk()), before) << "the probe itself put everything back";

  for (std::uint64_t point = 1; point <= 10; ++point) {
    SCOPED_TRACE("killed after " + std::to_string(total * point / 11) + " of " + std::to_string(total) +
                 " write requests");
    const std::uint64_t from = stick->Count().writeRequests;
    {
      CliOnTerminal run(probe);
      ASSERT_TRUE(run.Started());
      ASSERT_TRUE(WaitForWrites(*stick, from, total * point / 11, std::chrono::seconds(120))) << run.Output();
      run.Signal(SIGKILL);
      EXPECT_EQ(run.Finish(std::chrono::seconds(30)), -1) << "killed, not ended: " << run.Output();
    }
    const CliResult restore = RunCli({"restore", "--yes"});
    EXPECT_EQ(restore.exitCode, 0) << restore.output;
    EXPECT_NE(restore.output.find("Original blocks restored: all of them."), std::string::npos) << restore.output;
    ASSERT_EQ(DeviceDigest(stick->Disk()), before) << restore.output;
  }
  // Nothing is left to put back: the next command says nothing about it.
  const CliResult again = RunCli({"restore", "--yes"});
  EXPECT_NE(again.output.find("nothing to put back"), std::string::npos) << again.output;
}

}  // namespace
}  // namespace sw::e2e
