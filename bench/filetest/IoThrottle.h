// A slow stick out of a fast volume: this process moved into a cgroup (v1 blkio) of its own
// whose throttle limits what it may write to and read from one block device per second. The
// destructor moves the process back and removes the group. Root only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace sw::bench {

class IoThrottle {
 public:
  IoThrottle(const std::string& device, std::uint64_t writeBytesPerSecond,
             std::uint64_t readBytesPerSecond);
  ~IoThrottle();
  IoThrottle(const IoThrottle&) = delete;
  IoThrottle& operator=(const IoThrottle&) = delete;

  bool ok() const { return error_.empty(); }
  const std::string& error() const { return error_; }

 private:
  std::filesystem::path home_;   // the group the process came from
  std::filesystem::path group_;
  bool created_ = false;
  bool joined_ = false;
  std::string error_;
};

}  // namespace sw::bench
