// libfdisk behind the Windows layout controls, and the mkfs tools behind FormatPartition.
#include "platform/linux/DiskLabel.h"

#include <fcntl.h>
#include <libfdisk/libfdisk.h>
#include <linux/blkpg.h>
#include <linux/fs.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"

extern char** environ;

namespace sw::platform::linuxos {

namespace {

struct ContextFree {
  void operator()(fdisk_context* c) const { fdisk_unref_context(c); }
};
using Context = std::unique_ptr<fdisk_context, ContextFree>;
struct PartitionFree {
  void operator()(fdisk_partition* p) const { fdisk_unref_partition(p); }
};
struct TableFree {
  void operator()(fdisk_table* t) const { fdisk_unref_table(t); }
};

// A context on the caller's descriptor: libfdisk neither opens nor closes the disk itself.
Context Assign(int fd, const std::string& node, bool readOnly, int& error) {
  Context c(fdisk_new_context());
  if (!c) {
    error = ENOMEM;
    return nullptr;
  }
  const int rc = fdisk_assign_device_by_fd(c.get(), fd, node.c_str(), readOnly ? 1 : 0);
  if (rc != 0) {
    error = -rc;
    return nullptr;
  }
  return c;
}

const char* LabelName(std::uint32_t style) { return style == win::PARTITION_STYLE_GPT ? "gpt" : "dos"; }

// A GUID in its stored bytes as text: the first three fields little-endian.
std::string GuidText(std::span<const std::uint8_t> g) {
  char text[37];
  std::snprintf(text, sizeof text, "%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X", le32(g, 0), le16(g, 4),
                le16(g, 6), g[8], g[9], g[10], g[11], g[12], g[13], g[14], g[15]);
  return text;
}

void PutGuidText(std::span<std::uint8_t> b, std::size_t at, const char* text) {
  unsigned int a = 0, b2 = 0, c = 0;
  std::array<unsigned int, 8> d{};
  if (std::sscanf(text, "%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x", &a, &b2, &c, &d[0], &d[1], &d[2], &d[3], &d[4], &d[5],
                  &d[6], &d[7]) != 11) {
    return;
  }
  PutLe32(b, at, a);
  PutLe16(b, at + 4, static_cast<std::uint16_t>(b2));
  PutLe16(b, at + 6, static_cast<std::uint16_t>(c));
  for (std::size_t i = 0; i < 8; ++i) b[at + 8 + i] = static_cast<std::uint8_t>(d[i]);
}

int Finish(fdisk_context* c) {
  const int rc = fdisk_write_disklabel(c);
  if (rc != 0) return -rc;
  return fdatasync(fdisk_get_devfd(c)) == 0 ? 0 : errno;
}

}  // namespace

int CreateEmptyLabel(int fd, const std::string& node, std::span<const std::uint8_t> in) {
  if (in.size() < win::kCreateDiskSize) return EINVAL;
  int error = 0;
  Context c = Assign(fd, node, false, error);
  if (!c) return error;
  if (const int rc = fdisk_create_disklabel(c.get(), LabelName(le32(in, 0))); rc != 0) return -rc;
  return Finish(c.get());
}

int WriteLayout(int fd, const std::string& node, std::span<const std::uint8_t> in) {
  if (in.size() < win::dli::FirstEntry) return EINVAL;
  const std::uint32_t style = le32(in, win::dli::PartitionStyle);
  const std::uint32_t count = le32(in, win::dli::PartitionCount);
  if (in.size() < win::dli::FirstEntry + std::uint64_t{count} * win::pie::Size) return EINVAL;
  int error = 0;
  Context c = Assign(fd, node, false, error);
  if (!c) return error;
  if (const int rc = fdisk_create_disklabel(c.get(), LabelName(style)); rc != 0) return -rc;
  const std::uint64_t sector = fdisk_get_sector_size(c.get());
  fdisk_label* label = fdisk_get_label(c.get(), nullptr);
  std::size_t partno = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t e = win::dli::FirstEntry + i * win::pie::Size;
    const std::uint64_t offset = le64(in, e + win::pie::StartingOffset);
    const std::uint64_t length = le64(in, e + win::pie::PartitionLength);
    if (length == 0) continue;
    if (offset % sector != 0 || length % sector != 0) return EINVAL;
    std::unique_ptr<fdisk_partition, PartitionFree> pa(fdisk_new_partition());
    fdisk_partition_set_partno(pa.get(), partno++);
    fdisk_partition_set_start(pa.get(), offset / sector);
    fdisk_partition_set_size(pa.get(), length / sector);
    fdisk_parttype* type =
        style == win::PARTITION_STYLE_GPT
            ? fdisk_label_get_parttype_from_string(label, GuidText(in.subspan(e + win::pie::GptPartitionType, 16)).c_str())
            : fdisk_label_get_parttype_from_code(label, in[e + win::pie::MbrPartitionType]);
    if (type) fdisk_partition_set_type(pa.get(), type);
    const int rc = fdisk_add_partition(c.get(), pa.get(), nullptr);
    if (type) fdisk_unref_parttype(type);
    if (rc != 0) return -rc;
  }
  return Finish(c.get());
}

int ReadLayout(int fd, const std::string& node, std::span<std::uint8_t> out, std::uint32_t& returned) {
  returned = 0;
  int error = 0;
  Context c = Assign(fd, node, true, error);
  if (!c) return error;
  if (out.size() < win::dli::FirstEntry) return ENOSPC;
  std::fill(out.begin(), out.end(), 0);
  const bool gpt = fdisk_is_label(c.get(), GPT);
  if (!gpt && !fdisk_is_label(c.get(), DOS)) {
    returned = win::dli::FirstEntry;  // no table: no partitions
    return 0;
  }
  fdisk_table* raw = nullptr;
  if (const int rc = fdisk_get_partitions(c.get(), &raw); rc != 0) return -rc;
  std::unique_ptr<fdisk_table, TableFree> table(raw);
  const std::uint64_t sector = fdisk_get_sector_size(c.get());
  const auto n = static_cast<std::uint32_t>(fdisk_table_get_nents(table.get()));
  if (out.size() < win::dli::FirstEntry + std::uint64_t{n} * win::pie::Size) return ENOSPC;
  PutLe32(out, win::dli::PartitionStyle, gpt ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR);
  PutLe32(out, win::dli::PartitionCount, n);
  for (std::uint32_t i = 0; i < n; ++i) {
    fdisk_partition* pa = fdisk_table_get_partition(table.get(), i);
    const std::size_t e = win::dli::FirstEntry + i * win::pie::Size;
    PutLe32(out, e + win::pie::PartitionStyle, gpt ? win::PARTITION_STYLE_GPT : win::PARTITION_STYLE_MBR);
    PutLe64(out, e + win::pie::StartingOffset, fdisk_partition_get_start(pa) * sector);
    PutLe64(out, e + win::pie::PartitionLength, fdisk_partition_get_size(pa) * sector);
    PutLe32(out, e + win::pie::PartitionNumber, static_cast<std::uint32_t>(fdisk_partition_get_partno(pa) + 1));
    const fdisk_parttype* type = fdisk_partition_get_type(pa);
    if (!type) continue;
    if (gpt) {
      if (const char* text = fdisk_parttype_get_string(type)) PutGuidText(out, e + win::pie::GptPartitionType, text);
    } else {
      out[e + win::pie::MbrPartitionType] = static_cast<std::uint8_t>(fdisk_parttype_get_code(type));
    }
  }
  returned = win::dli::FirstEntry + n * win::pie::Size;
  return 0;
}

// Some devices (loop devices, minimal kernels) read no table themselves, or say they did and
// show no partition: each is told to the kernel, as partx does; one it knows already is EBUSY.
int TellPartitionsToKernel(int fd, const std::string& node);

int RereadPartitions(int exclusiveFd, int fd, const std::string& node) {
  // The kernel may still hold the old partitions a moment after their last close.
  int error = EBUSY;
  for (int attempt = 0; attempt < 5 && error == EBUSY; ++attempt) {
    error = ::ioctl(exclusiveFd, BLKRRPART) == 0 ? 0 : errno;
    if (error == EBUSY) ::usleep(200'000);
  }
  if (error != 0 && error != EINVAL && error != EBUSY) return error;
  return TellPartitionsToKernel(fd, node);
}

int TellPartitionsToKernel(int fd, const std::string& node) {
  int assignError = 0;
  Context c = Assign(fd, node, true, assignError);
  if (!c) return assignError;
  fdisk_table* raw = nullptr;
  if (fdisk_get_partitions(c.get(), &raw) != 0) return 0;
  std::unique_ptr<fdisk_table, TableFree> table(raw);
  const std::uint64_t sector = fdisk_get_sector_size(c.get());
  const auto count = static_cast<int>(fdisk_table_get_nents(table.get()));
  const auto tell = [fd](int op, long long start, long long length, int pno) {
    blkpg_partition part{};
    part.start = start;
    part.length = length;
    part.pno = pno;
    blkpg_ioctl_arg arg{};
    arg.op = op;
    arg.datalen = sizeof part;
    arg.data = &part;
    return ::ioctl(fd, BLKPG, &arg) == 0 ? 0 : errno;
  };
  // Partitions the kernel kept past the new table's go; one it kept in the table's place is
  // resized (it may be open, which a removal would not be allowed), or removed and added anew.
  for (int pno = count + 1; pno <= 16; ++pno) tell(BLKPG_DEL_PARTITION, 0, 0, pno);
  for (int i = 0; i < count; ++i) {
    fdisk_partition* pa = fdisk_table_get_partition(table.get(), static_cast<std::size_t>(i));
    const auto start = static_cast<long long>(fdisk_partition_get_start(pa) * sector);
    const auto length = static_cast<long long>(fdisk_partition_get_size(pa) * sector);
    const auto pno = static_cast<int>(fdisk_partition_get_partno(pa) + 1);
    int error = tell(BLKPG_ADD_PARTITION, start, length, pno);
    if (error == EBUSY) error = tell(BLKPG_RESIZE_PARTITION, start, length, pno);
    if (error != 0 && tell(BLKPG_DEL_PARTITION, 0, 0, pno) == 0) error = tell(BLKPG_ADD_PARTITION, start, length, pno);
    if (error != 0) return error;
  }
  return 0;
}

std::string PartitionNode(const std::string& disk, std::uint32_t partition) {
  const bool digit = !disk.empty() && disk.back() >= '0' && disk.back() <= '9';
  return disk + (digit ? "p" : "") + std::to_string(partition);
}

std::string MakeFileSystem(const std::string& node, const std::string& fileSystem, const std::string& label) {
  struct Tool {
    const char* fs;
    const char* program;
    const char* package;
  };
  static constexpr Tool kTools[] = {{"fat32", "mkfs.vfat", "dosfstools"},
                                    {"exfat", "mkfs.exfat", "exfatprogs"},
                                    {"ntfs", "mkfs.ntfs", "ntfs-3g"},
                                    {"ext4", "mkfs.ext4", "e2fsprogs"}};
  const Tool* tool = nullptr;
  for (const Tool& t : kTools) {
    if (fileSystem == t.fs) tool = &t;
  }
  if (!tool) return "unknown file system " + fileSystem;
  std::string path;
  for (const char* dir : {"/usr/sbin/", "/sbin/", "/usr/bin/", "/bin/"}) {
    std::error_code ec;
    if (std::filesystem::exists(std::string(dir) + tool->program, ec)) {
      path = std::string(dir) + tool->program;
      break;
    }
  }
  if (path.empty()) return std::string(tool->program) + " was not found: install the package " + tool->package;
  std::vector<std::string> args{path};
  if (fileSystem == "fat32") args.insert(args.end(), {"-F", "32", "-n", label});
  if (fileSystem == "exfat") args.insert(args.end(), {"-L", label});
  if (fileSystem == "ntfs") args.insert(args.end(), {"-Q", "-L", label});
  // No discard: a fake's answer to TRIM is no better than its answer to a write.
  if (fileSystem == "ext4") args.insert(args.end(), {"-F", "-q", "-E", "nodiscard", "-L", label});
  args.push_back(node);
  // The partition's node comes a moment after the table, from udev.
  for (int wait = 0; wait < 50 && !std::filesystem::exists(node); ++wait) ::usleep(100'000);

  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return std::string("cannot run ") + tool->program + ": " + std::strerror(errno);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) output.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  if (spawned != 0) return std::string("cannot run ") + tool->program + ": " + std::strerror(spawned);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  while (!output.empty() && (output.back() == '\n' || output.back() == ' ')) output.pop_back();
  const auto lastLine = output.rfind('\n');
  return std::string(tool->program) + " failed: " + (lastLine == std::string::npos ? output : output.substr(lastLine + 1));
}

}  // namespace sw::platform::linuxos
