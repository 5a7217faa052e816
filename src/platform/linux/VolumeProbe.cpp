// Superblock probing with libblkid.
#include "platform/linux/VolumeProbe.h"

#include <blkid/blkid.h>
#include <fcntl.h>

#include <cctype>
#include <cerrno>
#include <memory>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

namespace {

struct ProbeFree {
  void operator()(blkid_struct_probe* p) const { blkid_free_probe(p); }
};

std::string Value(blkid_probe probe, const char* name) {
  const char* data = nullptr;
  std::size_t length = 0;
  if (blkid_probe_lookup_value(probe, name, &data, &length) != 0 || !data) return {};
  return std::string(data);
}

}  // namespace

ProbedVolume ProbeVolume(const std::string& devNode) {
  ProbedVolume result;
  UniqueFd fd(::open(devNode.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) {
    result.error = errno;
    return result;
  }
  ::posix_fadvise(fd.get(), 0, 0, POSIX_FADV_DONTNEED);
  std::unique_ptr<blkid_struct_probe, ProbeFree> probe(blkid_new_probe());
  if (!probe || blkid_probe_set_device(probe.get(), fd.get(), 0, 0) != 0) {
    result.error = ENOMEM;
    return result;
  }
  blkid_probe_enable_superblocks(probe.get(), 1);
  blkid_probe_set_superblocks_flags(probe.get(), BLKID_SUBLKS_LABEL | BLKID_SUBLKS_TYPE |
                                                     BLKID_SUBLKS_UUID | BLKID_SUBLKS_VERSION);
  if (blkid_do_safeprobe(probe.get()) != 0) return result;  // nothing, or ambiguous
  result.found = true;
  result.type = Value(probe.get(), "TYPE");
  result.version = Value(probe.get(), "VERSION");
  result.label = Value(probe.get(), "LABEL");
  result.uuid = Value(probe.get(), "UUID");
  return result;
}

std::string WindowsFileSystemName(const std::string& type, const std::string& version) {
  if (type == "vfat") return version == "FAT32" ? "FAT32" : "FAT";
  if (type == "exfat") return "exFAT";
  if (type == "ntfs" || type == "ntfs3") return "NTFS";
  if (type == "udf") return "UDF";
  if (type == "iso9660") return "CDFS";
  return type;
}

std::uint32_t SerialFromUuid(const std::string& uuid) {
  std::uint32_t serial = 0;
  int digits = 0;
  for (char c : uuid) {
    if (digits == 8) break;
    if (!std::isxdigit(static_cast<unsigned char>(c))) continue;
    int v = std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(c) - 'a' + 10;
    serial = serial << 4 | static_cast<std::uint32_t>(v);
    ++digits;
  }
  return serial;
}

}  // namespace sw::platform::linuxos
