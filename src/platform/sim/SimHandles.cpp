// Opening and closing simulated devices and files, and the transfers on their handles.
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <limits>

#include "platform/sim/SimMachine.h"

namespace sw::platform::sim {
namespace {

constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::string_view kPhysicalDrive = "PHYSICALDRIVE";
constexpr std::uint32_t CREATE_NEW = 1;
constexpr std::uint32_t OPEN_ALWAYS = 4;
constexpr std::uint32_t TRUNCATE_EXISTING = 5;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

// The drive number of "\\.\PhysicalDriveN": plain decimal, no sign, no leading zeros.
std::optional<int> DriveNumberOf(std::string_view digits) {
  if (digits.empty() || digits.size() > 9 || (digits.size() > 1 && digits[0] == '0')) {
    return std::nullopt;
  }
  int number = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  return number;
}

// Two opens of one file get along when each allows what the other asks for.
bool SharesWith(const SimHandle& open, std::uint32_t access, std::uint32_t share) {
  const auto clash = [](std::uint32_t a, std::uint32_t s) {
    return ((a & win::GENERIC_READ) && !(s & win::FILE_SHARE_READ)) ||
           ((a & win::GENERIC_WRITE) && !(s & win::FILE_SHARE_WRITE));
  };
  return !clash(access, open.share) && !clash(open.access, share);
}

// Unbuffered transfers need sector-sized lengths, positions and buffer addresses; a file's
// sectors are those of its volume (4,096 bytes on a 4Kn drive).
bool Aligned(const SimHandle& handle, const void* buffer, std::size_t length) {
  if (!(handle.flags & win::FILE_FLAG_NO_BUFFERING)) return true;
  const std::uint64_t sector =
      handle.kind == HandleKind::File ? handle.Volume().config.sectorBytes : kSectorSize;
  return length % sector == 0 && static_cast<std::uint64_t>(handle.position) % sector == 0 &&
         reinterpret_cast<std::uintptr_t>(buffer) % sector == 0;
}

// A raw transfer of a drive moves whole logical sectors: 512 bytes, or 4,096 on a 4Kn drive,
// which refuses anything else as such a drive does under unbuffered I/O.
bool WholeLogicalSectors(const SimDriveSpec& config, std::uint64_t position, std::size_t length) {
  const std::uint64_t sector = std::max<std::uint32_t>(config.blockLength, kSectorSize);
  return position % sector == 0 && length % sector == 0;
}

}  // namespace

Handle SimOs::CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                          std::uint32_t disposition, std::uint32_t flags) {
  Impl& m = *impl_;
  if (m.beforeOpen) m.beforeOpen(name);
  SimHandle handle;
  handle.access = access;
  handle.share = share;
  handle.flags = flags;
  const auto fail = [&m](std::uint32_t code) {
    m.lastError = code;
    return kInvalidHandle;
  };

  if (name.starts_with(kDevicePrefix)) {
    const std::string_view rest = std::string_view(name).substr(kDevicePrefix.size());
    if (disposition != win::OPEN_EXISTING) return fail(win::ERROR_INVALID_PARAMETER);
    if (StartsWithNoCase(rest, kPhysicalDrive)) {
      const auto number = DriveNumberOf(rest.substr(kPhysicalDrive.size()));
      const auto found = number ? m.drives.find(*number) : m.drives.end();
      if (found == m.drives.end()) return fail(win::ERROR_FILE_NOT_FOUND);
      if (found->second->removed) return fail(win::ERROR_DEVICE_NOT_CONNECTED);
      handle.kind = HandleKind::Disk;
      handle.drive = found->second;
    } else {
      const char letter = LetterOf(std::string(rest));
      if (letter == 0 || rest.size() != 2) return fail(win::ERROR_FILE_NOT_FOUND);
      if (m.IsCdRom(letter)) {
        handle.kind = HandleKind::CdRom;
      } else {
        const auto volume = m.FindVolume(letter);
        if (!volume) return fail(win::ERROR_FILE_NOT_FOUND);
        if (volume->drive->removed) return fail(win::ERROR_DEVICE_NOT_CONNECTED);
        handle.kind = HandleKind::Volume;
        handle.drive = volume->drive;
        handle.volume = volume->index;
      }
    }
  } else {
    const char letter = LetterOf(name);
    if (letter == 0 || name.size() < 4 || (name[2] != '\\' && name[2] != '/')) {
      return fail(win::ERROR_FILE_NOT_FOUND);
    }
    const std::string fileName = name.substr(3);
    if (fileName.find_first_of("\\/") != std::string::npos) return fail(win::ERROR_PATH_NOT_FOUND);
    if (fileName.find_first_of("*?<>|\":") != std::string::npos) {
      return fail(win::ERROR_INVALID_NAME);
    }
    const auto volume = m.FindVolume(letter);
    if (!volume) return fail(win::ERROR_PATH_NOT_FOUND);
    if (volume->drive->removed) return fail(win::ERROR_DEVICE_NOT_CONNECTED);
    SimVolume& v = volume->Volume();
    if (v.config.noMedia) return fail(win::ERROR_NOT_READY);
    if (!v.files) return fail(win::ERROR_UNRECOGNIZED_VOLUME);
    if (v.lockedBy != 0) return fail(win::ERROR_ACCESS_DENIED);
    if ((access & win::GENERIC_WRITE) && v.config.readOnly) return fail(win::ERROR_WRITE_PROTECT);

    SimFile* file = v.files->Find(fileName);
    if (file) {
      for (const auto& [h, open] : m.handles) {
        if (open.file == file && !SharesWith(open, access, share)) {
          return fail(win::ERROR_SHARING_VIOLATION);
        }
      }
      if ((access & win::GENERIC_WRITE) && file->attributes.readOnly) {
        return fail(win::ERROR_ACCESS_DENIED);
      }
    }
    switch (disposition) {
      case CREATE_NEW:
        if (file) return fail(win::ERROR_FILE_EXISTS);
        file = &v.files->Create(fileName);
        break;
      case win::CREATE_ALWAYS:
        file = &v.files->Create(fileName);
        break;
      case win::OPEN_EXISTING:
        if (!file) return fail(win::ERROR_FILE_NOT_FOUND);
        break;
      case OPEN_ALWAYS:
        if (!file) file = &v.files->Create(fileName);
        break;
      case TRUNCATE_EXISTING:
        if (!file) return fail(win::ERROR_FILE_NOT_FOUND);
        file = &v.files->Create(fileName);
        break;
      default:
        return fail(win::ERROR_INVALID_PARAMETER);
    }
    ++file->openCount;
    handle.kind = HandleKind::File;
    handle.drive = volume->drive;
    handle.volume = volume->index;
    handle.file = file;
  }

  const Handle h = m.nextHandle;
  m.nextHandle += 4;
  m.handles.emplace(h, std::move(handle));
  return h;
}

Handle SimOs::CreateMutexA(const std::string& name) {
  Impl& m = *impl_;
  const bool held = m.mutexesHeldElsewhere.count(name) != 0 ||
                    std::any_of(m.handles.begin(), m.handles.end(), [&name](const auto& entry) {
                      return entry.second.kind == HandleKind::Mutex && entry.second.mutexName == name;
                    });
  if (held) {
    m.lastError = win::ERROR_ALREADY_EXISTS;
    return kInvalidHandle;
  }
  SimHandle handle;
  handle.kind = HandleKind::Mutex;
  handle.mutexName = name;
  const Handle h = m.nextHandle;
  m.nextHandle += 4;
  m.handles.emplace(h, std::move(handle));
  return h;
}

void SimOs::HoldMutexElsewhere(const std::string& name) { impl_->mutexesHeldElsewhere.insert(name); }

void SimOs::ReleaseMutexElsewhere(const std::string& name) { impl_->mutexesHeldElsewhere.erase(name); }

std::vector<std::string> SimOs::HeldMutexes() const {
  std::vector<std::string> names;
  for (const auto& [h, handle] : impl_->handles) {
    if (handle.kind == HandleKind::Mutex) names.push_back(handle.mutexName);
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool SimOs::CloseHandle(Handle h) {
  Impl& m = *impl_;
  const auto found = m.handles.find(h);
  if (found == m.handles.end()) return m.Fail(win::ERROR_INVALID_HANDLE);
  SimHandle& handle = found->second;
  if (handle.kind == HandleKind::Volume && handle.Volume().lockedBy == h) {
    handle.Volume().lockedBy = 0;
  }
  if (handle.file) --handle.file->openCount;
  m.handles.erase(found);
  return true;
}

bool SimOs::ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) {
  Impl& m = *impl_;
  bytesRead = 0;
  SimHandle* handle = m.Usable(h);
  if (!handle) return false;
  if (!(handle->access & win::GENERIC_READ)) return m.Fail(win::ERROR_ACCESS_DENIED);

  if (handle->kind == HandleKind::File) {
    if (!Aligned(*handle, buffer.data(), buffer.size())) {
      return m.Fail(win::ERROR_INVALID_PARAMETER);
    }
    const std::uint64_t size = handle->file->data.Size();
    const auto position = static_cast<std::uint64_t>(handle->position);
    // At or past the end of a file, Windows reports success with nothing read.
    const std::uint64_t n =
        position >= size ? 0 : std::min<std::uint64_t>(buffer.size(), size - position);
    handle->file->data.Read(position, buffer.data(), static_cast<std::size_t>(n));
    // File data moves at the stick's own pace, so a file test on a slow stick takes its time.
    m.ChargeTransfer(*handle->drive, handle->drive->config.readBytesPerSecond, n);
    m.stats.fileBytesRead += n;
    handle->position += static_cast<std::int64_t>(n);
    bytesRead = static_cast<std::uint32_t>(n);
    return true;
  }
  if (handle->kind != HandleKind::Disk) return m.Fail(win::ERROR_INVALID_FUNCTION);

  SectorStore& sectors = handle->drive->sectors;
  const auto position = static_cast<std::uint64_t>(handle->position);
  if (!WholeLogicalSectors(handle->drive->config, position, buffer.size())) {
    return m.Fail(win::ERROR_INVALID_PARAMETER);
  }
  const std::uint64_t first = position / kSectorSize;
  const std::uint64_t count = buffer.size() / kSectorSize;
  if (first > sectors.AnnouncedSectors() || count > sectors.AnnouncedSectors() - first) {
    return m.Fail(win::ERROR_SECTOR_NOT_FOUND);
  }
  if (handle->drive->unflushed && count > 0) ++m.stats.readsBeforeFlush;
  if (count > 0) m.clock.Advance(handle->drive->config.readDelayMs);
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint32_t error = sectors.Read(first + i, buffer.data() + i * kSectorSize);
    if (error != win::ERROR_SUCCESS) return m.Fail(error);
    m.ChargeTransfer(*handle->drive, handle->drive->config.readBytesPerSecond);
    ++m.stats.sectorReads;
    bytesRead += kSectorSize;
    handle->position += kSectorSize;
  }
  return true;
}

bool SimOs::WriteFile(Handle h, std::span<const std::uint8_t> buffer, std::uint32_t& bytesWritten) {
  Impl& m = *impl_;
  bytesWritten = 0;
  SimHandle* handle = m.Usable(h);
  if (!handle) return false;
  if (!(handle->access & win::GENERIC_WRITE)) return m.Fail(win::ERROR_ACCESS_DENIED);

  if (handle->kind == HandleKind::File) {
    if (!Aligned(*handle, buffer.data(), buffer.size())) {
      return m.Fail(win::ERROR_INVALID_PARAMETER);
    }
    const std::uint32_t error = handle->Volume().files->Write(
        *handle->file, static_cast<std::uint64_t>(handle->position), buffer);
    if (error != win::ERROR_SUCCESS) return m.Fail(error);
    m.ChargeTransfer(*handle->drive, handle->drive->config.writeBytesPerSecond, buffer.size());
    m.stats.fileBytesWritten += buffer.size();
    handle->position += static_cast<std::int64_t>(buffer.size());
    bytesWritten = static_cast<std::uint32_t>(buffer.size());
    return true;
  }
  if (handle->kind != HandleKind::Disk) return m.Fail(win::ERROR_INVALID_FUNCTION);

  SimDrive& drive = *handle->drive;
  const auto position = static_cast<std::uint64_t>(handle->position);
  if (!WholeLogicalSectors(drive.config, position, buffer.size())) {
    return m.Fail(win::ERROR_INVALID_PARAMETER);
  }
  const std::uint64_t first = position / kSectorSize;
  const std::uint64_t count = buffer.size() / kSectorSize;
  if (first > drive.sectors.AnnouncedSectors() ||
      count > drive.sectors.AnnouncedSectors() - first) {
    return m.Fail(win::ERROR_SECTOR_NOT_FOUND);
  }
  // The delay is the latency of one request, however many sectors it carries.
  if (count > 0) m.clock.Advance(drive.config.writeDelayMs);
  if (count > 0) drive.unflushed = true;
  for (std::uint64_t i = 0; i < count; ++i) {
    const std::uint32_t error = drive.sectors.Write(first + i, buffer.data() + i * kSectorSize);
    if (error != win::ERROR_SUCCESS) {
      m.clock.Advance(drive.config.failedWriteDelayMs);
      return m.Fail(error);
    }
    std::uint64_t speed = drive.config.writeBytesPerSecond;
    if (drive.fastBytesWritten < drive.config.fastWriteBytes) {
      drive.fastBytesWritten += kSectorSize;
      speed *= 4;
    }
    m.ChargeTransfer(drive, speed);
    ++m.stats.sectorWrites;
    bytesWritten += kSectorSize;
    handle->position += kSectorSize;
  }
  return true;
}

bool SimOs::SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                             std::uint32_t method) {
  Impl& m = *impl_;
  SimHandle* handle = m.Usable(h);
  if (!handle) return false;
  std::int64_t base = 0;
  switch (method) {
    case win::FILE_BEGIN:
      break;
    case win::FILE_CURRENT:
      base = handle->position;
      break;
    case win::FILE_END:
      if (handle->kind == HandleKind::File) {
        base = static_cast<std::int64_t>(handle->file->data.Size());
      } else if (handle->kind == HandleKind::Disk) {
        base = static_cast<std::int64_t>(handle->drive->config.announcedBytes / kSectorSize *
                                         kSectorSize);
      }
      break;
    default:
      return m.Fail(win::ERROR_INVALID_PARAMETER);
  }
  if (distance > 0 && base > std::numeric_limits<std::int64_t>::max() - distance) {
    return m.Fail(win::ERROR_INVALID_PARAMETER);
  }
  if (base + distance < 0) return m.Fail(win::ERROR_NEGATIVE_SEEK);
  handle->position = base + distance;
  if (newPosition) *newPosition = handle->position;
  return true;
}

bool SimOs::LockFile(Handle h, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  return impl_->Usable(h) != nullptr;
}

bool SimOs::UnlockFile(Handle h, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) {
  return impl_->Usable(h) != nullptr;
}

bool SimOs::FlushFileBuffers(Handle h) {
  Impl& m = *impl_;
  SimHandle* handle = m.Usable(h);
  if (!handle) return false;
  if (handle->kind != HandleKind::Disk) return true;
  ++m.stats.diskFlushes;
  if (handle->drive->config.flushFails) return m.Fail(win::ERROR_WRITE_FAULT);
  handle->drive->unflushed = false;
  return true;
}

}  // namespace sw::platform::sim
