// The read-back of a test file comes from the device, not from the page cache: the bytes behind
// a written file are changed on the loop device's image, and an unbuffered read through the
// provider must see the change while a plain buffered read still sees the old data. On ext4
// as mounted by default, and with data=journal (which takes O_DIRECT and buffers it anyway).
#include <fcntl.h>
#include <linux/fiemap.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "core/AlignedBuffer.h"
#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"
#include "platform/linux/LoopStick.h"
#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos::testing {
namespace {

constexpr std::size_t kFileBytes = 1 << 20;
constexpr std::uint8_t kWritten = 0xA5;
constexpr std::uint8_t kChanged = 0x5A;

// Byte offset of the file's first byte on its partition, from the file system's extent map, and
// how many bytes from there lie in one piece (a file written with journalled data may start with
// an extent shorter than a page).
bool PhysicalOffset(const std::string& path, std::uint64_t& offset, std::uint64_t& length) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return false;
  std::vector<std::uint8_t> raw(sizeof(fiemap) + sizeof(fiemap_extent));
  auto* map = reinterpret_cast<fiemap*>(raw.data());
  map->fm_length = FIEMAP_MAX_OFFSET;
  map->fm_flags = FIEMAP_FLAG_SYNC;
  map->fm_extent_count = 1;
  if (::ioctl(fd.get(), FS_IOC_FIEMAP, map) != 0 || map->fm_mapped_extents < 1) return false;
  offset = map->fm_extents[0].fe_physical;
  length = map->fm_extents[0].fe_length;
  return true;
}

std::uint64_t PartitionStart(const std::string& partition) {
  const std::string name = partition.substr(partition.rfind('/') + 1);
  std::ifstream in("/sys/class/block/" + name + "/start");
  std::uint64_t sectors = 0;
  in >> sectors;
  return sectors * 512;
}

std::uint8_t BufferedFirstByte(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char c = 0;
  in.get(c);
  return static_cast<std::uint8_t>(c);
}

class CacheBypass : public ::testing::TestWithParam<bool> {};

TEST_P(CacheBypass, VerificationReadsSeeTheDeviceNotTheCache) {
  const bool journalData = GetParam();
  std::string whyNot;
  std::unique_ptr<LoopStick> stick = LoopStick::Create(whyNot);
  if (!stick) SW_SKIP_OR_FAIL_WITHOUT_LOOP(whyNot);
  if (journalData) {
    ASSERT_TRUE(stick->Unmount());
    ASSERT_TRUE(testing::Run("mount -o data=journal " + stick->Partition() + " " +
                    Quote(stick->MountDir().string())));
  }
  LinuxOs os;
  std::string letter;
  for (const VolumeEntry& v : os.Snapshot().volumes) {
    if (v.devNode == stick->Partition()) letter = std::string(1, v.letter) + ":";
  }
  ASSERT_FALSE(letter.empty());
  const std::string name = letter + "\\WARDFILE1.tmp";
  const std::string path = (stick->MountDir() / "WARDFILE1.tmp").string();

  core::AlignedBuffer data(kFileBytes);
  data.Fill(kWritten);
  Handle h = os.CreateFileA(name, win::GENERIC_WRITE, 0, win::CREATE_ALWAYS,
                            win::FILE_FLAG_WRITE_THROUGH | win::FILE_FLAG_NO_BUFFERING);
  ASSERT_NE(h, kInvalidHandle);
  std::uint32_t done = 0;
  ASSERT_TRUE(os.WriteFile(h, data.span(), done));
  ASSERT_TRUE(os.FlushFileBuffers(h));
  ASSERT_TRUE(os.CloseHandle(h));
  // Journalled data lands in its place only at a checkpoint; freezing forces one, so the change
  // below cannot be undone by a later one.
  ASSERT_TRUE(testing::Run("fsfreeze -f " + Quote(stick->MountDir().string()) + " && fsfreeze -u " +
                  Quote(stick->MountDir().string())));
  ASSERT_EQ(BufferedFirstByte(path), kWritten);  // now in the page cache

  std::uint64_t physical = 0;
  std::uint64_t contiguous = 0;
  ASSERT_TRUE(PhysicalOffset(path, physical, contiguous));
  // Only bytes of this file are changed behind it: the first 4 KiB, or less where its first
  // extent ends sooner.
  const std::size_t changedBytes = static_cast<std::size_t>(std::min<std::uint64_t>(4096, contiguous));
  ASSERT_GE(changedBytes, 512u);
  {
    UniqueFd image(::open(stick->Image().c_str(), O_RDWR | O_CLOEXEC));
    ASSERT_TRUE(image.valid());
    const std::vector<std::uint8_t> changed(changedBytes, kChanged);
    ASSERT_EQ(::pwrite(image.get(), changed.data(), changed.size(),
                       static_cast<off_t>(PartitionStart(stick->Partition()) + physical)),
              static_cast<ssize_t>(changedBytes));
    ASSERT_EQ(::fsync(image.get()), 0);
  }
  // A read that trusts the cache still sees what was written: the check below can tell.
  ASSERT_EQ(BufferedFirstByte(path), kWritten);

  h = os.CreateFileA(name, win::GENERIC_READ, win::FILE_SHARE_READ, win::OPEN_EXISTING,
                     win::FILE_ATTRIBUTE_NORMAL | win::FILE_FLAG_NO_BUFFERING);
  ASSERT_NE(h, kInvalidHandle);
  core::AlignedBuffer sector(4096);
  ASSERT_TRUE(os.ReadFile(h, sector.span(), done));
  EXPECT_EQ(done, 4096u);
  EXPECT_EQ(sector[0], kChanged) << "the read-back came from the page cache";
  EXPECT_EQ(sector[changedBytes - 1], kChanged);
  // The trace says how when O_DIRECT alone would not have bypassed the cache.
  EXPECT_EQ(os.CacheBypassNote(h).empty(), !journalData) << os.CacheBypassNote(h);
  ASSERT_TRUE(os.CloseHandle(h));
  ::unlink(path.c_str());
}

INSTANTIATE_TEST_SUITE_P(Ext4, CacheBypass, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& param) {
                           return param.param ? "DataJournal" : "Ordered";
                         });

}  // namespace
}  // namespace sw::platform::linuxos::testing
