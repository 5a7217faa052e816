// Simulated drives for the tests and the demo: genuine and counterfeit sticks that answer the
// device controls with the bytes a Windows driver would return, volumes with letters and labels,
// file volumes held compactly in memory, and a virtual clock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Os.h"
#include "platform/WinApi.h"
#include "platform/sim/FollowMap.h"
#include "platform/sim/SimBlockRecipe.h"

namespace sw::platform::sim {

// How a counterfeit treats the sectors beyond its real memory (modelled on how fakes behave).
enum class FakeKind {
  Good,        // every announced sector is real
  Wraparound,  // addresses wrap modulo the real size (or modulo wrapBytes)
  Limbo,       // writes past the real memory vanish; reads there give LimboFill
  // Wrap plus limbo: past twice the real size writes vanish, below that they wrap; with
  // wrapBytes, addresses wrap modulo wrapBytes and what lands between the real memory and the
  // wrap is limbo.
  Chain,
  // Memory that follows the writes: every announced address written gets the next free real
  // sector (a rewrite goes to the address's own sector); addresses never written read zeros.
  // What happens once the real sectors are all taken is FollowFull.
  Follow,
};

// Follow, when the real memory is full (FollowFull, in FollowMap.h): a lost address reads back
// as LimboFill.

// What a limbo sector reads back as: zeros, ones, or the last block written into limbo.
enum class LimboFill { Zeros, Ones, Stale };

// Counterfeit behaviour of the file data of a volume.
enum class FileFault {
  None,
  Lose,  // bytes written past FileFaultAfter read back as zeros
  // Bytes written past FileFaultAfter land where stream position p mod FileFaultAfter was
  // stored, so earlier files read back the new data there.
  Overwrite,
  FailWrite,  // writes that would go past FileFaultAfter fail (ERROR_WRITE_FAULT)
};

struct SimVolumeSpec {
  std::string letter;       // "E:"
  std::string label;        // may be empty or blanks
  bool refuseLock = false;  // FSCTL_LOCK_VOLUME fails with ERROR_ACCESS_DENIED
  bool noMedia = false;     // GetVolumeInformationA fails (ERROR_NOT_READY)
  // File volume: free space offered to the caller. A volume with freeBytes unset is unformatted
  // (GetDiskFreeSpaceExA fails with ERROR_UNRECOGNIZED_VOLUME).
  std::optional<std::uint64_t> freeBytes;
  FileFault fileFault = FileFault::None;
  std::uint64_t fileFaultAfter = 0;  // total file bytes written on this volume before the fault
  std::uint32_t sectorBytes = 512;   // unbuffered file transfers are whole multiples of this
  bool readOnly = false;             // mounted read-only: opening a file to write gives
                                     // ERROR_WRITE_PROTECT
};

struct SimDriveSpec {
  std::uint64_t announcedBytes = 0;  // what READ CAPACITY and the disk length report
  std::uint64_t realBytes = 0;       // real memory; 0 = same as announced
  FakeKind kind = FakeKind::Good;
  LimboFill limboFill = LimboFill::Zeros;
  bool noRealMemory = false;             // holds nothing at all: realBytes is ignored
  // Wraparound and Chain: the size at which addresses wrap, which need not be a power of two;
  // 0 = the kind's own rule.
  std::uint64_t wrapBytes = 0;
  FollowFull followFull = FollowFull::Drop;  // Follow only
  bool readErrorsPastReal = false;       // reads past the real memory fail (ERROR_CRC)
  bool writeErrorsPastReal = false;      // writes past the real memory fail (ERROR_WRITE_FAULT)
  // A fully associative cache: the last N limbo writes stay readable.
  std::uint32_t writeCacheSectors = 0;
  // A write to a sector that cache already holds takes its old place in the order of arrival,
  // as a FIFO does: only writes of sectors it does not hold push the oldest out.
  bool writeCacheKeepsPlace = false;
  // A direct-mapped cache of limbo writes with this many slots (a power of two): a write
  // takes slot lba mod size. A strict slot answers a limbo read of its own sector only; a
  // loose one answers any limbo read that maps to it, with whatever sector it holds.
  std::uint32_t directCacheSectors = 0;
  bool looseDirectCache = false;
  // Read-ahead: a read that misses loads this many sectors from the one read onwards, and
  // reads inside them are served from that copy until another miss, writes or not.
  std::uint32_t readCacheSectors = 0;
  std::uint32_t writeDelayMs = 0;        // virtual time each write request costs
  std::uint32_t readDelayMs = 0;         // virtual time each read request costs
  std::uint32_t failedWriteDelayMs = 0;  // virtual time a failing write costs
  std::uint64_t writeBytesPerSecond = 0;  // 0 = writes cost no time beyond writeDelayMs
  std::uint64_t readBytesPerSecond = 0;   // 0 = reads cost no time
  // The first this many bytes written to the disk over its life go four times as fast as
  // writeBytesPerSecond (the SLC cache of a stick, simply modelled); the rest at that speed.
  std::uint64_t fastWriteBytes = 0;
  bool flushFails = false;  // FlushFileBuffers on the disk fails (ERROR_WRITE_FAULT)

  std::uint32_t blockLength = 512;  // READ CAPACITY block length (512 or 4,096)
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

// The partition table and file system a drive was given through the layout controls and
// FormatPartition, as the tests read them back.
struct SimPartitionTable {
  std::uint32_t style = 0;  // PARTITION_STYLE_MBR or PARTITION_STYLE_GPT
  std::uint32_t creates = 0;  // IOCTL_DISK_CREATE_DISK calls
  std::uint64_t startingOffset = 0;  // of the first partition with a length; 0 when none
  std::uint64_t length = 0;
  std::uint8_t mbrType = 0;
  std::array<std::uint8_t, 16> gptType{};
  std::string fileSystem;  // what FormatPartition was given; empty: none
  std::string label;
};

// Attributes of a file planted on a volume by a test.
struct SimFileAttributes {
  bool hidden = false;    // not listed by FindFiles, not deleted by DeleteFiles
  bool system = false;    // likewise
  bool readOnly = false;  // listed, but DeleteFiles cannot delete it
};

// Counters the benchmarks and tests read.
struct SimStats {
  std::uint64_t sectorWrites = 0;
  std::uint64_t sectorReads = 0;
  std::uint64_t deviceControls = 0;
  std::uint64_t fileBytesWritten = 0;  // through file handles
  std::uint64_t fileBytesRead = 0;
  std::uint64_t diskFlushes = 0;  // FlushFileBuffers on disk handles
  // Disk reads made while the drive held writes not yet flushed: what they read may have come
  // from a cache in front of the flash.
  std::uint64_t readsBeforeFlush = 0;
};

// The simulated machine. Paths: "\\.\PhysicalDriveN" (N plain decimal), "\\.\E:" (a volume or
// CD-ROM letter), and files "E:\NAME" (or "E:/NAME") in the root of a formatted volume.
// Handles are positive numbers from 100 in steps of 4, never reused.
//
// The core's drive list examines physical drives 1 .. (number of letters - 1), so a test that
// wants drive n listed must give the machine at least n + 1 letters (C: counts; add CD-ROM
// letters with AddCdRomLetter when the drives have too few volumes).
class SimOs final : public Os {
 public:
  SimOs();
  ~SimOs() override;
  SimOs(const SimOs&) = delete;
  SimOs& operator=(const SimOs&) = delete;

  // --- Building the machine ---------------------------------------------------------------
  // Adds physical drive `number` (0 is the system disk C:, added by the constructor with a
  // 256 GB SATA disk unless replaced). Its volumes get their letters, partition numbers 1, 2, ...
  // in the order given. Replacing a drive leaves handles to the old one on the old one.
  void AddDrive(int number, SimDriveSpec config);
  // A letter that is not a disk (DeviceType CD-ROM): GetDiskNumber gives 99 for it.
  void AddCdRomLetter(const std::string& letter);
  // Puts a file on a formatted volume as it is, outside the counterfeit model (leftovers,
  // hidden or read-only files). False when the letter has no formatted volume.
  bool AddVolumeFile(const std::string& letter, const std::string& name,
                     std::span<const std::uint8_t> content, SimFileAttributes attributes = {});
  // From now on every call on this drive, its open handles and its volumes fails
  // (ERROR_DEVICE_NOT_CONNECTED); its letters disappear from LogicalDrives.
  void RemoveDrive(int number);
  // Another process of the machine takes a named claim, or lets it go.
  void HoldMutexElsewhere(const std::string& name);
  void ReleaseMutexElsewhere(const std::string& name);
  // The claims this process holds now, in name order.
  std::vector<std::string> HeldMutexes() const;
  // Unplugs drive `number` and plugs in another of the same make, size and serial in its place:
  // blank memory and a new key. Handles to the old one stay on the old one. False when there
  // is no such drive.
  bool SwapDrive(int number);
  // Runs before every CreateFileA with the name asked for, so that a test can swap or unplug a
  // drive at exactly the open it wants. Null to stop.
  void BeforeOpen(std::function<void(const std::string& name)> hook);
  // File contents this recipe makes are kept on every file volume as its keys, not as bytes,
  // so that volumes filled with generated data cost no memory (drives added later too).
  void SetBlockRecipe(std::shared_ptr<const BlockRecipe> recipe);
  void SetSystemDisk(int number);
  // The computer's own disk takes this many more appends to the program's state files, then
  // refuses every one (full), as long as the test wants.
  void FailStateAppendsAfter(std::uint64_t appends);
  void SetNumberFormat(NumberFormat format);

  // --- Virtual clock ------------------------------------------------------------------------
  void SetNow(LocalTime t);        // sets the wall clock; ticks keep counting from there
  void Advance(std::uint32_t ms);  // lets virtual time pass

  // --- Inspection -------------------------------------------------------------------------
  // The 512 bytes a read of this sector would return now (as the device holds them).
  std::vector<std::uint8_t> PeekSector(int drive, std::uint64_t sector) const;
  int OpenHandleCount() const;    // handles not yet closed
  int LockedVolumeCount() const;  // volumes locked by a handle not yet unlocked
  bool Dismounted(const std::string& letter) const;
  const SimStats& Stats() const;
  // Size of a file on a volume (any attributes), or nothing when there is no such file.
  std::optional<std::uint64_t> VolumeFileSize(const std::string& letter,
                                              const std::string& name) const;
  // count bytes of a file from offset as a read would return them (shorter at the end).
  std::vector<std::uint8_t> PeekFile(const std::string& letter, const std::string& name,
                                     std::uint64_t offset, std::size_t count) const;
  // Names of all files of a volume, hidden ones included.
  std::vector<std::string> VolumeFileNames(const std::string& letter) const;
  // What the layout controls and the formatter made of a drive; nothing before the first.
  std::optional<SimPartitionTable> PartitionTable(int drive) const;
  // The formatter of this drive fails with these words (empty: it works).
  void FailFormat(int drive, std::string words);
  // Runs after every layout control that writes a table and every format that succeeds, so
  // that a program around the machine can show what PartitionTable holds now. Null to stop.
  void AfterLayoutChange(std::function<void()> hook);

  // --- Os ---------------------------------------------------------------------------------
  Handle CreateFileA(const std::string& name, std::uint32_t access, std::uint32_t share,
                     std::uint32_t disposition, std::uint32_t flags) override;
  bool CloseHandle(Handle h) override;
  Handle CreateMutexA(const std::string& name) override;
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
  // 8 sectors a cluster, clusters counted whole.
  bool GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                         std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                         std::uint32_t& totalClusters) override;
  bool GetVolumeInformationA(const std::string& root, std::span<char> label, std::uint32_t& serial,
                             std::uint32_t& maxComponentLength, std::uint32_t& fileSystemFlags,
                             std::span<char> fileSystemName) override;
  std::vector<std::string> LogicalDrives() override;
  int SystemDiskNumber() override;
  // "simulated USB drive 1, volume 1", "simulated CD-ROM drive"; empty for an unknown letter.
  std::string DescribeVolume(const std::string& designator) override;
  std::vector<std::string> FindFiles(const std::string& pattern) override;
  int DeleteFiles(const std::string& pattern) override;
  LocalTime Now() override;
  // "M/D/YYYY h:mm:ss AM" (the US general date), fixed so that transcripts are repeatable.
  std::string GeneralDate(LocalTime t) override;
  std::uint32_t GetTickCount() override;
  void Sleep(std::uint32_t milliseconds) override;
  NumberFormat UserNumberFormat() override;
  // Kept in memory: a new SimOs is a new computer.
  bool AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) override;
  std::optional<std::vector<std::uint8_t>> ReadStateFile(const std::string& name) override;
  std::vector<std::string> StateFiles() override;
  bool DeleteStateFile(const std::string& name) override;
  std::string StateFolder() override { return "C:\\ProgramData\\SizeWarden"; }
  // Writes the new file system's first sectors (and the ones it keeps at its end) through the
  // drive's own counterfeit behaviour, and records what it was given.
  std::string FormatPartition(int diskNumber, std::uint32_t partition, const std::string& fileSystem,
                              const std::string& label) override;
  // As Windows: a FAT32 up to 32 GB (kWindowsFat32Limit), none larger.
  bool FormatsFat32(std::uint64_t partitionBytes) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// The syntax of a simulated drive description, as the terminal front end's --help shows it.
inline constexpr std::string_view kSimDriveSyntax =
    "E:[option:]...  a simulated physical drive whose first volume is E: (D: to Z:);\n"
    "options, separated by colons, in any order:\n"
    "  SIZE               announced size (required): a number with K, M, G, T (decimal,\n"
    "                     32G = 32,000,000,000 bytes) or Ki, Mi, Gi, Ti (binary), e.g. 7.5G;\n"
    "                     rounded down to whole 512-byte sectors\n"
    "  usb|sata|nvme|sd|scsi|ata   bus (default usb)\n"
    "  real=SIZE          memory it really holds (default: the announced size)\n"
    "  good|wrap|limbo|chain       what happens past the real memory (default limbo when\n"
    "                     real= is smaller, else good)\n"
    "  real=0             no real memory at all\n"
    "  wrap=SIZE          wrap and chain: addresses wrap at SIZE (any size, default the real\n"
    "                     size; chain: twice the real size, limbo above)\n"
    "  fill=zeros|ones|stale       what limbo sectors read back as (default zeros; stale:\n"
    "                     the last block written into limbo)\n"
    "  readerr, writeerr  reads / writes past the real memory fail (both: I/O errors)\n"
    "  cache=N            the last N limbo writes stay readable (fully associative)\n"
    "  dcache=N           direct-mapped cache of N limbo sectors (a power of two): a slot\n"
    "                     answers for its own sector only ...\n"
    "  loose              ... or, with loose, for any sector that maps to it\n"
    "  readcache=N        a read loads N sectors ahead; sequential reads come from that copy\n"
    "  delay=MS           milliseconds each write request takes\n"
    "  speed=SIZE         bytes per second written (e.g. 10M); reads twice as fast\n"
    "  block=512|4096     the logical sector (4096: a 4Kn drive, raw transfers in whole ones)\n"
    "  label=TEXT         volume label\n"
    "  model=VENDOR/PRODUCT        INQUIRY identity (8 and 16 characters at most)\n"
    "  free=SIZE          free space for files (default about 95% of the announced size;\n"
    "                     files past 95% of the real memory are lost, overwrite earlier\n"
    "                     ones (wrap, chain) or fail to write (writeerr))\n"
    "  fixed              fixed media instead of removable\n"
    "  vol=F:             another volume of the same drive\n"
    "example: E:usb:32G:real=8G:limbo:label=BARGAIN, E:usb:32G:real=8G:limbo:cache=1000";

// Parses a drive description of the command line, e.g. "E:usb:32G:real=8G:limbo" (syntax
// above). Returns the physical drive config, or an error text; never throws.
struct ParsedSimDrive {
  SimDriveSpec config;
  std::string error;  // empty on success
};
ParsedSimDrive ParseSimDrive(const std::string& text);

// The built-in demo machine: drive 1 = E: a 32 GB limbo fake holding 8 GB, drive 2 = F: a
// genuine 16 GB stick with 1 GB free, and the CD-ROM letter D: so that the drive list, which
// examines drives 1 .. (letters - 1), reaches both.
void AddDemoDrives(SimOs& os);

}  // namespace sw::platform::sim
