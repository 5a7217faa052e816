// Simulated drives for the tests and the demo: genuine and counterfeit sticks that answer the
// device controls with the bytes a Windows driver would return, volumes with letters and labels,
// file volumes in a temporary folder, and a virtual clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Os.h"
#include "platform/WinApi.h"

namespace sw::platform::sim {

// How a counterfeit treats the sectors beyond its real memory (modelled on how fakes behave).
enum class FakeKind {
  Good,        // every announced sector is real
  Wraparound,  // addresses wrap modulo the real size (a power of two)
  Limbo,       // writes past the real memory vanish; reads there give LimboFill
  Chain,       // wrap plus limbo: past twice the real size writes vanish, below that they wrap
};

// What a limbo sector reads back as.
enum class LimboFill { Zeros, Ones, Stale };

// Counterfeit behaviour of the file data of a volume.
enum class FileFault {
  None,
  Lose,       // bytes written past FileFaultAfter read back as zeros
  Overwrite,  // bytes written past FileFaultAfter land on earlier data (wrap to offset 0 of the stream)
  FailWrite,  // writes that would go past FileFaultAfter fail (ERROR_WRITE_FAULT)
};

struct SimVolumeSpec {
  std::string letter;  // "E:"
  std::string label;   // may be empty or blanks
  bool refuseLock = false;  // FSCTL_LOCK_VOLUME fails with ERROR_ACCESS_DENIED
  bool noMedia = false;     // GetVolumeInformationA fails (ERROR_NOT_READY)
  // File volume: free space offered to the caller. A volume with freeBytes unset is unformatted
  // (GetDiskFreeSpaceExA fails with ERROR_UNRECOGNIZED_VOLUME).
  std::optional<std::uint64_t> freeBytes;
  FileFault fileFault = FileFault::None;
  std::uint64_t fileFaultAfter = 0;  // total file bytes written on this volume before the fault
};

struct SimDriveSpec {
  std::uint64_t announcedBytes = 0;  // what READ CAPACITY and the disk length report
  std::uint64_t realBytes = 0;       // real memory; 0 = same as announced
  FakeKind kind = FakeKind::Good;
  LimboFill limboFill = LimboFill::Zeros;
  bool readErrorsPastReal = false;   // reads past the real memory fail (ERROR_CRC)
  bool writeErrorsPastReal = false;  // writes past the real memory fail (ERROR_WRITE_FAULT)
  std::uint32_t writeCacheSectors = 0;  // limbo writes kept readable in a small FIFO cache
  std::uint32_t writeDelayMs = 0;       // virtual time each sector write costs
  std::uint32_t failedWriteDelayMs = 0; // virtual time a failing write costs

  std::uint32_t blockLength = 512;   // READ CAPACITY block length (512 or 4,096)
  bool readCapacityFails = false;
  bool diskLengthFails = false;
  bool inquiryFails = false;
  std::uint32_t inquiryLength = 44;  // bytes of INQUIRY data returned (36 leaves no serial)

  std::uint8_t busType = win::BusTypeUsb;
  std::string vendor = "SIMTEK";
  std::string product = "Flash Disk";
  std::string revision = "1.00";
  std::string serial = "SIM0000001";
  bool removable = true;

  std::vector<SimVolumeSpec> volumes;
};

// Counters the benchmarks and tests read.
struct SimStats {
  std::uint64_t sectorWrites = 0;
  std::uint64_t sectorReads = 0;
  std::uint64_t deviceControls = 0;
};

class SimOs final : public Os {
 public:
  SimOs();
  ~SimOs() override;
  SimOs(const SimOs&) = delete;
  SimOs& operator=(const SimOs&) = delete;

  // --- Building the machine ---------------------------------------------------------------
  // Adds physical drive `number` (0 is the system disk C:, added by the constructor with a
  // 256 GB SATA disk unless replaced). Its volumes get their letters.
  void AddDrive(int number, SimDriveSpec spec);
  // A letter that is not a disk (DeviceType CD-ROM): GetDiskNumber gives 99 for it.
  void AddCdRomLetter(const std::string& letter);
  // From now on every call on this drive, its open handles and its volumes fails
  // (ERROR_DEVICE_NOT_CONNECTED); its letters disappear from LogicalDrives.
  void RemoveDrive(int number);
  void SetSystemDisk(int number);
  void SetNumberFormat(NumberFormat format);

  // --- Virtual clock ------------------------------------------------------------------------
  void SetNow(LocalTime t);           // sets the wall clock; ticks keep counting from there
  void Advance(std::uint32_t ms);     // lets virtual time pass

  // --- Inspection -------------------------------------------------------------------------
  // The 512 bytes a read of this sector would return now (as the device holds them).
  std::vector<std::uint8_t> PeekSector(int drive, std::uint64_t sector) const;
  int OpenHandleCount() const;        // handles not yet closed
  int LockedVolumeCount() const;      // volumes locked by a handle not yet unlocked
  bool Dismounted(const std::string& letter) const;
  const SimStats& Stats() const;
  // Folder that holds the files of a volume (created in a temporary directory on first use).
  std::filesystem::path VolumeFolder(const std::string& letter);

  // --- Os ---------------------------------------------------------------------------------
  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override;
  bool CloseHandle(Handle h) override;
  bool DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                       std::span<std::uint8_t> out, std::uint32_t& bytesReturned) override;
  bool ReadFile(Handle h, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead) override;
  bool WriteFile(Handle h, std::span<const std::uint8_t> buffer,
                 std::uint32_t& bytesWritten) override;
  bool SetFilePointerEx(Handle h, std::int64_t distance, std::int64_t* newPosition,
                        std::uint32_t method) override;
  bool LockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                std::uint32_t lengthLow, std::uint32_t lengthHigh) override;
  bool UnlockFile(Handle h, std::uint32_t offsetLow, std::uint32_t offsetHigh,
                  std::uint32_t lengthLow, std::uint32_t lengthHigh) override;
  bool FlushFileBuffers(Handle h) override;
  std::uint32_t GetLastError() override;
  bool GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                           std::uint64_t& totalBytes, std::uint64_t& totalFree) override;
  bool GetVolumeInformationA(const std::string& root, std::span<char> label,
                             std::uint32_t& serial, std::uint32_t& maxComponentLength,
                             std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override;
  std::vector<std::string> LogicalDrives() override;
  int SystemDiskNumber() override;
  std::vector<std::string> FindFiles(const std::string& pattern) override;
  int DeleteFiles(const std::string& pattern) override;
  LocalTime Now() override;
  // "M/D/YYYY h:mm:ss AM" (the US general date), fixed so that transcripts are repeatable.
  std::string GeneralDate(LocalTime t) override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  NumberFormat UserNumberFormat() override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Parses a drive description of the command line, e.g. "E:usb:32G:real=8G:limbo" (see the
// terminal front end's --help). Returns the physical drive spec, or an error text.
struct ParsedSimDrive {
  SimDriveSpec spec;
  std::string error;  // empty on success
};
ParsedSimDrive ParseSimDrive(const std::string& text);

// The built-in demo machine: E: a 32 GB limbo fake holding 8 GB, F: a genuine 16 GB stick.
void AddDemoDrives(SimOs& os);

}  // namespace sw::platform::sim
