// The report and box texts that name things of one operating system: the rights a raw open
// needs, how the system classes a disk, the tools that format a drive or verify it thoroughly,
// and what slows a file test down. Each platform has one table; the Os in use chooses it.
#pragma once

namespace sw::platform {

struct PlatformWording {
  // A drive that cannot be opened for raw access (its size reads 0).
  const char* needsRawAccessRights;
  // The note of a passed Quick Size Test: the thorough tool to run next.
  const char* quickPassedNote;
  // After a passed Quick Size Test: whether the system treats the disk as removable.
  const char* classedRemovable;
  const char* classedFixed;
  // The last box of every Quick Size Test: how to make the drive usable again.
  const char* unplugAndReformat;
  // The tip in the question before the file test fills the volume.
  const char* fileTestSpeedTip;
  // Whether the file test's question names the volume by its device and mount point beside its
  // letter: on Linux the letter is this program's own, which the user never typed.
  bool questionNamesDevice = false;
};

inline constexpr PlatformWording kWindowsWording = {
    .needsRawAccessRights = "Please run this application with Administrator rights.",
    .quickPassedNote = "NOTE: Drive filesystem has been erased - please partition and format it, "
                       "and then test with H2TESTW for thorough test.",
    .classedRemovable = "INFO: This device is classed as a Removable Disk by Windows.",
    .classedFixed = "INFO: This device is classed as a Fixed Disk by Windows.",
    .unplugAndReformat =
        "Unplug and re-connect the drive, then reformat it using Windows or Quillmark.",
    .fileTestSpeedTip = "Tip: Close all instances of Windows Explorer to improve the speed.",
};

// The same sentences for a Linux user: root instead of Administrator, the kernel's removable
// flag instead of the Windows media class, F3 instead of H2testw, mkfs or GNOME Disks instead of
// Windows, and the file managers that read a freshly mounted stick instead of Explorer.
inline constexpr PlatformWording kLinuxWording = {
    .needsRawAccessRights = "Please run this application as root (for example with sudo).",
    .quickPassedNote = "NOTE: Drive filesystem has been erased - please partition and format it, "
                       "and then test with f3write and f3read for thorough test.",
    .classedRemovable = "INFO: This device is classed as a removable disk by the system.",
    .classedFixed = "INFO: This device is not classed as a removable disk by the system.",
    .unplugAndReformat =
        "Unplug and re-connect the drive, then reformat it using mkfs or GNOME Disks.",
    .fileTestSpeedTip = "Tip: Close all file managers showing this drive to improve the speed.",
    .questionNamesDevice = true,
};

}  // namespace sw::platform
