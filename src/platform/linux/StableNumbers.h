// Drive numbers and letters that stay with their disk for the life of the process, as Windows
// keeps them while a stick is plugged in. The scan numbers disks afresh in device order each
// time, so a stick that comes or goes would move every number and letter after it; this table
// remembers what each disk was given and hands those back.
#pragma once

#include <compare>
#include <cstdint>
#include <map>
#include <string>

#include "platform/linux/DeviceMap.h"

namespace sw::platform::linuxos {

// One disk for as long as it stays attached: its device number and the kernel's diskseq. Where
// the kernel has no diskseq (before 5.15), a loop device's backing file tells a re-attached
// device from the one before it.
struct DiskKey {
  std::string majMin;
  std::uint64_t diskSeq = 0;
  std::string backingFile;
  auto operator<=>(const DiskKey&) const = default;
};

DiskKey KeyOf(const SysBlockDevice& device);

class StableNumbers {
 public:
  // Gives every disk and volume of `map` the number and letter it had in earlier calls; a disk
  // seen for the first time gets a number no disk had before, a volume the next letter never
  // given yet (once all are used, the one whose volume has been gone the longest). Disk 0 and C:
  // stay the system's. The map's lists come back in number and letter order.
  void Apply(DeviceMap& map);

 private:
  struct VolumeKey {
    DiskKey disk;
    int partition = 0;
    auto operator<=>(const VolumeKey&) const = default;
  };
  char LetterFor(const VolumeKey& key, const std::map<char, bool>& taken);

  std::map<DiskKey, int> numbers_;
  int nextNumber_ = 1;
  std::map<VolumeKey, char> letters_;
  std::map<char, std::uint64_t> lastSeen_;  // letter -> the call that last saw its volume
  std::uint64_t calls_ = 0;
};

}  // namespace sw::platform::linuxos
