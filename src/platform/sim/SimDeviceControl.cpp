// The device controls of the simulated machine, answered with the bytes a Windows driver
// returns: SCSI pass-through (READ CAPACITY(10), INQUIRY), storage descriptor, disk length,
// device number, and volume lock, unlock and dismount.
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/ByteOrder.h"
#include "platform/sim/SimMachine.h"

namespace sw::platform::sim {
namespace {

// SCSI_PASS_THROUGH fields (32-bit layout) that the answer reads or writes.
constexpr std::size_t kSptScsiStatus = win::spt::ScsiStatus;
constexpr std::size_t kSptDataTransferLength = win::spt::DataTransferLength;
constexpr std::size_t kSptDataBufferOffset = win::spt::DataBufferOffset;

// Standard INQUIRY data.
constexpr std::size_t kInquiryVendor = 8, kInquiryVendorLength = 8;
constexpr std::size_t kInquiryProduct = 16, kInquiryProductLength = 16;
constexpr std::size_t kInquiryRevision = 32, kInquiryRevisionLength = 4;
constexpr std::size_t kInquirySerial = 36, kInquirySerialLength = 8;
constexpr std::uint8_t kInquiryVersionSpc = 2;
constexpr std::uint8_t kInquiryResponseFormat = 2;

// STORAGE_DEVICE_DESCRIPTOR: fixed part (sizeof is 40), then the id strings.
constexpr std::uint32_t kDescriptorFixedSize = 40;

void PutPadded(std::vector<std::uint8_t>& data, std::size_t at, std::size_t width,
               const std::string& text) {
  for (std::size_t i = 0; i < width; ++i) {
    data[at + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : ' ';
  }
}

std::vector<std::uint8_t> InquiryData(const SimDriveSpec& config) {
  std::vector<std::uint8_t> data(std::max<std::size_t>(config.inquiryLength, 44), 0);
  data[0] = 0;  // direct-access block device
  data[1] = config.removable ? 0x80 : 0x00;
  data[2] = kInquiryVersionSpc;
  data[3] = kInquiryResponseFormat;
  data[4] = static_cast<std::uint8_t>(std::clamp<std::uint32_t>(config.inquiryLength, 5, 260) - 5);
  PutPadded(data, kInquiryVendor, kInquiryVendorLength, config.vendor);
  PutPadded(data, kInquiryProduct, kInquiryProductLength, config.product);
  PutPadded(data, kInquiryRevision, kInquiryRevisionLength, config.revision);
  PutPadded(data, kInquirySerial, kInquirySerialLength, config.serial);
  data.resize(config.inquiryLength);
  return data;
}

std::vector<std::uint8_t> ReadCapacityData(const SimDriveSpec& config) {
  std::vector<std::uint8_t> data(8, 0);
  const std::uint64_t blocks = config.blockLength == 0 ? 0 : config.announcedBytes / config.blockLength;
  const std::uint64_t lastLba = blocks == 0 ? 0 : std::min<std::uint64_t>(blocks - 1, 0xFFFFFFFFu);
  PutBe32(data, 0, static_cast<std::uint32_t>(lastLba));
  PutBe32(data, 4, config.blockLength);
  return data;
}

std::vector<std::uint8_t> DeviceDescriptor(const SimDriveSpec& config) {
  std::vector<std::uint8_t> d(kDescriptorFixedSize, 0);
  const auto addString = [&d](const std::string& text) {
    const auto offset = static_cast<std::uint32_t>(d.size());
    d.insert(d.end(), text.begin(), text.end());
    d.push_back(0);
    return offset;
  };
  const std::uint32_t vendor = addString(config.vendor);
  const std::uint32_t product = addString(config.product);
  const std::uint32_t revision = addString(config.revision);
  const std::uint32_t serial = addString(config.serial);
  PutLe32(d, 0, kDescriptorFixedSize);
  PutLe32(d, 4, static_cast<std::uint32_t>(d.size()));
  d[8] = 0;  // direct-access device
  d[9] = 0;
  d[10] = config.removable ? 1 : 0;
  d[11] = 0;
  PutLe32(d, 12, vendor);
  PutLe32(d, 16, product);
  PutLe32(d, 20, revision);
  PutLe32(d, 24, serial);
  PutLe32(d, win::kStorageDeviceDescriptorBusTypeOffset, config.busType);
  PutLe32(d, 32, 0);
  return d;
}

}  // namespace

bool SimOs::DeviceIoControl(Handle h, std::uint32_t code, std::span<const std::uint8_t> in,
                            std::span<std::uint8_t> out, std::uint32_t& bytesReturned) {
  Impl& m = *impl_;
  bytesReturned = 0;
  ++m.stats.deviceControls;
  SimHandle* handle = m.Usable(h);
  if (!handle) return false;
  const bool disk = handle->kind == HandleKind::Disk;
  const bool volume = handle->kind == HandleKind::Volume;
  const auto answer = [&](const std::vector<std::uint8_t>& data, bool partialOk) {
    if (out.size() < data.size() && !partialOk) return m.Fail(win::ERROR_INSUFFICIENT_BUFFER);
    if (out.empty()) return m.Fail(win::ERROR_INSUFFICIENT_BUFFER);
    const std::size_t n = std::min(out.size(), data.size());
    std::memcpy(out.data(), data.data(), n);
    bytesReturned = static_cast<std::uint32_t>(n);
    return true;
  };

  switch (code) {
    case win::IOCTL_SCSI_PASS_THROUGH: {
      if (!disk) return m.Fail(win::ERROR_INVALID_FUNCTION);
      if (in.size() < win::kSptHeaderSize || out.size() < win::kSptHeaderSize) {
        return m.Fail(win::ERROR_INVALID_PARAMETER);
      }
      const SimDriveSpec& config = handle->drive->config;
      const std::uint8_t opcode = in[win::kSptCdbOffset];
      const std::uint32_t transfer = le32(in, kSptDataTransferLength);
      const std::uint32_t dataOffset = le32(in, kSptDataBufferOffset);
      if (dataOffset < win::kSptHeaderSize || dataOffset > out.size()) {
        return m.Fail(win::ERROR_INVALID_PARAMETER);
      }
      std::vector<std::uint8_t> data;
      if (opcode == win::kScsiReadCapacity10) {
        if (config.readCapacityFails) return m.Fail(win::ERROR_IO_DEVICE);
        data = ReadCapacityData(config);
      } else if (opcode == win::kScsiInquiry) {
        if (config.inquiryFails) return m.Fail(win::ERROR_IO_DEVICE);
        data = InquiryData(config);
      } else {
        return m.Fail(win::ERROR_INVALID_FUNCTION);
      }
      // The driver hands the header back with the status and the length really moved; it
      // writes only the bytes the command returned, so the rest of the data area keeps what
      // the caller left there.
      const std::size_t n = std::min<std::size_t>({data.size(), transfer, out.size() - dataOffset});
      if (in.data() != out.data()) std::memmove(out.data(), in.data(), win::kSptHeaderSize);
      out[kSptScsiStatus] = 0;
      PutLe32(out, kSptDataTransferLength, static_cast<std::uint32_t>(n));
      std::memcpy(out.data() + dataOffset, data.data(), n);
      bytesReturned = dataOffset + static_cast<std::uint32_t>(n);
      return true;
    }
    case win::IOCTL_STORAGE_QUERY_PROPERTY: {
      if (!disk && !volume) return m.Fail(win::ERROR_INVALID_FUNCTION);
      if (in.size() < win::kStoragePropertyQuerySize) return m.Fail(win::ERROR_INVALID_PARAMETER);
      if (le32(in, 0) != 0 || le32(in, 4) != 0) return m.Fail(win::ERROR_NOT_SUPPORTED);
      return answer(DeviceDescriptor(handle->drive->config), true);
    }
    case win::IOCTL_DISK_GET_LENGTH_INFO: {
      if (!disk) return m.Fail(win::ERROR_INVALID_FUNCTION);
      if (handle->drive->config.diskLengthFails) return m.Fail(win::ERROR_IO_DEVICE);
      std::vector<std::uint8_t> length(win::kGetLengthInformationSize, 0);
      const std::uint64_t bytes = handle->drive->config.announcedBytes;
      PutLe32(length, 0, static_cast<std::uint32_t>(bytes));
      PutLe32(length, 4, static_cast<std::uint32_t>(bytes >> 32));
      return answer(length, false);
    }
    case win::IOCTL_DISK_GET_DRIVE_GEOMETRY: {
      if (!disk) return m.Fail(win::ERROR_INVALID_FUNCTION);
      const SimDriveSpec& config = handle->drive->config;
      const std::uint32_t sector = std::max<std::uint32_t>(config.blockLength, kSectorSize);
      std::vector<std::uint8_t> geometry(win::kDiskGeometrySize, 0);
      const std::uint64_t cylinders = config.announcedBytes / (std::uint64_t{255} * 63 * sector);
      PutLe32(geometry, 0, static_cast<std::uint32_t>(cylinders));
      PutLe32(geometry, 4, static_cast<std::uint32_t>(cylinders >> 32));
      PutLe32(geometry, 12, 255);
      PutLe32(geometry, 16, 63);
      PutLe32(geometry, win::kDiskGeometryBytesPerSector, sector);
      return answer(geometry, false);
    }
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER: {
      if (handle->kind == HandleKind::File) return m.Fail(win::ERROR_INVALID_FUNCTION);
      std::vector<std::uint8_t> number(win::kStorageDeviceNumberSize, 0);
      if (handle->kind == HandleKind::CdRom) {
        PutLe32(number, 0, win::FILE_DEVICE_CD_ROM);
        PutLe32(number, 8, 0xFFFFFFFFu);  // no partitions on a CD
      } else {
        PutLe32(number, 0, win::FILE_DEVICE_DISK);
        PutLe32(number, 4, static_cast<std::uint32_t>(handle->drive->number));
        PutLe32(number, 8, volume ? handle->Volume().partition : 0);
      }
      return answer(number, false);
    }
    case win::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX: {
      if (!disk && !volume) return m.Fail(win::ERROR_INVALID_FUNCTION);
      // A volume answers with its disk's key, as every partition of one disk does on Windows.
      std::vector<std::uint8_t> number(win::kStorageDeviceNumberExSize, 0);
      PutLe32(number, win::sdnx::Version, win::kStorageDeviceNumberExSize);
      PutLe32(number, win::sdnx::Size, win::kStorageDeviceNumberExSize);
      PutLe32(number, win::sdnx::DeviceType, win::FILE_DEVICE_DISK);
      PutLe32(number, win::sdnx::DeviceNumber, static_cast<std::uint32_t>(handle->drive->number));
      const std::uint64_t key = handle->drive->key;
      PutLe32(number, win::sdnx::DeviceGuid, static_cast<std::uint32_t>(key));
      PutLe32(number, win::sdnx::DeviceGuid + 4, static_cast<std::uint32_t>(key >> 32));
      PutLe32(number, win::sdnx::PartitionNumber, volume ? handle->Volume().partition : 0);
      return answer(number, false);
    }
    case win::FSCTL_LOCK_VOLUME: {
      if (!volume) return m.Fail(win::ERROR_INVALID_FUNCTION);
      SimVolume& v = handle->Volume();
      if (v.config.refuseLock || (v.lockedBy != 0 && v.lockedBy != h)) {
        return m.Fail(win::ERROR_ACCESS_DENIED);
      }
      v.lockedBy = h;
      return true;
    }
    case win::FSCTL_UNLOCK_VOLUME: {
      if (!volume) return m.Fail(win::ERROR_INVALID_FUNCTION);
      SimVolume& v = handle->Volume();
      if (v.lockedBy != h) return m.Fail(win::ERROR_NOT_LOCKED);
      v.lockedBy = 0;
      return true;
    }
    case win::IOCTL_DISK_CREATE_DISK:
    case win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX:
    case win::IOCTL_DISK_GET_DRIVE_LAYOUT_EX:
    case win::IOCTL_DISK_UPDATE_PROPERTIES:
      if (!disk) return m.Fail(win::ERROR_INVALID_FUNCTION);
      {
        std::uint32_t error = 0;
        if (!LayoutControl(*handle->drive, code, in, out, bytesReturned, error)) return m.Fail(error);
        const bool changed = code == win::IOCTL_DISK_CREATE_DISK || code == win::IOCTL_DISK_SET_DRIVE_LAYOUT_EX;
        if (changed && m.afterLayoutChange) m.afterLayoutChange();
        return true;
      }
    case win::FSCTL_DISMOUNT_VOLUME: {
      if (!volume) return m.Fail(win::ERROR_INVALID_FUNCTION);
      handle->Volume().dismounted = true;
      return true;
    }
    default:
      return m.Fail(win::ERROR_INVALID_FUNCTION);
  }
}

}  // namespace sw::platform::sim
