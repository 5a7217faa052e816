// Win32 constant values the core and every provider share: access and share flags, control
// codes, structure sizes, error codes, message-box styles. Defined once here so the core never
// includes <windows.h>; the win32 provider checks each against the SDK with static_assert.
#pragma once

#include <cstdint>

namespace sw::win {

// CreateFileA
inline constexpr std::uint32_t GENERIC_READ = 0x80000000u;
inline constexpr std::uint32_t GENERIC_WRITE = 0x40000000u;
inline constexpr std::uint32_t FILE_SHARE_READ = 0x1u;
inline constexpr std::uint32_t FILE_SHARE_WRITE = 0x2u;
inline constexpr std::uint32_t CREATE_ALWAYS = 2u;
inline constexpr std::uint32_t OPEN_EXISTING = 3u;
inline constexpr std::uint32_t FILE_ATTRIBUTE_NORMAL = 0x80u;
inline constexpr std::uint32_t FILE_FLAG_NO_BUFFERING = 0x20000000u;
inline constexpr std::uint32_t FILE_FLAG_WRITE_THROUGH = 0x80000000u;

// SetFilePointerEx
inline constexpr std::uint32_t FILE_BEGIN = 0u;
inline constexpr std::uint32_t FILE_CURRENT = 1u;
inline constexpr std::uint32_t FILE_END = 2u;

// Device controls
inline constexpr std::uint32_t IOCTL_SCSI_PASS_THROUGH = 0x0004D004u;
inline constexpr std::uint32_t IOCTL_STORAGE_QUERY_PROPERTY = 0x002D1400u;
inline constexpr std::uint32_t IOCTL_DISK_GET_LENGTH_INFO = 0x0007405Cu;
inline constexpr std::uint32_t IOCTL_DISK_GET_DRIVE_GEOMETRY = 0x00070000u;
inline constexpr std::uint32_t IOCTL_STORAGE_GET_DEVICE_NUMBER = 0x002D1080u;
inline constexpr std::uint32_t IOCTL_STORAGE_GET_DEVICE_NUMBER_EX = 0x002D1084u;
inline constexpr std::uint32_t FSCTL_LOCK_VOLUME = 0x00090018u;
inline constexpr std::uint32_t FSCTL_UNLOCK_VOLUME = 0x0009001Cu;
inline constexpr std::uint32_t FSCTL_DISMOUNT_VOLUME = 0x00090020u;

// Layout of the SCSI pass-through block as the core builds it: the 32-bit SCSI_PASS_THROUGH
// header (44 bytes), a 32-byte sense area and a 512-byte data area.
inline constexpr std::uint32_t kSptHeaderSize = 44;
inline constexpr std::uint32_t kSptSenseOffset = 44;
inline constexpr std::uint32_t kSptDataOffset = 76;
inline constexpr std::uint32_t kSptBlockSize = 588;
inline constexpr std::uint32_t kSptCdbOffset = 28;
// Field offsets of the 32-bit SCSI_PASS_THROUGH header, shared by the core that builds the
// block and every provider that carries it.
namespace spt {
inline constexpr std::uint32_t Length = 0;
inline constexpr std::uint32_t ScsiStatus = 2;
inline constexpr std::uint32_t PathId = 3;
inline constexpr std::uint32_t TargetId = 4;
inline constexpr std::uint32_t Lun = 5;
inline constexpr std::uint32_t CdbLength = 6;
inline constexpr std::uint32_t SenseInfoLength = 7;
inline constexpr std::uint32_t DataIn = 8;
inline constexpr std::uint32_t DataTransferLength = 12;
inline constexpr std::uint32_t TimeOutValue = 16;
inline constexpr std::uint32_t DataBufferOffset = 20;
inline constexpr std::uint32_t SenseInfoOffset = 24;
}  // namespace spt
inline constexpr std::uint8_t SCSI_IOCTL_DATA_IN = 1;
inline constexpr std::uint8_t kScsiReadCapacity10 = 0x25;
inline constexpr std::uint8_t kScsiInquiry = 0x12;

// Storage structures
inline constexpr std::uint32_t kStoragePropertyQuerySize = 12;
inline constexpr std::uint32_t kStorageDeviceDescriptorBusTypeOffset = 28;
inline constexpr std::uint32_t kStorageDeviceNumberSize = 12;
// STORAGE_DEVICE_NUMBER_EX: Version, Size, Flags, DeviceType, DeviceNumber, the 16-byte
// DeviceGuid, PartitionNumber. The GUID is what tells one disk from the next one to take its
// number; providers without a GUID of their own put their stable key for the disk there.
namespace sdnx {
inline constexpr std::uint32_t Version = 0;
inline constexpr std::uint32_t Size = 4;
inline constexpr std::uint32_t Flags = 8;
inline constexpr std::uint32_t DeviceType = 12;
inline constexpr std::uint32_t DeviceNumber = 16;
inline constexpr std::uint32_t DeviceGuid = 20;
inline constexpr std::uint32_t DeviceGuidSize = 16;
inline constexpr std::uint32_t PartitionNumber = 36;
}  // namespace sdnx
inline constexpr std::uint32_t kStorageDeviceNumberExSize = 40;
inline constexpr std::uint32_t kGetLengthInformationSize = 8;
// DISK_GEOMETRY: Cylinders (8 bytes), MediaType, TracksPerCylinder, SectorsPerTrack and
// BytesPerSector (4 each); the last is the drive's logical sector, the unit of unbuffered I/O.
inline constexpr std::uint32_t kDiskGeometrySize = 24;
inline constexpr std::uint32_t kDiskGeometryBytesPerSector = 20;
inline constexpr std::uint32_t FILE_DEVICE_CD_ROM = 2;
inline constexpr std::uint32_t FILE_DEVICE_DISK = 7;

// The partition table: a new empty one (CREATE_DISK), the layout written and read back
// (DRIVE_LAYOUT_INFORMATION_EX), and the system told to read it again.
inline constexpr std::uint32_t IOCTL_DISK_CREATE_DISK = 0x0007C058u;
inline constexpr std::uint32_t IOCTL_DISK_SET_DRIVE_LAYOUT_EX = 0x0007C054u;
inline constexpr std::uint32_t IOCTL_DISK_GET_DRIVE_LAYOUT_EX = 0x00070050u;
inline constexpr std::uint32_t IOCTL_DISK_UPDATE_PROPERTIES = 0x00070140u;
inline constexpr std::uint32_t PARTITION_STYLE_MBR = 0;
inline constexpr std::uint32_t PARTITION_STYLE_GPT = 1;
// CREATE_DISK: PartitionStyle, then the MBR Signature or the GPT DiskId (16) and
// MaxPartitionCount (4).
inline constexpr std::uint32_t kCreateDiskSize = 24;
inline constexpr std::uint32_t kCreateDiskMbrSignature = 4;
inline constexpr std::uint32_t kCreateDiskGptDiskId = 4;
inline constexpr std::uint32_t kCreateDiskGptMaxPartitions = 20;
// DRIVE_LAYOUT_INFORMATION_EX: PartitionStyle, PartitionCount, the style's union (40 bytes,
// 8-aligned), then PARTITION_INFORMATION_EX entries of 144 bytes each.
namespace dli {
inline constexpr std::uint32_t PartitionStyle = 0;
inline constexpr std::uint32_t PartitionCount = 4;
inline constexpr std::uint32_t MbrSignature = 8;
inline constexpr std::uint32_t GptDiskId = 8;
inline constexpr std::uint32_t GptStartingUsableOffset = 24;
inline constexpr std::uint32_t GptUsableLength = 32;
inline constexpr std::uint32_t GptMaxPartitionCount = 40;
inline constexpr std::uint32_t FirstEntry = 48;
}  // namespace dli
namespace pie {
inline constexpr std::uint32_t PartitionStyle = 0;
inline constexpr std::uint32_t StartingOffset = 8;
inline constexpr std::uint32_t PartitionLength = 16;
inline constexpr std::uint32_t PartitionNumber = 24;
inline constexpr std::uint32_t RewritePartition = 28;
inline constexpr std::uint32_t MbrPartitionType = 32;
inline constexpr std::uint32_t MbrBootIndicator = 33;
inline constexpr std::uint32_t MbrRecognizedPartition = 34;
inline constexpr std::uint32_t MbrHiddenSectors = 36;
inline constexpr std::uint32_t GptPartitionType = 32;
inline constexpr std::uint32_t GptPartitionId = 48;
inline constexpr std::uint32_t GptAttributes = 64;
inline constexpr std::uint32_t GptName = 72;  // 36 UTF-16 units
inline constexpr std::uint32_t Size = 144;
}  // namespace pie
inline constexpr std::uint32_t kDriveLayoutOneEntrySize = dli::FirstEntry + pie::Size;
// MBR partition types (PARTITION_FAT32_XINT13, PARTITION_IFS for exFAT and NTFS, Linux).
inline constexpr std::uint8_t PARTITION_FAT32_XINT13 = 0x0C;
inline constexpr std::uint8_t PARTITION_IFS = 0x07;
inline constexpr std::uint8_t PARTITION_LINUX = 0x83;

// STORAGE_BUS_TYPE
enum BusType : std::uint8_t {
  BusTypeUnknown = 0,
  BusTypeScsi = 1,
  BusTypeAtapi = 2,
  BusTypeAta = 3,
  BusType1394 = 4,
  BusTypeSsa = 5,
  BusTypeFibre = 6,
  BusTypeUsb = 7,
  BusTypeRAID = 8,
  BusTypeiScsi = 9,
  BusTypeSas = 10,
  BusTypeSata = 11,
  BusTypeSd = 12,
  BusTypeMmc = 13,
  BusTypeVirtual = 14,
  BusTypeFileBackedVirtual = 15,
  BusTypeSpaces = 16,
  BusTypeNvme = 17,
};

// System error codes
inline constexpr std::uint32_t ERROR_SUCCESS = 0;
inline constexpr std::uint32_t ERROR_INVALID_FUNCTION = 1;
inline constexpr std::uint32_t ERROR_FILE_NOT_FOUND = 2;
inline constexpr std::uint32_t ERROR_PATH_NOT_FOUND = 3;
inline constexpr std::uint32_t ERROR_TOO_MANY_OPEN_FILES = 4;
inline constexpr std::uint32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::uint32_t ERROR_INVALID_HANDLE = 6;
inline constexpr std::uint32_t ERROR_NOT_ENOUGH_MEMORY = 8;
inline constexpr std::uint32_t ERROR_NO_MORE_FILES = 18;
inline constexpr std::uint32_t ERROR_WRITE_PROTECT = 19;
inline constexpr std::uint32_t ERROR_NOT_READY = 21;
inline constexpr std::uint32_t ERROR_CRC = 23;
inline constexpr std::uint32_t ERROR_BAD_LENGTH = 24;
inline constexpr std::uint32_t ERROR_SECTOR_NOT_FOUND = 27;
inline constexpr std::uint32_t ERROR_WRITE_FAULT = 29;
inline constexpr std::uint32_t ERROR_READ_FAULT = 30;
inline constexpr std::uint32_t ERROR_GEN_FAILURE = 31;
inline constexpr std::uint32_t ERROR_SHARING_VIOLATION = 32;
inline constexpr std::uint32_t ERROR_LOCK_VIOLATION = 33;
inline constexpr std::uint32_t ERROR_HANDLE_EOF = 38;
inline constexpr std::uint32_t ERROR_HANDLE_DISK_FULL = 39;
inline constexpr std::uint32_t ERROR_NOT_SUPPORTED = 50;
inline constexpr std::uint32_t ERROR_DEV_NOT_EXIST = 55;
inline constexpr std::uint32_t ERROR_FILE_EXISTS = 80;
inline constexpr std::uint32_t ERROR_INVALID_PARAMETER = 87;
inline constexpr std::uint32_t ERROR_DISK_FULL = 112;
inline constexpr std::uint32_t ERROR_INSUFFICIENT_BUFFER = 122;
inline constexpr std::uint32_t ERROR_INVALID_NAME = 123;
inline constexpr std::uint32_t ERROR_NEGATIVE_SEEK = 131;
inline constexpr std::uint32_t ERROR_NOT_LOCKED = 158;
inline constexpr std::uint32_t ERROR_BUSY = 170;
inline constexpr std::uint32_t ERROR_ALREADY_EXISTS = 183;
inline constexpr std::uint32_t ERROR_UNRECOGNIZED_VOLUME = 1005;
inline constexpr std::uint32_t ERROR_NO_MEDIA_IN_DRIVE = 1112;
inline constexpr std::uint32_t ERROR_IO_DEVICE = 1117;
inline constexpr std::uint32_t ERROR_DEVICE_NOT_CONNECTED = 1167;

// Message boxes
inline constexpr std::uint32_t MB_OK = 0;
inline constexpr std::uint32_t MB_OKCANCEL = 1;
inline constexpr std::uint32_t MB_ICONCRITICAL = 16;  // MB_ICONHAND / vbCritical
inline constexpr std::uint32_t MB_ICONQUESTION = 32;
inline constexpr std::uint32_t MB_ICONEXCLAMATION = 48;
inline constexpr std::uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
inline constexpr std::uint32_t MB_ICONINFORMATION = 64;
inline constexpr std::uint32_t MB_DEFBUTTON2 = 0x100;   // the second button (Cancel) has the focus
inline constexpr std::uint32_t MB_DEFMASK = 0xF00;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

}  // namespace sw::win
