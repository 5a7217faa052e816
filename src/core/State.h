// The module state the routines share, in one object so that every run (and every test)
// starts clean. Names are the ones the rest of the program and its reports use.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/AlignedBuffer.h"
#include "platform/Os.h"

namespace sw::core {

// How the last test command ended; the terminal turns it into its exit status.
enum class Outcome { NotRun, Passed, Failed, Cancelled };

struct State {
  // Flags of the shell and the tests.
  bool DebugMode = false;
  bool CancelRequested = false;
  bool TestRunning = false;  // between Show_Cancel and Hide_Cancel
  Outcome LastOutcome = Outcome::NotRun;  // set by the test commands

  // Drive discovery and selection.
  std::string SelectedVolume;
  std::int32_t DiskNumber = 0;
  double DriveSizeBytes = 0;
  bool ShowAllDrives = false;
  std::string WindowTitle;

  // Physical drive handle and the buffer every raw transfer goes through.
  platform::Handle hDrive = platform::kInvalidHandle;
  AlignedBuffer SectorBuffer;

  // Identity texts of the drive queried last.
  std::string DRV_MODEL;
  std::string DRV_FIRMWARE;
  std::string DRV_SERIAL;
  std::string DRV_MEDIA;

  // Designators of the physical drive mapped last.
  std::string DriveLetter1;
  std::string DriveLetter2;
  std::string DriveLetter3;
  std::string DriveLetter4;
  // What each entry of the drive list stands for, in list order, so that front ends can find
  // an entry by letter or by drive without reading the text the list shows.
  struct ListedDrive {
    std::int32_t DiskNumber = 0;
    std::array<std::string, 4> Letters;  // as DriveLetter1 to DriveLetter4, empty ones included
  };
  std::vector<ListedDrive> ListedDrives;

  // Volume handles: the locked volumes of a drive (0 = empty entry) and the one being dismounted.
  std::array<platform::Handle, 31> hVolumes{};
  platform::Handle lngHandle = 0;

  // Volume file test run state.
  AlignedBuffer TestPattern;  // allocated on the first run, then kept for the program's lifetime
  std::int32_t TestFileSize = 0;
  bool FileTestError = false;
  std::int32_t GoodFileCount = 0;
  std::int32_t TestFileCount = 0;
  std::int32_t LastFileSize = 0;
  platform::LocalTime TestStartTime = 0;
};

}  // namespace sw::core
