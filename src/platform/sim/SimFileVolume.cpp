// Files, free space and counterfeit file data of a simulated volume.
#include "platform/sim/SimFileVolume.h"

#include <algorithm>
#include <cctype>

#include "platform/WinApi.h"

namespace sw::platform::sim {
namespace {

// Up to this size a volume compares every byte it is given. Beyond it, reading each byte of a
// terabyte would take minutes, so written blocks are told apart by their first and last bytes,
// where every header and marker of a test file lies.
constexpr std::uint64_t kExactVolumeBytes = 64ull << 30;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  const std::string p = Upper(pattern);
  const std::string n = Upper(name);
  // Greedy match with one backtrack point for the latest '*'.
  std::size_t pi = 0, ni = 0, starP = std::string::npos, starN = 0;
  while (ni < n.size()) {
    if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
      ++pi;
      ++ni;
    } else if (pi < p.size() && p[pi] == '*') {
      starP = pi++;
      starN = ni;
    } else if (starP != std::string::npos) {
      pi = starP + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (pi < p.size() && p[pi] == '*') ++pi;
  return pi == p.size();
}

FileVolume::FileVolume(std::uint64_t freeBytes, FileFault fault, std::uint64_t faultAfter)
    : capacity_(freeBytes),
      fault_(fault),
      faultAfter_(faultAfter),
      pool_(freeBytes > kExactVolumeBytes ? BlockCompare::Sampled : BlockCompare::Exact) {}

std::uint64_t FileVolume::FreeBytes() const {
  std::uint64_t used = 0;
  for (const auto& [key, file] : files_) used += file.data.Size();
  return used >= capacity_ ? 0 : capacity_ - used;
}

SimFile* FileVolume::Find(const std::string& name) {
  const auto found = files_.find(Upper(name));
  return found == files_.end() ? nullptr : &found->second;
}

SimFile* FileVolume::FindById(std::uint64_t id) {
  for (auto& [key, file] : files_) {
    if (file.id == id) return &file;
  }
  return nullptr;
}

SimFile& FileVolume::Create(const std::string& name, SimFileAttributes attributes) {
  SimFile& file = files_[Upper(name)];
  std::erase_if(extents_, [&file](const Extent& e) { return e.fileId == file.id; });
  if (file.name.empty()) {
    file.name = name;
    file.attributes = attributes;
  }
  file.id = nextId_++;
  file.data.Clear();
  pool_.Prune();
  return file;
}

bool FileVolume::Erase(const std::string& name) {
  const auto found = files_.find(Upper(name));
  if (found == files_.end()) return false;
  const std::uint64_t id = found->second.id;
  std::erase_if(extents_, [id](const Extent& e) { return e.fileId == id; });
  files_.erase(found);
  pool_.Prune();
  return true;
}

std::vector<SimFile*> FileVolume::Match(const std::string& pattern) {
  std::vector<SimFile*> matches;
  for (auto& [key, file] : files_) {
    if (WildcardMatch(pattern, file.name)) matches.push_back(&file);
  }
  return matches;
}

void FileVolume::Plant(SimFile& file, std::span<const std::uint8_t> data) {
  file.data.Write(pool_, 0, data.data(), data.size());
}

std::uint32_t FileVolume::Write(SimFile& file, std::uint64_t offset,
                                std::span<const std::uint8_t> data) {
  const std::uint64_t end = offset + data.size();
  const std::uint64_t growth = end > file.data.Size() ? end - file.data.Size() : 0;
  if (growth > FreeBytes()) return win::ERROR_DISK_FULL;

  const bool pastFault = streamBytes_ + data.size() > faultAfter_;
  switch (fault_) {
    case FileFault::None:
      file.data.Write(pool_, offset, data.data(), data.size());
      break;
    case FileFault::FailWrite:
      if (pastFault) return win::ERROR_WRITE_FAULT;
      file.data.Write(pool_, offset, data.data(), data.size());
      break;
    case FileFault::Overwrite:
      if (faultAfter_ > 0) {
        Overwrite(file, offset, data);
        break;
      }
      [[fallthrough]];  // no memory to land on: the bytes are lost
    case FileFault::Lose: {
      const std::uint64_t kept =
          faultAfter_ > streamBytes_
              ? std::min<std::uint64_t>(data.size(), faultAfter_ - streamBytes_)
              : 0;
      file.data.Write(pool_, offset, data.data(), static_cast<std::size_t>(kept));
      file.data.Write(pool_, offset + kept, nullptr, static_cast<std::size_t>(data.size() - kept));
      break;
    }
  }
  streamBytes_ += data.size();
  return win::ERROR_SUCCESS;
}

void FileVolume::Overwrite(SimFile& file, std::uint64_t offset,
                           std::span<const std::uint8_t> data) {
  std::uint64_t done = 0;
  while (done < data.size()) {
    const std::uint64_t stream = streamBytes_ + done;
    const bool wrapped = stream >= faultAfter_;
    const std::uint64_t physical = wrapped ? stream % faultAfter_ : stream;
    const std::uint64_t n = std::min<std::uint64_t>(data.size() - done, faultAfter_ - physical);
    const std::uint8_t* bytes = data.data() + done;
    file.data.Write(pool_, offset + done, bytes, static_cast<std::size_t>(n));
    if (wrapped) {
      // Every file whose bytes lie in this physical range now reads back the new data.
      for (const Extent& e : extents_) {
        const std::uint64_t from = std::max(e.physical, physical);
        const std::uint64_t to = std::min(e.physical + e.length, physical + n);
        if (from >= to) continue;
        if (SimFile* victim = FindById(e.fileId)) {
          victim->data.Write(pool_, e.fileOffset + (from - e.physical), bytes + (from - physical),
                             static_cast<std::size_t>(to - from));
        }
      }
    }
    extents_.push_back({physical, n, file.id, offset + done});
    done += n;
  }
}

}  // namespace sw::platform::sim
