// The simulated machine as a whole: building it, inspecting it, volume queries, files by
// pattern, the clock and the locale.
#include "platform/sim/SimOs.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/sim/SimMachine.h"
#include "platform/sim/SimTexts.h"

namespace sw::platform::sim {
namespace {

// The volume's serial number: stable, and different for every drive and partition.
constexpr std::uint32_t kSerialBase = 0x5A1D0000u;
constexpr std::uint32_t kMaxComponentLength = 255;
constexpr std::uint32_t kFatFlags = 0x00000006u;  // case-preserved names, Unicode on disk
constexpr std::uint64_t kLargestFat32 = 32'000'000'000ull;

SimDriveSpec SystemDisk() {
  SimDriveSpec config;
  config.announcedBytes = 256'060'514'304ull;
  config.busType = win::BusTypeSata;
  config.vendor = "SIMTEK";
  config.product = "System SSD 256G";
  config.serial = "SIM0000000";
  config.removable = false;
  SimVolumeSpec c;
  c.letter = "C:";
  c.label = "SYSTEM";
  c.freeBytes = 100'000'000'000ull;
  config.volumes.push_back(c);
  return config;
}

std::string_view BusName(std::uint8_t bus) {
  switch (bus) {
    case win::BusTypeUsb:
      return "USB";
    case win::BusTypeSata:
      return "SATA";
    case win::BusTypeNvme:
      return "NVMe";
    case win::BusTypeSd:
      return "SD";
    case win::BusTypeScsi:
      return "SCSI";
    case win::BusTypeAta:
      return "ATA";
    default:
      return "";
  }
}

// The name part of "E:\NAME" or "E:/NAME" patterns and paths; empty when there is none.
std::string NamePart(const std::string& path) {
  if (path.size() < 4 || (path[2] != '\\' && path[2] != '/')) return {};
  return path.substr(3);
}

}  // namespace

char LetterOf(const std::string& text) {
  if (text.size() < 2 || text[1] != ':' || !std::isalpha(static_cast<unsigned char>(text[0]))) {
    return 0;
  }
  return static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
}

SimDrive::SimDrive(int driveNumber, SimDriveSpec driveSpec)
    : number(driveNumber), config(std::move(driveSpec)), sectors(config) {
  std::uint32_t partition = 1;
  for (const SimVolumeSpec& volumeSpec : config.volumes) {
    SimVolume volume;
    volume.config = volumeSpec;
    volume.letter = LetterOf(volumeSpec.letter);
    volume.partition = partition++;
    if (volumeSpec.freeBytes) {
      volume.files = std::make_unique<FileVolume>(*volumeSpec.freeBytes, volumeSpec.fileFault,
                                                  volumeSpec.fileFaultAfter);
    }
    volumes.push_back(std::move(volume));
  }
}

SimHandle* SimOs::Impl::Usable(Handle h) {
  const auto found = handles.find(h);
  if (found == handles.end()) {
    Fail(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (found->second.kind == HandleKind::Mutex) {  // good for closing only
    Fail(win::ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (found->second.drive && found->second.drive->removed) {
    Fail(win::ERROR_DEVICE_NOT_CONNECTED);
    return nullptr;
  }
  return &found->second;
}

std::optional<VolumeRef> SimOs::Impl::FindVolume(char letter) const {
  std::optional<VolumeRef> removedMatch;
  if (letter == 0) return removedMatch;
  for (const auto& [number, drive] : drives) {
    for (std::size_t i = 0; i < drive->volumes.size(); ++i) {
      if (drive->volumes[i].letter != letter) continue;
      if (!drive->removed) return VolumeRef{drive, i};
      if (!removedMatch) removedMatch = VolumeRef{drive, i};
    }
  }
  return removedMatch;
}

bool SimOs::Impl::IsCdRom(char letter) const {
  return std::find(cdRoms.begin(), cdRoms.end(), letter) != cdRoms.end();
}

void SimOs::Impl::ChargeTransfer(SimDrive& drive, std::uint64_t bytesPerSecond,
                                  std::uint64_t bytes) {
  if (bytesPerSecond == 0) return;
  constexpr std::uint64_t kNanosecondsPerMs = 1'000'000;
  drive.pendingNanoseconds += bytes * 1'000'000'000ull / bytesPerSecond;
  clock.Advance(drive.pendingNanoseconds / kNanosecondsPerMs);
  drive.pendingNanoseconds %= kNanosecondsPerMs;
}

SimOs::SimOs() : impl_(std::make_unique<Impl>()) { AddDrive(0, SystemDisk()); }

SimOs::~SimOs() = default;

void SimOs::AddDrive(int number, SimDriveSpec config) {
  auto drive = std::make_shared<SimDrive>(number, std::move(config));
  drive->key = impl_->nextKey++;
  for (SimVolume& volume : drive->volumes) {
    if (volume.files) volume.files->SetRecipe(impl_->recipe);
  }
  impl_->drives[number] = std::move(drive);
}

void SimOs::SetBlockRecipe(std::shared_ptr<const BlockRecipe> recipe) {
  impl_->recipe = std::move(recipe);
  for (auto& [number, drive] : impl_->drives) {
    for (SimVolume& volume : drive->volumes) {
      if (volume.files) volume.files->SetRecipe(impl_->recipe);
    }
  }
}

bool SimOs::SwapDrive(int number) {
  const auto found = impl_->drives.find(number);
  if (found == impl_->drives.end()) return false;
  SimDriveSpec twin = found->second->config;
  found->second->removed = true;
  AddDrive(number, std::move(twin));
  return true;
}

void SimOs::BeforeOpen(std::function<void(const std::string& name)> hook) {
  impl_->beforeOpen = std::move(hook);
}

void SimOs::AfterLayoutChange(std::function<void()> hook) { impl_->afterLayoutChange = std::move(hook); }

void SimOs::AddCdRomLetter(const std::string& letter) {
  const char l = LetterOf(letter);
  if (l != 0 && !impl_->IsCdRom(l)) impl_->cdRoms.push_back(l);
}

bool SimOs::AddVolumeFile(const std::string& letter, const std::string& name,
                          std::span<const std::uint8_t> content, SimFileAttributes attributes) {
  const auto volume = impl_->FindVolume(LetterOf(letter));
  if (!volume || !volume->Volume().files) return false;
  FileVolume& files = *volume->Volume().files;
  files.Plant(files.Create(name, attributes), content);
  return true;
}

void SimOs::RemoveDrive(int number) {
  const auto found = impl_->drives.find(number);
  if (found != impl_->drives.end()) found->second->removed = true;
}

void SimOs::SetSystemDisk(int number) { impl_->systemDisk = number; }
void SimOs::SetNumberFormat(NumberFormat format) { impl_->numberFormat = std::move(format); }
void SimOs::SetNow(LocalTime t) { impl_->clock.SetNow(t); }
void SimOs::Advance(std::uint32_t ms) { impl_->clock.Advance(ms); }

std::vector<std::uint8_t> SimOs::PeekSector(int drive, std::uint64_t sector) const {
  const auto found = impl_->drives.find(drive);
  if (found == impl_->drives.end()) return std::vector<std::uint8_t>(kSectorSize, 0);
  const Sector content = found->second->sectors.Peek(sector);
  return {content.begin(), content.end()};
}

int SimOs::OpenHandleCount() const { return static_cast<int>(impl_->handles.size()); }

int SimOs::LockedVolumeCount() const {
  int count = 0;
  for (const auto& [h, handle] : impl_->handles) {
    if (handle.kind == HandleKind::Volume && handle.Volume().lockedBy == h) ++count;
  }
  return count;
}

bool SimOs::Dismounted(const std::string& letter) const {
  const auto volume = impl_->FindVolume(LetterOf(letter));
  return volume && volume->Volume().dismounted;
}

const SimStats& SimOs::Stats() const { return impl_->stats; }

std::optional<std::uint64_t> SimOs::VolumeFileSize(const std::string& letter,
                                                   const std::string& name) const {
  const auto volume = impl_->FindVolume(LetterOf(letter));
  if (!volume || !volume->Volume().files) return std::nullopt;
  const SimFile* file = volume->Volume().files->Find(name);
  if (!file) return std::nullopt;
  return file->data.Size();
}

std::vector<std::uint8_t> SimOs::PeekFile(const std::string& letter, const std::string& name,
                                          std::uint64_t offset, std::size_t count) const {
  const auto volume = impl_->FindVolume(LetterOf(letter));
  if (!volume || !volume->Volume().files) return {};
  const SimFile* file = volume->Volume().files->Find(name);
  if (!file || offset >= file->data.Size()) return {};
  std::vector<std::uint8_t> bytes(
      static_cast<std::size_t>(std::min<std::uint64_t>(count, file->data.Size() - offset)));
  file->data.Read(offset, bytes.data(), bytes.size());
  return bytes;
}

std::vector<std::string> SimOs::VolumeFileNames(const std::string& letter) const {
  std::vector<std::string> names;
  const auto volume = impl_->FindVolume(LetterOf(letter));
  if (!volume || !volume->Volume().files) return names;
  for (const SimFile* file : volume->Volume().files->Match("*")) names.push_back(file->name);
  return names;
}

std::uint32_t SimOs::GetLastError() { return impl_->lastError; }

bool SimOs::GetDiskFreeSpaceExA(const std::string& directory, std::uint64_t& freeToCaller,
                                std::uint64_t& totalBytes, std::uint64_t& totalFree) {
  const char letter = LetterOf(directory);
  if (letter != 0 && impl_->IsCdRom(letter)) return impl_->Fail(win::ERROR_NOT_READY);
  const auto volume = impl_->FindVolume(letter);
  if (!volume) return impl_->Fail(win::ERROR_PATH_NOT_FOUND);
  if (volume->drive->removed) return impl_->Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  const SimVolume& v = volume->Volume();
  if (v.config.noMedia) return impl_->Fail(win::ERROR_NOT_READY);
  if (!v.files) return impl_->Fail(win::ERROR_UNRECOGNIZED_VOLUME);
  freeToCaller = v.files->FreeBytes();
  totalFree = freeToCaller;
  totalBytes = v.files->Capacity();
  return true;
}

bool SimOs::GetDiskFreeSpaceA(const std::string& root, std::uint32_t& sectorsPerCluster,
                              std::uint32_t& bytesPerSector, std::uint32_t& freeClusters,
                              std::uint32_t& totalClusters) {
  sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
  std::uint64_t free = 0, total = 0, totalFree = 0;
  if (!GetDiskFreeSpaceExA(root, free, total, totalFree)) return false;
  const SimVolume& v = impl_->FindVolume(LetterOf(root))->Volume();
  constexpr std::uint32_t kSectorsPerCluster = 8;
  const std::uint64_t cluster = std::uint64_t{v.config.sectorBytes} * kSectorsPerCluster;
  sectorsPerCluster = kSectorsPerCluster;
  bytesPerSector = v.config.sectorBytes;
  freeClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(free / cluster, 0xFFFFFFFFu));
  totalClusters = static_cast<std::uint32_t>(std::min<std::uint64_t>(total / cluster, 0xFFFFFFFFu));
  return true;
}

bool SimOs::GetVolumeInformationA(const std::string& root, std::span<char> label,
                                  std::uint32_t& serial, std::uint32_t& maxComponentLength,
                                  std::uint32_t& fileSystemFlags, std::span<char> fileSystemName) {
  const char letter = LetterOf(root);
  const bool rootForm =
      root.size() == 2 || (root.size() == 3 && (root[2] == '\\' || root[2] == '/'));
  if (letter == 0 || !rootForm) return impl_->Fail(win::ERROR_PATH_NOT_FOUND);
  if (impl_->IsCdRom(letter)) return impl_->Fail(win::ERROR_NOT_READY);
  const auto volume = impl_->FindVolume(letter);
  if (!volume) return impl_->Fail(win::ERROR_PATH_NOT_FOUND);
  if (volume->drive->removed) return impl_->Fail(win::ERROR_DEVICE_NOT_CONNECTED);
  const SimVolume& v = volume->Volume();
  if (v.config.noMedia) return impl_->Fail(win::ERROR_NOT_READY);
  const std::string_view fs =
      volume->drive->config.announcedBytes <= kLargestFat32 ? text::kFat32 : text::kExFat;
  if ((!label.empty() && label.size() < v.config.label.size() + 1) ||
      (!fileSystemName.empty() && fileSystemName.size() < fs.size() + 1)) {
    return impl_->Fail(win::ERROR_BAD_LENGTH);
  }
  if (!label.empty()) {
    std::memcpy(label.data(), v.config.label.c_str(), v.config.label.size() + 1);
  }
  if (!fileSystemName.empty()) {
    std::memcpy(fileSystemName.data(), fs.data(), fs.size());
    fileSystemName[fs.size()] = '\0';
  }
  serial =
      kSerialBase | (static_cast<std::uint32_t>(volume->drive->number & 0xFF) << 8) | v.partition;
  maxComponentLength = kMaxComponentLength;
  fileSystemFlags = kFatFlags;
  return true;
}

std::vector<std::string> SimOs::LogicalDrives() {
  std::vector<char> letters(impl_->cdRoms);
  for (const auto& [number, drive] : impl_->drives) {
    if (drive->removed) continue;
    for (const SimVolume& volume : drive->volumes) {
      if (volume.letter != 0) letters.push_back(volume.letter);
    }
  }
  std::sort(letters.begin(), letters.end());
  letters.erase(std::unique(letters.begin(), letters.end()), letters.end());
  std::vector<std::string> designators;
  for (const char letter : letters) designators.push_back(std::string{letter, ':'});
  return designators;
}

int SimOs::SystemDiskNumber() { return impl_->systemDisk; }

std::string SimOs::DescribeVolume(const std::string& designator) {
  const char letter = LetterOf(designator);
  if (letter != 0 && impl_->IsCdRom(letter)) return std::string(text::kCdRom);
  const auto volume = impl_->FindVolume(letter);
  if (!volume || volume->drive->removed) return {};
  std::string description(text::kSimulated);
  description += BusName(volume->drive->config.busType);
  if (!BusName(volume->drive->config.busType).empty()) description += ' ';
  description += text::kDrive;
  description += std::to_string(volume->drive->number);
  description += text::kVolume;
  description += std::to_string(volume->Volume().partition);
  return description;
}

std::vector<std::string> SimOs::FindFiles(const std::string& pattern) {
  std::vector<std::string> names;
  const auto volume = impl_->FindVolume(LetterOf(pattern));
  const std::string namePattern = NamePart(pattern);
  if (!volume || volume->drive->removed || !volume->Volume().files || namePattern.empty()) {
    return names;
  }
  for (const SimFile* file : volume->Volume().files->Match(namePattern)) {
    if (file->Ordinary()) names.push_back(file->name);
  }
  return names;
}

int SimOs::DeleteFiles(const std::string& pattern) {
  const auto volume = impl_->FindVolume(LetterOf(pattern));
  const std::string namePattern = NamePart(pattern);
  if (!volume || volume->drive->removed || !volume->Volume().files || namePattern.empty()) {
    return 0;
  }
  FileVolume& files = *volume->Volume().files;
  std::vector<std::string> deletable;
  for (const SimFile* file : files.Match(namePattern)) {
    // Windows refuses to delete read-only files and files still open.
    if (file->Ordinary() && !file->attributes.readOnly && file->openCount == 0) {
      deletable.push_back(file->name);
    }
  }
  for (const std::string& name : deletable) files.Erase(name);
  return static_cast<int>(deletable.size());
}

LocalTime SimOs::Now() { return impl_->clock.Now(); }
std::string SimOs::GeneralDate(LocalTime t) { return FormatGeneralDate(t); }
std::uint32_t SimOs::GetTickCount() { return impl_->clock.TickCount(); }
void SimOs::Sleep(std::uint32_t milliseconds) { impl_->clock.Advance(milliseconds); }
NumberFormat SimOs::UserNumberFormat() { return impl_->numberFormat; }

}  // namespace sw::platform::sim
