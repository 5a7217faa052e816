// Cache bypass for test-file reads, FUSE detection and the block size behind a volume.
#include "platform/linux/FileCache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <fstream>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

namespace {

constexpr long kFuseSuperMagic = 0x65735546;  // linux/magic.h FUSE_SUPER_MAGIC

// Whether the kernel will really move this file's data around the page cache. ext4 with
// data=journal accepts O_DIRECT at open and then buffers every transfer; statx reports that as
// a direct-I/O alignment of 0 (Linux 6.1 and later).
bool DirectReallyBypasses(int fd) {
#ifdef STATX_DIOALIGN
  struct statx st {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_DIOALIGN, &st) == 0 && (st.stx_mask & STATX_DIOALIGN)) {
    return st.stx_dio_offset_align != 0;
  }
#else
  (void)fd;
#endif
  return true;  // an older kernel says nothing; O_DIRECT was taken, so trust it
}

}  // namespace

std::string BypassReadCache(int fd, bool directRefused) {
  const bool buffered = directRefused || !DirectReallyBypasses(fd);
  // Dirty pages cannot be dropped; written back first, every cached page of the file can.
  ::fdatasync(fd);
  ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
  if (!buffered) return {};
  return directRefused ? "no O_DIRECT on this file system: cached pages dropped before reading"
                       : "O_DIRECT is buffered on this file system: cached pages dropped "
                         "before reading";
}

std::string DropDeviceCache(const std::string& devNode) {
  if (devNode.empty()) return {};
  // Read-only: this only writes back what the file system has already written.
  const UniqueFd fd(::open(devNode.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) return {};
  ::fsync(fd.get());
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
  return "FUSE volume: the cache of " + devNode + " dropped before reading";
}

bool OnFuse(int fd) {
  struct statfs st {};
  return ::fstatfs(fd, &st) == 0 && st.f_type == kFuseSuperMagic;
}

std::uint32_t LogicalBlockSize(const std::filesystem::path& sysRoot, dev_t device) {
  const std::filesystem::path node =
      sysRoot / "dev/block" / (std::to_string(major(device)) + ":" + std::to_string(minor(device)));
  // A partition has no queue of its own: its disk's is one folder up.
  for (const auto& queue : {node / "queue", node / ".." / "queue"}) {
    std::ifstream in(queue / "logical_block_size");
    std::uint32_t size = 0;
    if (in >> size && size > 0) return size;
  }
  return 0;
}

}  // namespace sw::platform::linuxos
