// sw_fakestick: a FUSE file system of one file, "stick", that behaves like a counterfeit flash
// drive, and a "control" file to pull it out. A loop device over "stick" makes it a block device.
#define FUSE_USE_VERSION 31
#include <fuse3/fuse.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "FakeMedia.h"
#include "FakeStickOptions.h"
#include "SpeedLimit.h"

namespace sw::e2e {
namespace {

constexpr const char* kStickPath = "/stick";
constexpr const char* kControlPath = "/control";
constexpr const char* kUnplugCommand = "unplug";
constexpr off_t kControlSize = 4096;  // large enough for the status line; reads stop at its end

struct FakeStick {
  FakeMedia media;
  std::uint64_t writeDelayMicros;
  SpeedLimit speed;
  // The cache flushes that reached the stick: a loop device passes each one on as an fsync.
  std::atomic<std::uint64_t> flushes{0};
};

FakeStick& Stick() { return *static_cast<FakeStick*>(fuse_get_context()->private_data); }

std::string Status(const FakeStick& stick) {
  FakeMedia::Counters c = stick.media.Count();
  return std::string(stick.media.Unplugged() ? "unplugged" : "plugged") +
         " read_requests=" + std::to_string(c.readRequests) +
         " write_requests=" + std::to_string(c.writeRequests) +
         " sectors_read=" + std::to_string(c.sectorsRead) +
         " sectors_written=" + std::to_string(c.sectorsWritten) +
         " flaky_failures=" + std::to_string(c.flakyFailures) +
         " flush_requests=" + std::to_string(stick.flushes.load()) + "\n";
}

void* Init(fuse_conn_info*, fuse_config* cfg) {
  // Every transfer must reach the fake: no page cache of ours between the loop device and it.
  cfg->direct_io = 1;
  cfg->kernel_cache = 0;
  cfg->attr_timeout = 0;
  cfg->entry_timeout = 0;
  return fuse_get_context()->private_data;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  std::memset(st, 0, sizeof *st);
  st->st_uid = ::getuid();
  st->st_gid = ::getgid();
  if (std::strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
  } else if (std::strcmp(path, kStickPath) == 0) {
    st->st_mode = S_IFREG | 0600;
    st->st_nlink = 1;
    st->st_size = static_cast<off_t>(Stick().media.Geometry().sizeBytes);
  } else if (std::strcmp(path, kControlPath) == 0) {
    st->st_mode = S_IFREG | 0600;
    st->st_nlink = 1;
    st->st_size = kControlSize;
  } else {
    return -ENOENT;
  }
  return 0;
}

int ReadDir(const char* path, void* buf, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  for (const char* name : {".", "..", kStickPath + 1, kControlPath + 1}) {
    fill(buf, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  }
  return 0;
}

int Open(const char* path, fuse_file_info* fi) {
  if (std::strcmp(path, kStickPath) != 0 && std::strcmp(path, kControlPath) != 0) return -ENOENT;
  fi->direct_io = 1;
  return 0;
}

int Read(const char* path, char* buf, size_t size, off_t offset, fuse_file_info*) {
  FakeStick& stick = Stick();
  if (std::strcmp(path, kControlPath) == 0) {
    std::string status = Status(stick);
    if (offset >= static_cast<off_t>(status.size())) return 0;
    size_t n = std::min(size, status.size() - static_cast<size_t>(offset));
    std::memcpy(buf, status.data() + offset, n);
    return static_cast<int>(n);
  }
  std::uint64_t total = stick.media.Geometry().sizeBytes;
  if (offset < 0 || static_cast<std::uint64_t>(offset) >= total) return 0;
  size = static_cast<size_t>(std::min<std::uint64_t>(size, total - static_cast<std::uint64_t>(offset)));
  stick.speed.Take(size, false);
  int err = stick.media.Read(static_cast<std::uint64_t>(offset), size, reinterpret_cast<std::uint8_t*>(buf));
  return err ? -err : static_cast<int>(size);
}

int Write(const char* path, const char* buf, size_t size, off_t offset, fuse_file_info*) {
  FakeStick& stick = Stick();
  if (std::strcmp(path, kControlPath) == 0) {
    std::string command(buf, size);
    while (!command.empty() && (command.back() == '\n' || command.back() == ' ')) command.pop_back();
    if (command != kUnplugCommand) return -EINVAL;
    stick.media.Unplug();
    return static_cast<int>(size);
  }
  std::uint64_t total = stick.media.Geometry().sizeBytes;
  if (offset < 0 || static_cast<std::uint64_t>(offset) + size > total) return -ENOSPC;
  if (stick.writeDelayMicros) {
    std::this_thread::sleep_for(std::chrono::microseconds(stick.writeDelayMicros));
  }
  stick.speed.Take(size, true);
  int err = stick.media.Write(static_cast<std::uint64_t>(offset), size,
                              reinterpret_cast<const std::uint8_t*>(buf));
  return err ? -err : static_cast<int>(size);
}

// The stick's size is fixed; tools that "truncate" it to its own size are let be.
int Truncate(const char* path, off_t size, fuse_file_info*) {
  if (std::strcmp(path, kControlPath) == 0) return 0;
  if (std::strcmp(path, kStickPath) != 0) return -ENOENT;
  return static_cast<std::uint64_t>(size) == Stick().media.Geometry().sizeBytes ? 0 : -EPERM;
}

int Fsync(const char*, int, fuse_file_info*) {
  FakeStick& stick = Stick();
  if (stick.media.Unplugged()) return -EIO;
  ++stick.flushes;
  return 0;
}

}  // namespace
}  // namespace sw::e2e

int main(int argc, char** argv) {
  using namespace sw::e2e;
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  std::optional<FakeStickOptions> options = ParseFakeStickOptions(args, error);
  if (!options) {
    std::fprintf(stderr, "sw_fakestick: %s\n%s", error.c_str(), kFakeStickUsage);
    return 2;
  }
  // Unnamed, so the data goes with the process however it ends.
  int backing = ::open(options->backingDir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  if (backing < 0) {
    std::fprintf(stderr, "sw_fakestick: no backing file in %s: %s\n", options->backingDir.c_str(),
                 std::strerror(errno));
    return 2;
  }
  FakeStick stick{FakeMedia(options->geometry, backing), options->writeDelayMicros,
                  SpeedLimit(options->readBytesPerSecond, options->writeBytesPerSecond)};
  if (stick.media.Unplugged()) {
    std::fprintf(stderr, "sw_fakestick: the backing file cannot be sized\n");
    ::close(backing);
    return 2;
  }
  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.read = Read;
  ops.write = Write;
  ops.truncate = Truncate;
  ops.fsync = Fsync;
  std::vector<char*> fuseArgv{argv[0]};
  for (std::string& a : options->fuseArgs) fuseArgv.push_back(a.data());
  int rc = fuse_main(static_cast<int>(fuseArgv.size()), fuseArgv.data(), &ops, &stick);
  ::close(backing);
  return rc;
}
