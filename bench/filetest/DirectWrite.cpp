// A plain sequential O_DIRECT write and read, timed.
#include "filetest/DirectWrite.h"

#include <fcntl.h>
#include <unistd.h>

#include <chrono>

#include "core/AlignedBuffer.h"

namespace sw::bench {

namespace {

double Since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The timed write, leaving the file in place.
double WriteKept(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk,
                 int extraFlags, std::uint64_t syncEvery) {
  core::AlignedBuffer buffer(chunk);
  buffer.Fill(0xA5);
  const auto start = std::chrono::steady_clock::now();
  const int fd =
      ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT | O_CLOEXEC | extraFlags, 0644);
  if (fd < 0) return -1;
  bool ok = true;
  for (std::uint64_t done = 0; ok && done < bytes; done += chunk) {
    ok = ::write(fd, buffer.data(), chunk) == static_cast<ssize_t>(chunk);
    if (ok && syncEvery > 0 && (done + chunk) % syncEvery == 0 && done + chunk < bytes) {
      ok = ::fsync(fd) == 0;
    }
  }
  ok = ::fsync(fd) == 0 && ok;
  ::close(fd);
  const double seconds = Since(start);
  return ok ? seconds : -1;
}

}  // namespace

double TimeDirectWrite(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk,
                       int extraFlags, std::uint64_t syncEvery) {
  const double seconds = WriteKept(file, bytes, chunk, extraFlags, syncEvery);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return seconds;
}

bool TimeDirectWriteThenRead(const std::filesystem::path& file, std::uint64_t bytes,
                             std::uint32_t chunk, std::uint64_t syncEvery, double& writeSeconds,
                             double& readSeconds) {
  writeSeconds = WriteKept(file, bytes, chunk, 0, syncEvery);
  readSeconds = -1;
  core::AlignedBuffer buffer(chunk);
  const auto start = std::chrono::steady_clock::now();
  const int fd = writeSeconds >= 0 ? ::open(file.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC) : -1;
  bool ok = fd >= 0;
  for (std::uint64_t done = 0; ok && done < bytes; done += chunk) {
    ok = ::read(fd, buffer.data(), chunk) == static_cast<ssize_t>(chunk);
  }
  if (fd >= 0) ::close(fd);
  if (ok) readSeconds = Since(start);
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return ok;
}

double TimeDirectRead(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk) {
  core::AlignedBuffer buffer(chunk);
  buffer.Fill(0xA5);
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_DIRECT | O_CLOEXEC, 0644);
  if (fd < 0) return -1;
  bool ok = true;
  for (std::uint64_t done = 0; ok && done < bytes; done += chunk) {
    ok = ::write(fd, buffer.data(), chunk) == static_cast<ssize_t>(chunk);
  }
  ok = ::fsync(fd) == 0 && ok;
  ::close(fd);
  const auto start = std::chrono::steady_clock::now();
  fd = ok ? ::open(file.c_str(), O_RDONLY | O_DIRECT | O_CLOEXEC) : -1;
  ok = fd >= 0;
  for (std::uint64_t done = 0; ok && done < bytes; done += chunk) {
    ok = ::read(fd, buffer.data(), chunk) == static_cast<ssize_t>(chunk);
  }
  if (fd >= 0) ::close(fd);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  return ok ? seconds : -1;
}

}  // namespace sw::bench
