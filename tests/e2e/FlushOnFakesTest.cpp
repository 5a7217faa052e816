// FlushFileBuffers of the Linux provider sends a cache flush down to the stick itself, for the
// raw disk and for a file on its volume: the Quick Size Test and the file test count on data
// they flushed being on the flash, not in a cache that an unplugged stick loses.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "E2eFixture.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::e2e {
namespace {

using platform::Handle;
using platform::kInvalidHandle;

struct FlushRow {
  const char* what;
  bool onVolume;  // a test file on the stick's ext4, else the whole disk raw
};

class FlushOnFakes : public E2eTest, public ::testing::WithParamInterface<FlushRow> {};

TEST_P(FlushOnFakes, FlushFileBuffersReachesTheStick) {
  const FlushRow& row = GetParam();
  SW_E2E_MAKE(stick, {"--size=256Mi"});
  if (row.onVolume) {
    ASSERT_TRUE(stick->MakeExt4AndMount());
  }
  SW_E2E_REQUIRE_SAFE();
  platform::linuxos::LinuxOs os;
  std::string name;
  if (row.onVolume) {
    name = Letter(*stick) + "\\WARDFILE1.tmp";
  } else {
    for (const auto& disk : os.Snapshot().disks) {
      if (disk.known() && disk.devNode == stick->Disk()) name = "\\\\.\\PhysicalDrive" + std::to_string(disk.number);
    }
  }
  ASSERT_GT(name.size(), 14u) << "the program does not see the stick";
  // Unbuffered, without write-through: the data reaches the stick at once, a flush only when
  // asked for.
  const Handle h = os.CreateFileA(name, win::GENERIC_READ | win::GENERIC_WRITE,
                                  win::FILE_SHARE_READ | win::FILE_SHARE_WRITE,
                                  row.onVolume ? win::CREATE_ALWAYS : win::OPEN_EXISTING,
                                  row.onVolume ? win::FILE_FLAG_NO_BUFFERING : 0);
  ASSERT_NE(h, kInvalidHandle) << os.GetLastError();
  alignas(4096) static std::uint8_t block[4096];
  std::fill(std::begin(block), std::end(block), 0xA5);
  std::uint32_t written = 0;
  ASSERT_TRUE(os.SetFilePointerEx(h, row.onVolume ? 0 : 1 << 20, nullptr, win::FILE_BEGIN));
  ASSERT_TRUE(os.WriteFile(h, block, written)) << os.GetLastError();
  const std::uint64_t before = stick->Count().flushRequests;
  ASSERT_TRUE(os.FlushFileBuffers(h)) << os.GetLastError();
  EXPECT_GT(stick->Count().flushRequests, before);
  EXPECT_TRUE(os.CloseHandle(h));
  if (row.onVolume) {
    EXPECT_EQ(os.DeleteFiles(Letter(*stick) + "\\WARDFILE*.tmp"), 1);
  }
}

const FlushRow kRows[] = {{"raw_disk", false}, {"file_on_ext4", true}};

INSTANTIATE_TEST_SUITE_P(Handles, FlushOnFakes, ::testing::ValuesIn(kRows),
                         [](const auto& rowInfo) { return std::string(rowInfo.param.what); });

}  // namespace
}  // namespace sw::e2e
