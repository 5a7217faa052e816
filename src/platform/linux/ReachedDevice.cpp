// Device numbers and diskseq of what an open reached.
#include "platform/linux/ReachedDevice.h"

#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

// The kernel headers of older systems lack it; the value is fixed in the kernel's ABI (5.15).
#ifndef BLKGETDISKSEQ
#define BLKGETDISKSEQ _IOR(0x12, 128, __u64)
#endif

namespace sw::platform::linuxos {

std::string MajMinOf(dev_t device) {
  return std::to_string(::major(device)) + ":" + std::to_string(::minor(device));
}

std::optional<std::uint64_t> DiskSeqOf(int fd) {
  std::uint64_t seq = 0;
  if (::ioctl(fd, BLKGETDISKSEQ, &seq) != 0) return std::nullopt;
  return seq;
}

bool ReachedDevice(int fd, const std::string& majMin, std::uint64_t diskSeq) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISBLK(st.st_mode) || MajMinOf(st.st_rdev) != majMin) return false;
  if (diskSeq == 0) return true;
  const std::optional<std::uint64_t> seq = DiskSeqOf(fd);
  return !seq || *seq == diskSeq;
}

bool NodeIsDevice(const std::string& path, const std::string& majMin) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISBLK(st.st_mode) && MajMinOf(st.st_rdev) == majMin;
}

}  // namespace sw::platform::linuxos
