// A scratch ext4 file system on a loop device (root only): a sparse image, attached, formatted
// and mounted; everything that was set up is taken down again in the destructor.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sw::bench {

class LoopVolume {
 public:
  // Builds the volume in `folder` (image and mount point both live there).
  LoopVolume(const std::filesystem::path& folder, std::uint64_t bytes);
  ~LoopVolume();
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }
  const std::string& device() const { return device_; }
  const std::filesystem::path& mountPoint() const { return mountPoint_; }

 private:
  std::filesystem::path image_;
  std::filesystem::path mountPoint_;
  std::string device_;  // "/dev/loop3" once attached
  bool mounted_ = false;
  std::string error_;
};

}  // namespace sw::bench
