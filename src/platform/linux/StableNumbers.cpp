// Numbers and letters remembered across scans.
#include "platform/linux/StableNumbers.h"

#include <algorithm>
#include <limits>

namespace sw::platform::linuxos {

DiskKey KeyOf(const SysBlockDevice& device) {
  return {device.majMin, device.diskSeq, device.diskSeq == 0 ? device.backingFile : std::string{}};
}

char StableNumbers::LetterFor(const VolumeKey& key, const std::map<char, bool>& taken) {
  char best = 0;
  std::uint64_t oldest = std::numeric_limits<std::uint64_t>::max();
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (taken.count(letter) != 0) continue;
    auto seen = lastSeen_.find(letter);
    if (seen == lastSeen_.end()) {  // never given: the first choice
      best = letter;
      break;
    }
    if (seen->second < oldest) {
      oldest = seen->second;
      best = letter;
    }
  }
  if (best == 0) return 0;
  // The letter now belongs to this volume; whoever had it before gets a new one if it returns.
  for (auto it = letters_.begin(); it != letters_.end();) {
    it = it->second == best ? letters_.erase(it) : std::next(it);
  }
  letters_[key] = best;
  return best;
}

void StableNumbers::Apply(DeviceMap& map) {
  ++calls_;
  std::map<int, DiskKey> keyByOldNumber;
  std::map<int, int> renumbered;  // the scan's number -> the lasting one
  for (PhysicalDisk& disk : map.disks) {
    if (disk.number == 0 || !disk.known()) {
      renumbered[disk.number] = disk.number;
      continue;
    }
    const DiskKey key = KeyOf(disk.device);
    auto [it, fresh] = numbers_.emplace(key, nextNumber_);
    if (fresh) ++nextNumber_;
    keyByOldNumber[disk.number] = key;
    renumbered[disk.number] = it->second;
    disk.number = it->second;
  }
  std::sort(map.disks.begin(), map.disks.end(),
            [](const PhysicalDisk& a, const PhysicalDisk& b) { return a.number < b.number; });

  // Remembered letters first, so that a newcomer never takes the letter of a volume still here.
  std::map<char, bool> taken{{'C', true}};
  std::vector<VolumeEntry> kept;
  std::vector<std::pair<VolumeEntry, VolumeKey>> newcomers;
  for (VolumeEntry& v : map.volumes) {
    const int scanNumber = v.diskNumber;
    if (auto it = renumbered.find(scanNumber); it != renumbered.end()) v.diskNumber = it->second;
    if (v.letter == 'C') {
      kept.push_back(std::move(v));
      continue;
    }
    auto key = keyByOldNumber.find(scanNumber);
    if (key == keyByOldNumber.end()) continue;  // on no numbered disk: no letter to keep
    VolumeKey volumeKey{key->second, v.partitionNumber};
    auto known = letters_.find(volumeKey);
    if (known != letters_.end() && taken.count(known->second) == 0) {
      v.letter = known->second;
      taken[v.letter] = true;
      kept.push_back(std::move(v));
    } else {
      newcomers.emplace_back(std::move(v), volumeKey);
    }
  }
  for (auto& [v, volumeKey] : newcomers) {
    const char letter = LetterFor(volumeKey, taken);
    if (letter == 0) continue;  // more volumes than letters
    v.letter = letter;
    taken[letter] = true;
    kept.push_back(std::move(v));
  }
  for (const VolumeEntry& v : kept) lastSeen_[v.letter] = calls_;
  std::sort(kept.begin(), kept.end(), [](const VolumeEntry& a, const VolumeEntry& b) { return a.letter < b.letter; });
  map.volumes = std::move(kept);
}

}  // namespace sw::platform::linuxos
