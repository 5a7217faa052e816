// errno to Win32: the nearest Windows code, so that traces read the same on every platform.
#include "platform/linux/ErrnoMap.h"

#include <cerrno>

#include "platform/WinApi.h"

namespace sw::platform::linuxos {

namespace {

struct ErrnoRow {
  int error;
  std::uint32_t win32;
};

// ENXIO, ENODEV and ENOMEDIUM are what a card reader without a card or a stick pulled out
// mid-run gives; Windows says "not ready" for the first and "no media" for the last.
constexpr ErrnoRow kTable[] = {
    {0, win::ERROR_SUCCESS},
    {EPERM, win::ERROR_ACCESS_DENIED},
    {EACCES, win::ERROR_ACCESS_DENIED},
    {EROFS, win::ERROR_WRITE_PROTECT},  // mounted read-only, as a locked SD card is
    {ENOENT, win::ERROR_FILE_NOT_FOUND},
    {ENOTDIR, win::ERROR_PATH_NOT_FOUND},
    {EISDIR, win::ERROR_ACCESS_DENIED},
    {ELOOP, win::ERROR_ACCESS_DENIED},  // a link where a file must be (O_NOFOLLOW)
    {EMFILE, win::ERROR_TOO_MANY_OPEN_FILES},
    {ENFILE, win::ERROR_TOO_MANY_OPEN_FILES},
    {EBADF, win::ERROR_INVALID_HANDLE},
    {ENOMEM, win::ERROR_NOT_ENOUGH_MEMORY},
    {EBUSY, win::ERROR_SHARING_VIOLATION},
    {ETXTBSY, win::ERROR_SHARING_VIOLATION},
    {EAGAIN, win::ERROR_LOCK_VIOLATION},
    {EIO, win::ERROR_IO_DEVICE},
    {ENOSPC, win::ERROR_DISK_FULL},
    {EDQUOT, win::ERROR_DISK_FULL},
    {EFBIG, win::ERROR_DISK_FULL},
    {EINVAL, win::ERROR_INVALID_PARAMETER},
    {EFAULT, win::ERROR_INVALID_PARAMETER},
    {EOVERFLOW, win::ERROR_INVALID_PARAMETER},
    {ENAMETOOLONG, win::ERROR_INVALID_NAME},
    {EEXIST, win::ERROR_FILE_EXISTS},
    {ENOTEMPTY, win::ERROR_ACCESS_DENIED},
    {ENXIO, win::ERROR_NOT_READY},
    {ENODEV, win::ERROR_DEVICE_NOT_CONNECTED},
    {ENOMEDIUM, win::ERROR_NO_MEDIA_IN_DRIVE},
    {EMEDIUMTYPE, win::ERROR_UNRECOGNIZED_VOLUME},
    {ENOTTY, win::ERROR_INVALID_FUNCTION},
    {ENOSYS, win::ERROR_INVALID_FUNCTION},
    {EOPNOTSUPP, win::ERROR_NOT_SUPPORTED},
    {ETIMEDOUT, win::ERROR_IO_DEVICE},
    {EILSEQ, win::ERROR_CRC},
};

}  // namespace

std::uint32_t Win32FromErrno(int error) {
  for (const ErrnoRow& row : kTable) {
    if (row.error == error) return row.win32;
  }
  return win::ERROR_GEN_FAILURE;
}

}  // namespace sw::platform::linuxos
