// Every trace text and device path of the disk and volume routines, in one place. Trace texts
// begin with a space: the trace line is the general date directly followed by the text.
#pragma once

namespace sw::diskio::text {

// Device paths.
inline constexpr const char kDevicePrefix[] = "\\\\.\\";
inline constexpr const char kPhysicalDrive[] = "PhysicalDrive";

// Physical drive handle.
inline constexpr const char kCloseHandleClosed[] = " MyCloseHandle CLOSED HANDLE ";
inline constexpr const char kOpenPhysicalNotObtained1[] = " Open_Physical_Disk_hDrive - Handle for ";
inline constexpr const char kOpenPhysicalNotObtained2[] = " not obtained!";
inline constexpr const char kOpenPhysicalOpened1[] = " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK ";
inline constexpr const char kOpenPhysicalOpened2[] = " handle = ";

// Disk identity and capacity.
inline constexpr const char kScsiNotObtained1[] = " GetSCSICapacity - Handle for ";
inline constexpr const char kScsiNotObtained2[] = " not obtained!";
inline constexpr const char kDrvModelBefore[] = " DRV_MODEL=*";
inline constexpr const char kMyModel[] = " MyMODEL=*";
inline constexpr const char kStarEnd[] = "*";
inline constexpr const char kRemovableBit[] = " REMOVABLE BIT=";
inline constexpr const char kRemovableMedia[] = "REMOVABLE MEDIA";
inline constexpr const char kFixedMedia[] = "FIXED MEDIA";

// Drive letters.
inline constexpr const char kGetDriveVolumesFor[] = " Get_Drive_Volumes for drive ";
inline constexpr const char kGetDriveLetter[] = " GetDriveLetter ";
inline constexpr const char kGetDriveLetterReturned[] = " GetDriveLetter returned ";

// Volume wrappers.
inline constexpr const char kUnlocked[] = " MY_UNLOCK_VOLUME Volume UNLOCKED on Handle ";
inline constexpr const char kCannotUnlock[] = " MyUnlock_Volume Cannot unlock volume on Handle ";
inline constexpr const char kDismounted[] = " MyDismount_Volume Dismounted volume on Handle  ";
inline constexpr const char kCannotDismount[] = " MyDismount_Volume Cannot dismount volume on Handle ";
inline constexpr const char kLocked[] = " MyLock_Volume Volume locked - Handle ";
inline constexpr const char kCannotLockDenied[] =
    " MyLock_Volume Cannot lock volume - access denied - Handle ";
inline constexpr const char kCannotLock[] = " MyLock_Volume Cannot lock volume - Handle ";

// Single-volume path.
inline constexpr const char kOpenVolumeFor[] = " Open_Volume_get_lngHandle for ";
inline constexpr const char kOpenVolumeCannot[] = " Open_Volume_get_lngHandle Cannot open ";
inline constexpr const char kOpenVolumeOpened1[] = " Open_Volume_get_lngHandle VOLUME ";
inline constexpr const char kOpenVolumeOpened2[] = " OPENED OK - Handle=";
inline constexpr const char kOpenLockDismount[] = " Open_Lock_Dismount_Volume ";
inline constexpr const char kReturnedFromOpen[] = " Returned from Open_Volume_get_lngHandle";
inline constexpr const char kReturnedFromLock[] = " Returned from MyLock_Volume";
inline constexpr const char kReturnedFromDismount[] = " Returned from MyDismount_Volume";
inline constexpr const char kCloseVolume[] = " UnLock_Close_Volume CLOSEVOLUME Handle=";
inline constexpr const char kDismountAllFor[] = " DisMount_All_Volumes for Drive ";

// All volumes of a drive.
inline constexpr const char kLockAllCannotOpen1[] = " Lock_Unlock_All_Volumes - Cannot open ";
inline constexpr const char kLockAllCannotOpen2[] = " to lock! ";
inline constexpr const char kLockAllOpened1[] = " Lock_Unlock_All_Volumes - VOLUME ";
inline constexpr const char kLockAllOpened2[] = " OPENED on Handle ";
inline constexpr const char kLockAllLocked1[] = " Lock_Unlock_All_Volumes - Volume ";
inline constexpr const char kLockAllLocked2[] = " LOCKED";
inline constexpr const char kLockAllCannotLock[] = " Lock_Unlock_All_Volumes - Cannot lock volume ";
inline constexpr const char kLockAllCloseHandle[] = " Lock_Unlock_All_Volumes - Close Handle ";
inline constexpr const char kLockAllEnd[] = " Lock_Unlock_All_Volumes End";

}  // namespace sw::diskio::text
