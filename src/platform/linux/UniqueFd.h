// A move-only owner of a POSIX file descriptor: closed in the destructor, -1 when empty.
#pragma once

#include <unistd.h>

#include <utility>

namespace sw::platform::linuxos {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(std::exchange(other.fd_, -1));
    return *this;
  }
  ~UniqueFd() { reset(); }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes the descriptor held (if any) and takes fd. Returns the result of close, 0 when empty.
  int reset(int fd = -1) {
    int rc = 0;
    if (fd_ >= 0) rc = ::close(fd_);
    fd_ = fd;
    return rc;
  }

 private:
  int fd_ = -1;
};

}  // namespace sw::platform::linuxos
