// Disks that stay attached for the whole of a run and that the program must leave alone: one
// full of data, one with a partition that stays mounted. Their contents are hashed when they
// are made and again at the end; the destructor undoes them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace sw::e2e {

class Bystanders {
 public:
  // Null with the reason when this machine cannot make them.
  static std::unique_ptr<Bystanders> Make(std::string& whyNot);
  ~Bystanders();
  Bystanders(const Bystanders&) = delete;
  Bystanders& operator=(const Bystanders&) = delete;

  // Empty while every bystander is attached where it was and holds what it held, else what
  // changed.
  std::string Changes() const;
  const std::filesystem::path& Folder() const { return dir_; }
  const std::filesystem::path& MountDir() const { return mountDir_; }

 private:
  struct Disk {
    std::filesystem::path image;
    std::string device;
    std::uint64_t hash = 0;
  };
  Bystanders() = default;
  bool Mounted() const;

  std::filesystem::path dir_, mountDir_;
  std::vector<Disk> disks_;
};

// FNV-1a over the file's bytes, after a sync so that what a disk was told is in its image;
// 0 when the file cannot be read.
std::uint64_t HashFile(const std::filesystem::path& file);

}  // namespace sw::e2e
