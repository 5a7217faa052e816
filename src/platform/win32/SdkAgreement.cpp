// Compile-time proof that the Win32 values the core uses (platform/WinApi.h, written without
// <windows.h>) agree with the SDK. WinApi.h comes first: once <windows.h> is in, its macros
// (GENERIC_READ, IDOK, ...) would rewrite our names, so the values are copied beforehand.
#include "platform/WinApi.h"

#include <cstddef>
#include <cstdint>
#include <iterator>

namespace ours {
namespace w = sw::win;
constexpr std::uint32_t kGenericRead = w::GENERIC_READ;
constexpr std::uint32_t kGenericWrite = w::GENERIC_WRITE;
constexpr std::uint32_t kFileShareRead = w::FILE_SHARE_READ;
constexpr std::uint32_t kFileShareWrite = w::FILE_SHARE_WRITE;
constexpr std::uint32_t kCreateAlways = w::CREATE_ALWAYS;
constexpr std::uint32_t kOpenExisting = w::OPEN_EXISTING;
constexpr std::uint32_t kFileAttributeNormal = w::FILE_ATTRIBUTE_NORMAL;
constexpr std::uint32_t kFileFlagNoBuffering = w::FILE_FLAG_NO_BUFFERING;
constexpr std::uint32_t kFileFlagWriteThrough = w::FILE_FLAG_WRITE_THROUGH;
constexpr std::uint32_t kFileBegin = w::FILE_BEGIN;
constexpr std::uint32_t kFileCurrent = w::FILE_CURRENT;
constexpr std::uint32_t kFileEnd = w::FILE_END;

constexpr std::uint32_t kIoctlScsiPassThrough = w::IOCTL_SCSI_PASS_THROUGH;
constexpr std::uint32_t kIoctlStorageQueryProperty = w::IOCTL_STORAGE_QUERY_PROPERTY;
constexpr std::uint32_t kIoctlDiskGetLengthInfo = w::IOCTL_DISK_GET_LENGTH_INFO;
constexpr std::uint32_t kIoctlDiskGetDriveGeometry = w::IOCTL_DISK_GET_DRIVE_GEOMETRY;
constexpr std::uint32_t kIoctlStorageGetDeviceNumber = w::IOCTL_STORAGE_GET_DEVICE_NUMBER;
constexpr std::uint32_t kIoctlStorageGetDeviceNumberEx = w::IOCTL_STORAGE_GET_DEVICE_NUMBER_EX;
constexpr std::uint32_t kIoctlDiskCreateDisk = w::IOCTL_DISK_CREATE_DISK;
constexpr std::uint32_t kIoctlDiskSetDriveLayoutEx = w::IOCTL_DISK_SET_DRIVE_LAYOUT_EX;
constexpr std::uint32_t kIoctlDiskGetDriveLayoutEx = w::IOCTL_DISK_GET_DRIVE_LAYOUT_EX;
constexpr std::uint32_t kIoctlDiskUpdateProperties = w::IOCTL_DISK_UPDATE_PROPERTIES;
constexpr std::uint32_t kCreateDiskSize = w::kCreateDiskSize;
constexpr std::uint32_t kLayoutFirstEntry = w::dli::FirstEntry;
constexpr std::uint32_t kLayoutGptUsableLength = w::dli::GptUsableLength;
constexpr std::uint32_t kEntrySize = w::pie::Size;
constexpr std::uint32_t kEntryStartingOffset = w::pie::StartingOffset;
constexpr std::uint32_t kEntryPartitionLength = w::pie::PartitionLength;
constexpr std::uint32_t kEntryPartitionNumber = w::pie::PartitionNumber;
constexpr std::uint32_t kEntryRewrite = w::pie::RewritePartition;
constexpr std::uint32_t kEntryMbrType = w::pie::MbrPartitionType;
constexpr std::uint32_t kEntryMbrHidden = w::pie::MbrHiddenSectors;
constexpr std::uint32_t kEntryGptName = w::pie::GptName;
constexpr std::uint32_t kFsctlLockVolume = w::FSCTL_LOCK_VOLUME;
constexpr std::uint32_t kFsctlUnlockVolume = w::FSCTL_UNLOCK_VOLUME;
constexpr std::uint32_t kFsctlDismountVolume = w::FSCTL_DISMOUNT_VOLUME;

constexpr std::uint32_t kSptHeaderSize = w::kSptHeaderSize;
constexpr std::uint32_t kSptCdbOffset = w::kSptCdbOffset;
constexpr std::uint32_t kSptSenseOffset = w::kSptSenseOffset;
constexpr std::uint32_t kSptDataOffset = w::kSptDataOffset;
constexpr std::uint32_t kSptBlockSize = w::kSptBlockSize;
constexpr std::uint8_t kScsiIoctlDataIn = w::SCSI_IOCTL_DATA_IN;
constexpr std::uint32_t kStoragePropertyQuerySize = w::kStoragePropertyQuerySize;
constexpr std::uint32_t kBusTypeOffset = w::kStorageDeviceDescriptorBusTypeOffset;
constexpr std::uint32_t kStorageDeviceNumberSize = w::kStorageDeviceNumberSize;
constexpr std::uint32_t kStorageDeviceNumberExSize = w::kStorageDeviceNumberExSize;
constexpr std::uint32_t kSdnxFlags = w::sdnx::Flags;
constexpr std::uint32_t kSdnxDeviceType = w::sdnx::DeviceType;
constexpr std::uint32_t kSdnxDeviceNumber = w::sdnx::DeviceNumber;
constexpr std::uint32_t kSdnxDeviceGuid = w::sdnx::DeviceGuid;
constexpr std::uint32_t kSdnxDeviceGuidSize = w::sdnx::DeviceGuidSize;
constexpr std::uint32_t kSdnxPartitionNumber = w::sdnx::PartitionNumber;
constexpr std::uint32_t kGetLengthInformationSize = w::kGetLengthInformationSize;
constexpr std::uint32_t kDiskGeometrySize = w::kDiskGeometrySize;
constexpr std::uint32_t kDiskGeometryBytesPerSector = w::kDiskGeometryBytesPerSector;
constexpr std::uint32_t kFileDeviceCdRom = w::FILE_DEVICE_CD_ROM;
constexpr std::uint32_t kFileDeviceDisk = w::FILE_DEVICE_DISK;

constexpr int kBusTypeUnknown = w::BusTypeUnknown;
constexpr int kBusTypeScsi = w::BusTypeScsi;
constexpr int kBusTypeAtapi = w::BusTypeAtapi;
constexpr int kBusTypeAta = w::BusTypeAta;
constexpr int kBusType1394 = w::BusType1394;
constexpr int kBusTypeUsb = w::BusTypeUsb;
constexpr int kBusTypeRaid = w::BusTypeRAID;
constexpr int kBusTypeSas = w::BusTypeSas;
constexpr int kBusTypeSata = w::BusTypeSata;
constexpr int kBusTypeSd = w::BusTypeSd;
constexpr int kBusTypeMmc = w::BusTypeMmc;
constexpr int kBusTypeVirtual = w::BusTypeVirtual;
constexpr int kBusTypeFileBackedVirtual = w::BusTypeFileBackedVirtual;
constexpr int kBusTypeSpaces = w::BusTypeSpaces;
constexpr int kBusTypeNvme = w::BusTypeNvme;

// In the order of the checks below.
constexpr std::uint32_t kErrors[] = {
    w::ERROR_SUCCESS,
    w::ERROR_INVALID_FUNCTION,
    w::ERROR_FILE_NOT_FOUND,
    w::ERROR_PATH_NOT_FOUND,
    w::ERROR_TOO_MANY_OPEN_FILES,
    w::ERROR_ACCESS_DENIED,
    w::ERROR_INVALID_HANDLE,
    w::ERROR_NOT_ENOUGH_MEMORY,
    w::ERROR_NO_MORE_FILES,
    w::ERROR_NOT_READY,
    w::ERROR_CRC,
    w::ERROR_SECTOR_NOT_FOUND,
    w::ERROR_WRITE_FAULT,
    w::ERROR_READ_FAULT,
    w::ERROR_GEN_FAILURE,
    w::ERROR_SHARING_VIOLATION,
    w::ERROR_LOCK_VIOLATION,
    w::ERROR_HANDLE_EOF,
    w::ERROR_NOT_SUPPORTED,
    w::ERROR_FILE_EXISTS,
    w::ERROR_INVALID_PARAMETER,
    w::ERROR_DISK_FULL,
    w::ERROR_INSUFFICIENT_BUFFER,
    w::ERROR_INVALID_NAME,
    w::ERROR_BUSY,
    w::ERROR_UNRECOGNIZED_VOLUME,
    w::ERROR_NO_MEDIA_IN_DRIVE,
    w::ERROR_IO_DEVICE,
    w::ERROR_DEVICE_NOT_CONNECTED,
    w::ERROR_WRITE_PROTECT,
    w::ERROR_HANDLE_DISK_FULL,
    w::ERROR_DEV_NOT_EXIST,
};

constexpr std::uint32_t kMbOk = w::MB_OK;
constexpr std::uint32_t kMbOkCancel = w::MB_OKCANCEL;
constexpr std::uint32_t kMbIconCritical = w::MB_ICONCRITICAL;
constexpr std::uint32_t kMbIconExclamation = w::MB_ICONEXCLAMATION;
constexpr std::uint32_t kMbIconInformation = w::MB_ICONINFORMATION;
constexpr std::uint32_t kMbIconWarning = w::MB_ICONWARNING;
constexpr std::uint32_t kMbDefButton2 = w::MB_DEFBUTTON2;
constexpr std::uint32_t kMbDefMask = w::MB_DEFMASK;
constexpr int kIdOk = w::IDOK;
constexpr int kIdCancel = w::IDCANCEL;
}  // namespace ours

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winioctl.h>
#include <ntddscsi.h>

static_assert(ours::kGenericRead == GENERIC_READ);
static_assert(ours::kGenericWrite == GENERIC_WRITE);
static_assert(ours::kFileShareRead == FILE_SHARE_READ);
static_assert(ours::kFileShareWrite == FILE_SHARE_WRITE);
static_assert(ours::kCreateAlways == CREATE_ALWAYS);
static_assert(ours::kOpenExisting == OPEN_EXISTING);
static_assert(ours::kFileAttributeNormal == FILE_ATTRIBUTE_NORMAL);
static_assert(ours::kFileFlagNoBuffering == FILE_FLAG_NO_BUFFERING);
static_assert(ours::kFileFlagWriteThrough == FILE_FLAG_WRITE_THROUGH);
static_assert(ours::kFileBegin == FILE_BEGIN);
static_assert(ours::kFileCurrent == FILE_CURRENT);
static_assert(ours::kFileEnd == FILE_END);

static_assert(ours::kIoctlScsiPassThrough == IOCTL_SCSI_PASS_THROUGH);
static_assert(IOCTL_SCSI_PASS_THROUGH == 0x4D004);
static_assert(ours::kIoctlStorageQueryProperty == IOCTL_STORAGE_QUERY_PROPERTY);
static_assert(ours::kIoctlDiskGetLengthInfo == IOCTL_DISK_GET_LENGTH_INFO);
static_assert(ours::kIoctlDiskGetDriveGeometry == IOCTL_DISK_GET_DRIVE_GEOMETRY);
static_assert(ours::kIoctlStorageGetDeviceNumber == IOCTL_STORAGE_GET_DEVICE_NUMBER);
static_assert(ours::kIoctlStorageGetDeviceNumberEx == IOCTL_STORAGE_GET_DEVICE_NUMBER_EX);
static_assert(ours::kFsctlLockVolume == FSCTL_LOCK_VOLUME);
static_assert(ours::kFsctlUnlockVolume == FSCTL_UNLOCK_VOLUME);
static_assert(ours::kFsctlDismountVolume == FSCTL_DISMOUNT_VOLUME);

// The block the core builds is the 32-bit SCSI_PASS_THROUGH followed by sense and data; a
// 64-bit build repacks it (PassThrough64.cpp).
#ifdef _WIN64
static_assert(ours::kSptHeaderSize == sizeof(SCSI_PASS_THROUGH32));
static_assert(ours::kSptCdbOffset == offsetof(SCSI_PASS_THROUGH32, Cdb));
#else
static_assert(ours::kSptHeaderSize == sizeof(SCSI_PASS_THROUGH));
static_assert(ours::kSptCdbOffset == offsetof(SCSI_PASS_THROUGH, Cdb));
#endif
static_assert(ours::kSptSenseOffset == ours::kSptHeaderSize);
static_assert(ours::kSptDataOffset == ours::kSptSenseOffset + 32);
static_assert(ours::kSptBlockSize == ours::kSptDataOffset + 512);
static_assert(ours::kScsiIoctlDataIn == SCSI_IOCTL_DATA_IN);

static_assert(ours::kStoragePropertyQuerySize == sizeof(STORAGE_PROPERTY_QUERY));
static_assert(sizeof(STORAGE_PROPERTY_QUERY) == 12);
static_assert(ours::kBusTypeOffset == offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType));
static_assert(offsetof(STORAGE_DEVICE_DESCRIPTOR, BusType) == 28);
static_assert(ours::kStorageDeviceNumberSize == sizeof(STORAGE_DEVICE_NUMBER));
static_assert(sizeof(STORAGE_DEVICE_NUMBER) == 12);
static_assert(offsetof(STORAGE_DEVICE_NUMBER, DeviceNumber) == 4);
static_assert(ours::kStorageDeviceNumberExSize == sizeof(STORAGE_DEVICE_NUMBER_EX));
static_assert(ours::kSdnxFlags == offsetof(STORAGE_DEVICE_NUMBER_EX, Flags));
static_assert(ours::kSdnxDeviceType == offsetof(STORAGE_DEVICE_NUMBER_EX, DeviceType));
static_assert(ours::kSdnxDeviceNumber == offsetof(STORAGE_DEVICE_NUMBER_EX, DeviceNumber));
static_assert(ours::kSdnxDeviceGuid == offsetof(STORAGE_DEVICE_NUMBER_EX, DeviceGuid));
static_assert(ours::kSdnxDeviceGuidSize == sizeof(GUID));
static_assert(ours::kSdnxPartitionNumber == offsetof(STORAGE_DEVICE_NUMBER_EX, PartitionNumber));
static_assert(ours::kGetLengthInformationSize == sizeof(GET_LENGTH_INFORMATION));
static_assert(sizeof(GET_LENGTH_INFORMATION) == 8);
static_assert(ours::kDiskGeometrySize == sizeof(DISK_GEOMETRY));
static_assert(ours::kDiskGeometryBytesPerSector == offsetof(DISK_GEOMETRY, BytesPerSector));
static_assert(StorageDeviceProperty == 0 && PropertyStandardQuery == 0);
static_assert(ours::kFileDeviceCdRom == FILE_DEVICE_CD_ROM);
static_assert(ours::kFileDeviceDisk == FILE_DEVICE_DISK);

static_assert(ours::kBusTypeUnknown == BusTypeUnknown);
static_assert(ours::kBusTypeScsi == BusTypeScsi);
static_assert(ours::kBusTypeAtapi == BusTypeAtapi);
static_assert(ours::kBusTypeAta == BusTypeAta);
static_assert(ours::kBusType1394 == BusType1394);
static_assert(ours::kBusTypeUsb == BusTypeUsb);
static_assert(ours::kBusTypeRaid == BusTypeRAID);
static_assert(ours::kBusTypeSas == BusTypeSas);
static_assert(ours::kBusTypeSata == BusTypeSata);
static_assert(ours::kBusTypeSd == BusTypeSd);
static_assert(ours::kBusTypeMmc == BusTypeMmc);
static_assert(ours::kBusTypeVirtual == BusTypeVirtual);
static_assert(ours::kBusTypeFileBackedVirtual == BusTypeFileBackedVirtual);
static_assert(ours::kBusTypeSpaces == BusTypeSpaces);
static_assert(ours::kBusTypeNvme == BusTypeNvme);

static_assert(ours::kErrors[0] == ERROR_SUCCESS);
static_assert(ours::kErrors[1] == ERROR_INVALID_FUNCTION);
static_assert(ours::kErrors[2] == ERROR_FILE_NOT_FOUND);
static_assert(ours::kErrors[3] == ERROR_PATH_NOT_FOUND);
static_assert(ours::kErrors[4] == ERROR_TOO_MANY_OPEN_FILES);
static_assert(ours::kErrors[5] == ERROR_ACCESS_DENIED);
static_assert(ours::kErrors[6] == ERROR_INVALID_HANDLE);
static_assert(ours::kErrors[7] == ERROR_NOT_ENOUGH_MEMORY);
static_assert(ours::kErrors[8] == ERROR_NO_MORE_FILES);
static_assert(ours::kErrors[9] == ERROR_NOT_READY);
static_assert(ours::kErrors[10] == ERROR_CRC);
static_assert(ours::kErrors[11] == ERROR_SECTOR_NOT_FOUND);
static_assert(ours::kErrors[12] == ERROR_WRITE_FAULT);
static_assert(ours::kErrors[13] == ERROR_READ_FAULT);
static_assert(ours::kErrors[14] == ERROR_GEN_FAILURE);
static_assert(ours::kErrors[15] == ERROR_SHARING_VIOLATION);
static_assert(ours::kErrors[16] == ERROR_LOCK_VIOLATION);
static_assert(ours::kErrors[17] == ERROR_HANDLE_EOF);
static_assert(ours::kErrors[18] == ERROR_NOT_SUPPORTED);
static_assert(ours::kErrors[19] == ERROR_FILE_EXISTS);
static_assert(ours::kErrors[20] == ERROR_INVALID_PARAMETER);
static_assert(ours::kErrors[21] == ERROR_DISK_FULL);
static_assert(ours::kErrors[22] == ERROR_INSUFFICIENT_BUFFER);
static_assert(ours::kErrors[23] == ERROR_INVALID_NAME);
static_assert(ours::kErrors[24] == ERROR_BUSY);
static_assert(ours::kErrors[25] == ERROR_UNRECOGNIZED_VOLUME);
static_assert(ours::kErrors[26] == ERROR_NO_MEDIA_IN_DRIVE);
static_assert(ours::kErrors[27] == ERROR_IO_DEVICE);
static_assert(ours::kErrors[28] == ERROR_DEVICE_NOT_CONNECTED);
static_assert(ours::kErrors[29] == ERROR_WRITE_PROTECT);
static_assert(ours::kErrors[30] == ERROR_HANDLE_DISK_FULL);
static_assert(ours::kErrors[31] == ERROR_DEV_NOT_EXIST);
static_assert(std::size(ours::kErrors) == 32, "one check per error code above");

static_assert(ours::kMbOk == MB_OK);
static_assert(ours::kMbOkCancel == MB_OKCANCEL);
static_assert(ours::kMbIconCritical == MB_ICONHAND);
static_assert(ours::kMbIconExclamation == MB_ICONEXCLAMATION);
static_assert(ours::kMbIconInformation == MB_ICONINFORMATION);
static_assert(ours::kMbIconWarning == MB_ICONWARNING);
static_assert(ours::kMbDefButton2 == MB_DEFBUTTON2);
static_assert(ours::kMbDefMask == MB_DEFMASK);
static_assert(ours::kIdOk == IDOK);
static_assert(ours::kIdCancel == IDCANCEL);

// The partition-table controls and the byte layouts the fix builds.
static_assert(ours::kIoctlDiskCreateDisk == IOCTL_DISK_CREATE_DISK);
static_assert(ours::kIoctlDiskSetDriveLayoutEx == IOCTL_DISK_SET_DRIVE_LAYOUT_EX);
static_assert(ours::kIoctlDiskGetDriveLayoutEx == IOCTL_DISK_GET_DRIVE_LAYOUT_EX);
static_assert(ours::kIoctlDiskUpdateProperties == IOCTL_DISK_UPDATE_PROPERTIES);
static_assert(ours::kCreateDiskSize == sizeof(CREATE_DISK));
static_assert(ours::kLayoutFirstEntry == offsetof(DRIVE_LAYOUT_INFORMATION_EX, PartitionEntry));
static_assert(ours::kLayoutGptUsableLength == offsetof(DRIVE_LAYOUT_INFORMATION_EX, Gpt) + offsetof(DRIVE_LAYOUT_INFORMATION_GPT, UsableLength));
static_assert(ours::kEntrySize == sizeof(PARTITION_INFORMATION_EX));
static_assert(ours::kEntryStartingOffset == offsetof(PARTITION_INFORMATION_EX, StartingOffset));
static_assert(ours::kEntryPartitionLength == offsetof(PARTITION_INFORMATION_EX, PartitionLength));
static_assert(ours::kEntryPartitionNumber == offsetof(PARTITION_INFORMATION_EX, PartitionNumber));
static_assert(ours::kEntryRewrite == offsetof(PARTITION_INFORMATION_EX, RewritePartition));
static_assert(ours::kEntryMbrType == offsetof(PARTITION_INFORMATION_EX, Mbr) + offsetof(PARTITION_INFORMATION_MBR, PartitionType));
static_assert(ours::kEntryMbrHidden == offsetof(PARTITION_INFORMATION_EX, Mbr) + offsetof(PARTITION_INFORMATION_MBR, HiddenSectors));
static_assert(ours::kEntryGptName == offsetof(PARTITION_INFORMATION_EX, Gpt) + offsetof(PARTITION_INFORMATION_GPT, Name));
