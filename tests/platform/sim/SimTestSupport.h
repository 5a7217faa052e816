// Small helpers for the simulated machine's tests: opening drives, sector transfers and the
// pass-through block as the core builds it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"

namespace sw::platform::sim::testing {

inline constexpr std::uint32_t kReadWrite = win::GENERIC_READ | win::GENERIC_WRITE;
inline constexpr std::uint32_t kShareBoth = win::FILE_SHARE_READ | win::FILE_SHARE_WRITE;
inline constexpr std::uint32_t kCoreSptLength = 585;  // what the core offers, not 588

inline Handle Open(SimOs& os, const std::string& path, std::uint32_t access = kReadWrite) {
  return os.CreateFileA(path, access, kShareBoth, win::OPEN_EXISTING, 0);
}

inline std::string DiskPath(int n) { return "\\\\.\\PhysicalDrive" + std::to_string(n); }
inline std::string VolumePath(const std::string& letter) { return "\\\\.\\" + letter; }

// A sector whose bytes name its address, so a read-back tells where the data came from.
inline std::vector<std::uint8_t> Tagged(std::uint64_t lba) {
  std::vector<std::uint8_t> sector(512, static_cast<std::uint8_t>(lba * 7 + 3));
  for (int i = 0; i < 8; ++i) sector[i] = static_cast<std::uint8_t>(lba >> (8 * i));
  return sector;
}

inline bool WriteAt(SimOs& os, Handle h, std::uint64_t lba, const std::vector<std::uint8_t>& data) {
  std::uint32_t written = 0;
  return os.SetFilePointerEx(h, static_cast<std::int64_t>(lba * 512), nullptr, win::FILE_BEGIN) &&
         os.WriteFile(h, data, written);
}

inline bool ReadAt(SimOs& os, Handle h, std::uint64_t lba, std::vector<std::uint8_t>& data) {
  std::uint32_t read = 0;
  return os.SetFilePointerEx(h, static_cast<std::int64_t>(lba * 512), nullptr, win::FILE_BEGIN) &&
         os.ReadFile(h, data, read);
}

// The 588-byte block of the core: header, sense area, data area; the data area pre-filled.
inline std::vector<std::uint8_t> PassThroughBlock(std::uint8_t opcode, std::uint8_t dataFill = 0) {
  std::vector<std::uint8_t> block(win::kSptBlockSize, 0);
  block[0] = 44;
  block[4] = 1;
  block[6] = 6;
  block[7] = 24;
  block[8] = win::SCSI_IOCTL_DATA_IN;
  block[12] = 192;
  block[16] = 2;
  block[20] = win::kSptDataOffset;
  block[24] = win::kSptSenseOffset;
  block[28] = opcode;
  block[29] = 0x08;
  block[32] = 0xC0;
  std::fill(block.begin() + win::kSptDataOffset, block.end(), dataFill);
  return block;
}

// Sends the block in place, as the core does, offering 585 bytes.
inline bool SendPassThrough(SimOs& os, Handle h, std::vector<std::uint8_t>& block,
                            std::uint32_t& returned) {
  return os.DeviceIoControl(h, win::IOCTL_SCSI_PASS_THROUGH,
                            std::span<const std::uint8_t>(block.data(), kCoreSptLength),
                            std::span<std::uint8_t>(block.data(), kCoreSptLength), returned);
}

// A removable USB stick with one volume, announcing `announced` bytes.
inline SimDriveSpec Stick(std::uint64_t announced, const std::string& letter = "E:") {
  SimDriveSpec config;
  config.announcedBytes = announced;
  SimVolumeSpec volume;
  volume.letter = letter;
  config.volumes.push_back(volume);
  return config;
}

}  // namespace sw::platform::sim::testing
