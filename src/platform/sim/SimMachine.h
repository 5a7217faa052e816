// Inside the simulated machine: its drives, volumes and open handles, shared by the files that
// implement SimOs.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <span>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/SimClock.h"
#include "platform/sim/SimFileVolume.h"
#include "platform/sim/SimOs.h"
#include "platform/sim/SimSectors.h"

namespace sw::platform::sim {

struct SimVolume {
  SimVolumeSpec config;
  char letter = 0;              // upper case
  std::uint32_t partition = 0;  // 1-based
  Handle lockedBy = 0;          // 0: not locked
  bool dismounted = false;
  std::unique_ptr<FileVolume> files;  // null: unformatted
};

struct SimDrive {
  SimDrive(int driveNumber, SimDriveSpec driveSpec);
  int number;
  SimDriveSpec config;
  SectorStore sectors;
  std::vector<SimVolume> volumes;
  bool removed = false;
  std::uint64_t fastBytesWritten = 0;   // disk bytes written at the fast speed so far
  std::uint64_t pendingNanoseconds = 0;  // transfer time not yet a whole virtual millisecond
  bool unflushed = false;                // written since the last flush
  std::uint64_t key = 0;  // the disk's stable key: a new one for every drive plugged in
  std::optional<SimPartitionTable> table;  // after the first layout control
  std::vector<std::uint8_t> layout;        // the DRIVE_LAYOUT_INFORMATION_EX last set
  std::string formatFailure;               // FailFormat's words
};

// IOCTL_DISK_CREATE_DISK, _SET_DRIVE_LAYOUT_EX, _GET_DRIVE_LAYOUT_EX and _UPDATE_PROPERTIES on a
// disk handle's drive.
// disk handle's drive. False with the Win32 error in `error`.
bool LayoutControl(SimDrive& drive, std::uint32_t code, std::span<const std::uint8_t> in,
                   std::span<std::uint8_t> out, std::uint32_t& bytesReturned, std::uint32_t& error);

enum class HandleKind { Disk, Volume, CdRom, File, Mutex };

struct SimHandle {
  HandleKind kind = HandleKind::Disk;
  std::shared_ptr<SimDrive> drive;  // null for a CD-ROM letter
  std::size_t volume = 0;           // index into drive->volumes (Volume and File)
  SimFile* file = nullptr;          // File
  std::uint32_t access = 0;
  std::uint32_t share = 0;
  std::uint32_t flags = 0;
  std::int64_t position = 0;
  std::string mutexName;            // Mutex

  SimVolume& Volume() const { return drive->volumes[volume]; }
};

// A volume found by its letter.
struct VolumeRef {
  std::shared_ptr<SimDrive> drive;
  std::size_t index = 0;
  SimVolume& Volume() const { return drive->volumes[index]; }
};

struct SimOs::Impl {
  VirtualClock clock;
  std::map<int, std::shared_ptr<SimDrive>> drives;
  std::vector<char> cdRoms;  // upper-case letters
  std::map<Handle, SimHandle> handles;
  std::set<std::string> mutexesHeldElsewhere;  // names another process of the machine holds
  Handle nextHandle = 100;
  std::uint32_t lastError = 0;
  int systemDisk = 0;
  std::uint64_t nextKey = 0x5157000000000001ull;
  std::function<void(const std::string&)> beforeOpen;
  std::function<void()> afterLayoutChange;
  NumberFormat numberFormat;
  SimStats stats;
  std::shared_ptr<const BlockRecipe> recipe;
  std::map<std::string, std::vector<std::uint8_t>> stateFiles;  // the computer's own disk
  std::uint64_t stateAppendsLeft = UINT64_MAX;  // then every append fails (a full disk)

  bool Fail(std::uint32_t code) {
    lastError = code;
    return false;
  }
  // The open handle, or null (the error is then recorded): unknown handles give
  // ERROR_INVALID_HANDLE, handles of a removed drive ERROR_DEVICE_NOT_CONNECTED.
  SimHandle* Usable(Handle h);
  // The volume with this letter on any drive, removed ones included.
  std::optional<VolumeRef> FindVolume(char letter) const;
  bool IsCdRom(char letter) const;
  // Lets the virtual time pass that `bytes` (one sector unless told) take at this many bytes
  // per second (0: none).
  void ChargeTransfer(SimDrive& drive, std::uint64_t bytesPerSecond,
                      std::uint64_t bytes = kSectorSize);
};

// The drive letter of "E:", "e:", "E:\..." or 0 when text does not start with one.
char LetterOf(const std::string& text);

}  // namespace sw::platform::sim
