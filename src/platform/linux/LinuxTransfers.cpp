// Transfers on open handles: reads, writes, the file pointer, byte-range locks and flushes.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>

#include "platform/WinApi.h"
#include "platform/linux/LinuxOs.h"

namespace sw::platform::linuxos {

namespace {

// Unbuffered transfers on Windows must be whole 512-byte sectors from a 512-aligned address;
// O_DIRECT asks the same of Linux (the device's logical block size, and a DMA alignment that is
// never more than that).
constexpr std::size_t kSectorBytes = 512;
constexpr std::size_t kBounceAlignment = 4096;

bool Aligned(const void* p, std::size_t size) {
  return reinterpret_cast<std::uintptr_t>(p) % kSectorBytes == 0 && size % kSectorBytes == 0;
}

// A 4096-aligned copy area for device transfers whose caller buffer is not aligned.
struct Bounce {
  explicit Bounce(std::size_t size)
      : data(static_cast<std::uint8_t*>(::operator new(size == 0 ? kBounceAlignment : size,
                                                       std::align_val_t{kBounceAlignment}))) {}
  struct Free {
    void operator()(std::uint8_t* p) const { ::operator delete(p, std::align_val_t{kBounceAlignment}); }
  };
  std::unique_ptr<std::uint8_t, Free> data;
};

}  // namespace

bool LinuxOs::ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) {
  bytesRead = 0;
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid() || (object->access & win::GENERIC_READ) == 0) {
    return Fail(win::ERROR_ACCESS_DENIED);
  }
  if (object->direct && object->kind == Object::Kind::File && !Aligned(buffer.data(), buffer.size())) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  std::span<std::uint8_t> target = buffer;
  std::unique_ptr<Bounce> bounce;
  if (object->direct && reinterpret_cast<std::uintptr_t>(buffer.data()) % kSectorBytes != 0) {
    bounce = std::make_unique<Bounce>(buffer.size());
    target = {bounce->data.get(), buffer.size()};
  }
  std::size_t done = 0;
  while (done < target.size()) {
    ssize_t n = ::read(object->fd.get(), target.data() + done, target.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailErrno(errno);
    if (n == 0) break;  // end of file: a short read, as Windows reports it
    done += static_cast<std::size_t>(n);
  }
  // A device has no short reads: Windows fails a read that reaches past the last sector, and a
  // success here would leave the caller's buffer holding whatever an earlier read put there.
  if (object->kind != Object::Kind::File && done < target.size()) {
    return Fail(win::ERROR_SECTOR_NOT_FOUND);
  }
  if (bounce) std::memcpy(buffer.data(), target.data(), done);
  bytesRead = static_cast<std::uint32_t>(done);
  return true;
}

bool LinuxOs::WriteFile(Handle h, std::span<const std::uint8_t> buffer, std::uint32_t& bytesWritten) {
  bytesWritten = 0;
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid() || (object->access & win::GENERIC_WRITE) == 0) {
    return Fail(win::ERROR_ACCESS_DENIED);
  }
  // Checked here rather than left to the kernel: a file system without O_DIRECT would take the
  // write, and Windows refuses it.
  if (object->direct && object->kind == Object::Kind::File && !Aligned(buffer.data(), buffer.size())) {
    return Fail(win::ERROR_INVALID_PARAMETER);
  }
  std::span<const std::uint8_t> source = buffer;
  std::unique_ptr<Bounce> bounce;
  if (object->direct && reinterpret_cast<std::uintptr_t>(buffer.data()) % kSectorBytes != 0) {
    bounce = std::make_unique<Bounce>(buffer.size());
    if (!buffer.empty()) std::memcpy(bounce->data.get(), buffer.data(), buffer.size());
    source = {bounce->data.get(), buffer.size()};
  }
  std::size_t done = 0;
  while (done < source.size()) {
    ssize_t n = ::write(object->fd.get(), source.data() + done, source.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      bytesWritten = static_cast<std::uint32_t>(done);
      // fusefat answers a full volume with EPERM; Windows would say the disk is full.
      if (errno == EPERM && object->onFuse) return Fail(win::ERROR_DISK_FULL);
      return FailErrno(errno);
    }
    if (n == 0) {
      bytesWritten = static_cast<std::uint32_t>(done);
      return Fail(win::ERROR_DISK_FULL);
    }
    done += static_cast<std::size_t>(n);
  }
  bytesWritten = static_cast<std::uint32_t>(done);
  if (done > 0) object->wrote = true;
  return true;
}

bool LinuxOs::SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                               std::uint32_t method) {
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  int whence = method == win::FILE_BEGIN     ? SEEK_SET
               : method == win::FILE_CURRENT ? SEEK_CUR
               : method == win::FILE_END     ? SEEK_END
                                             : -1;
  if (whence < 0) return Fail(win::ERROR_INVALID_PARAMETER);
  // A block device refuses positions past its end (EINVAL); Windows would take the position and
  // fail the transfer. Either way the transfer does not happen.
  off_t pos = ::lseek(object->fd.get(), static_cast<off_t>(distance), whence);
  if (pos < 0) return FailErrno(errno);
  if (newPosition) *newPosition = static_cast<std::int64_t>(pos);
  return true;
}

namespace {

// Windows byte-range locks are exclusive and belong to the handle: open-file-description
// locks are the Linux equivalent (released when the handle closes, not when any descriptor of
// the process closes).
int RangeLock(int fd, short type, std::uint32_t offLow, std::uint32_t offHigh, std::uint32_t lenLow,
              std::uint32_t lenHigh) {
  struct flock lock {};
  lock.l_type = type;
  lock.l_whence = SEEK_SET;
  lock.l_start = static_cast<off_t>((static_cast<std::uint64_t>(offHigh) << 32) | offLow);
  lock.l_len = static_cast<off_t>((static_cast<std::uint64_t>(lenHigh) << 32) | lenLow);
  return ::fcntl(fd, F_OFD_SETLK, &lock);
}

}  // namespace

bool LinuxOs::LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                       std::uint32_t lengthLow, std::uint32_t lengthHigh) {
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  if (lengthLow == 0 && lengthHigh == 0) return true;  // fcntl would read 0 as "to the end"
  short type = (object->access & win::GENERIC_WRITE) != 0 ? F_WRLCK : F_RDLCK;
  if (RangeLock(object->fd.get(), type, offsetLow, offsetHigh, lengthLow, lengthHigh) != 0) {
    return errno == EAGAIN || errno == EACCES ? Fail(win::ERROR_LOCK_VIOLATION) : FailErrno(errno);
  }
  return true;
}

bool LinuxOs::UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                         std::uint32_t lengthLow, std::uint32_t lengthHigh) {
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid()) return Fail(win::ERROR_ACCESS_DENIED);
  if (lengthLow == 0 && lengthHigh == 0) return true;
  if (RangeLock(object->fd.get(), F_UNLCK, offsetLow, offsetHigh, lengthLow, lengthHigh) != 0) {
    return FailErrno(errno);
  }
  return true;
}

bool LinuxOs::FlushFileBuffers(Handle h) {
  Object* object = Find(h);
  if (!object) return false;
  if (!object->fd.valid() || (object->access & win::GENERIC_WRITE) == 0) {
    return Fail(win::ERROR_ACCESS_DENIED);
  }
  // On a block device fsync also sends a cache flush to the drive, so what was written is on
  // the flash (or the backing file of a loop device) when this returns.
  if (::fsync(object->fd.get()) != 0) return FailErrno(errno);
  return true;
}

}  // namespace sw::platform::linuxos
