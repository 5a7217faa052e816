// A cheap reading of everything a full scan of the machine's disks and mounts rests on, so that
// a scan can be kept for as long as the mark read afresh stays the same. A disk keeps its name,
// device number and diskseq only while it is the same disk (a stick plugged in again, a medium
// changed or a loop device attached anew gets a new diskseq), so what describes the hardware is
// not read again; what may change under the same diskseq (size, loop backing file, partitions,
// the members of a stacked device) is, and so are the mount table and the swap areas whole.
#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/UniqueFd.h"

namespace sw::platform::linuxos {

// The files the mark reads, those of sysfs and procfs kept open between questions: the kernel
// makes their text afresh at every read from the start, and a read through a descriptor whose
// device or process has gone fails (ENODEV, ESRCH), upon which the name is opened again. Files
// of other file systems (the fixture trees of the tests) are opened at every read, since a file
// replaced under its name would go on reading as the one before.
class MarkFiles {
 public:
  // The whole file as it is now; nullopt when it cannot be opened or read.
  std::optional<std::string> Read(const std::filesystem::path& file);
  std::size_t HeldCount() const { return held_.size(); }

 private:
  // Enough for a machine's disks without crowding the descriptors the program needs.
  static constexpr std::size_t kMaxHeld = 256;
  struct Held {
    UniqueFd fd;
    bool sysfs = false;
  };
  std::map<std::string, Held> held_;
};

// The mark of <sysRoot>/block, the partition table of the kernel (/proc/partitions), the mount
// table and the swap list; nullopt when the machine cannot be marked (a disk without diskseq, on
// kernels before 5.15, or a table missing): then nothing may be kept from one question to the
// next.
std::optional<std::string> MarkMachine(MarkFiles& files, const std::filesystem::path& sysRoot,
                                       const std::filesystem::path& mountInfo,
                                       const std::filesystem::path& partitionTable,
                                       const std::vector<std::string>& swaps);

}  // namespace sw::platform::linuxos
