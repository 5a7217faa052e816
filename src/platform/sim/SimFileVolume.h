// The files of one formatted simulated volume: names, attributes, free space, and the
// counterfeit behaviour of file data (lost, overwriting earlier data, or failing writes).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/sim/SimFileData.h"
#include "platform/sim/SimOs.h"

namespace sw::platform::sim {

struct SimFile {
  std::string name;  // as created
  SimFileAttributes attributes;
  std::uint64_t id = 0;  // new for every creation or truncation
  int openCount = 0;
  FileData data;

  bool Ordinary() const { return !attributes.hidden && !attributes.system; }
};

class FileVolume {
 public:
  FileVolume(std::uint64_t freeBytes, FileFault fault, std::uint64_t faultAfter);

  std::uint64_t Capacity() const { return capacity_; }
  std::uint64_t FreeBytes() const;

  SimFile* Find(const std::string& name);
  // Creates the file, or empties an existing one.
  SimFile& Create(const std::string& name, SimFileAttributes attributes = {});
  bool Erase(const std::string& name);
  // Files whose names match a pattern with * and ?, case-insensitively, in name order.
  std::vector<SimFile*> Match(const std::string& pattern);

  // Writes through the volume's fault model; ERROR_SUCCESS or the Win32 error.
  std::uint32_t Write(SimFile& file, std::uint64_t offset, std::span<const std::uint8_t> data);
  // Stores bytes as given, outside the fault model (planting files for a test).
  void Plant(SimFile& file, std::span<const std::uint8_t> data);
  // File blocks this recipe makes are kept as its keys from now on.
  void SetRecipe(std::shared_ptr<const BlockRecipe> recipe) { pool_.SetRecipe(std::move(recipe)); }

 private:
  // Where a run of file bytes lies on the simulated medium, for the Overwrite fault.
  struct Extent {
    std::uint64_t physical;
    std::uint64_t length;
    std::uint64_t fileId;
    std::uint64_t fileOffset;
  };
  void Overwrite(SimFile& file, std::uint64_t offset, std::span<const std::uint8_t> data);
  SimFile* FindById(std::uint64_t id);

  std::uint64_t capacity_;
  FileFault fault_;
  std::uint64_t faultAfter_;
  std::uint64_t streamBytes_ = 0;  // file bytes ever written on this volume
  std::uint64_t nextId_ = 1;
  BlockPool pool_;
  std::map<std::string, SimFile> files_;  // by upper-case name
  std::vector<Extent> extents_;
};

// Case-insensitive match of a name against a pattern with * and ?.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace sw::platform::sim
