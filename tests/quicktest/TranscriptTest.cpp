// Whole reports, click to verdict, on the virtual clock: a genuine stick that passes, a limbo
// fake that fails, and the debug trace of a small drive. Each is written out as the user must
// see it.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/Layouts.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::quicktest {
namespace {

using core::Control;
using platform::sim::FakeKind;
using platform::sim::SimDriveSpec;

using Lines = std::vector<std::string>;

// The disk that was tested, as the report names it after the chosen entry.
const std::string kDeviceLine = "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 526,417,920 bytes";

// The summary line of drive 1 for a stick of `amount` MiB and the simulated model.
std::string Summary(const std::string& amount) {
  return "[DRIVE 1]   " + std::string(7 - amount.size(), ' ') + amount + "MiB " +
         "SIMTEK Flash Disk" + std::string(14, ' ');
}

class Transcript : public QuickTestFixture {
 protected:
  void SetUp() override {
    ctx.state.WindowTitle = "SIZEWARDEN v1.0.0  [Zentrel]";
    core::Hide_Cancel(ctx);
    ctx.state.SelectedVolume = "E:";
    win.AddItem(Control::Combo1, "E:  [STICK]  SIMTEK Flash Disk");
    win.SetListIndex(Control::Combo1, 0);
    win.answers = {win::IDOK, win::IDOK};
  }
  void ExpectReport(const Lines& expected) {
    const Lines actual = win.Lines();
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
      EXPECT_EQ(i < actual.size() ? actual[i] : "<missing>", i < expected.size() ? expected[i] : "<extra>")
          << "line " << i + 1;
    }
  }
};

TEST_F(Transcript, GenuineStickPasses) {
  SimDriveSpec config;
  config.announcedBytes = 64 * kCylinder;  // 1,028,160 sectors: 21 markers at 25 MiB
  config.writeDelayMs = 3000;              // a slow stick, so that the estimates move
  AddStick(config);
  cmdQuickTest_Click(ctx);

  ExpectReport({
      "SIZEWARDEN v1.0.0  [Zentrel]",
      Summary("502.0"),
      "SWD - Quick Size Test (destructive)",
      "E:  [STICK]  SIMTEK Flash Disk",
      kDeviceLine,
      "",
      "Writing marker blocks to drive 1 at 25MiB intervals.",
      // Started 3 s into the run (dismount retries 0.2 s, wipe 3 s, settle 0.5 s); N - 1
      // first, then 3 s per marker.
      "9% complete  - 1 min 22 sec  remaining",
      "14% complete  - 1 min 9 sec  remaining",
      "19% complete  - 1 min 1 sec  remaining",
      "24% complete  - 0 min 55 sec  remaining",
      "29% complete  - 0 min 50 sec  remaining",
      "34% complete  - 0 min 45 sec  remaining",
      "39% complete  - 0 min 41 sec  remaining",
      "44% complete  - 0 min 37 sec  remaining",
      "49% complete  - 0 min 34 sec  remaining",
      "54% complete  - 0 min 30 sec  remaining",
      "59% complete  - 0 min 27 sec  remaining",
      "64% complete  - 0 min 23 sec  remaining",
      "69% complete  - 0 min 20 sec  remaining",
      "74% complete  - 0 min 17 sec  remaining",
      "79% complete  - 0 min 14 sec  remaining",
      "84% complete  - 0 min 10 sec  remaining",
      "89% complete  - 0 min 7 sec  remaining",
      "94% complete  - 0 min 4 sec  remaining",
      "99% complete  - 0 min 1 sec remaining",
      "100% complete  - 0 min 1 sec remaining",
      "Reading back marker blocks...",
      // Reads cost no virtual time; the lowest marker (sector 4,159) lies in a partial
      // interval and is not read, so the pass ends at 99 %.
      "9% complete - 0 min 1 sec remaining",
      "14% complete - 0 min 1 sec remaining",
      "19% complete - 0 min 1 sec remaining",
      "24% complete - 0 min 1 sec remaining",
      "29% complete - 0 min 1 sec remaining",
      "34% complete - 0 min 1 sec remaining",
      "39% complete - 0 min 1 sec remaining",
      "44% complete - 0 min 1 sec remaining",
      "49% complete - 0 min 1 sec remaining",
      "54% complete - 0 min 1 sec remaining",
      "59% complete - 0 min 1 sec remaining",
      "64% complete - 0 min 1 sec remaining",
      "69% complete - 0 min 1 sec remaining",
      "74% complete - 0 min 1 sec remaining",
      "79% complete - 0 min 1 sec remaining",
      "84% complete - 0 min 1 sec remaining",
      "89% complete - 0 min 1 sec remaining",
      "94% complete - 0 min 1 sec remaining",
      "99% complete - 0 min 1 sec remaining",
      // 70 seconds of markers, then the cache check: its 64 KiB flood requests and one block
      // per marker, 3 seconds a request on this stick.
      "Test took 1642 seconds.",
      "20 sectors checked.",
      "Device quick test was OK    *** PASSED ***",
      "",
      "NOTE: Drive filesystem has been erased - please partition and format it, and then test with "
      "H2TESTW for thorough test.",
      "",
      "INFO: This device is classed as a Removable Disk by Windows.",
      "Unplug and re-connect the drive, then reformat it using Windows or Quillmark.",
  });

  ASSERT_EQ(win.boxes.size(), 4u);
  EXPECT_EQ(win.boxes[2].prompt,
            "\r\nDevice quick test was OK    *** PASSED ***\r\n\r\nNOTE: Drive filesystem has been erased - "
            "please partition and format it, and then test with H2TESTW for thorough test.");
  EXPECT_EQ(win.boxes[2].style, win::MB_ICONINFORMATION);
  EXPECT_EQ(win.boxes[2].title, "SIZEWARDEN");
  EXPECT_EQ(win.boxes[3].prompt, "\r\nUnplug and re-connect the drive, then reformat it using Windows or Quillmark.");
  EXPECT_EQ(win.boxes[3].style, win::MB_OK);
  EXPECT_TRUE(AllBytes(Sector(0), 0));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Passed);
}

TEST_F(Transcript, LimboFakeFails) {
  SimDriveSpec config;
  config.announcedBytes = 64 * kCylinder;
  config.realBytes = 256 << 20;  // writes past 256 MiB vanish and read back as zeros
  config.kind = FakeKind::Limbo;
  AddStick(config);
  cmdQuickTest_Click(ctx);

  const std::string readStep = "% complete - 0 min 1 sec remaining";
  const std::string writeStep = "% complete  - 0 min 1 sec remaining";
  Lines expected = {
      "SIZEWARDEN v1.0.0  [Zentrel]",
      Summary("502.0"),
      "SWD - Quick Size Test (destructive)",
      "E:  [STICK]  SIMTEK Flash Disk",
      kDeviceLine,
      "",
      "Writing marker blocks to drive 1 at 25MiB intervals.",
  };
  // Writes take no time on this stick: every estimate is the shortest one.
  for (int percent : {9, 14, 19, 24, 29, 34, 39, 44, 49, 54, 59, 64, 69, 74, 79, 84, 89, 94, 99, 100}) {
    expected.push_back(std::to_string(percent) + writeStep);
  }
  expected.push_back("Reading back marker blocks...");
  for (int percent : {9, 14, 19, 24, 29, 34, 39, 44, 49, 54, 59, 64, 69, 74, 79, 84, 89, 94, 99}) {
    expected.push_back(std::to_string(percent) + readStep);
  }
  const Lines tail = {
      // Markers 1,028,159 down to 567,359 (ten of them) lie past sector 524,288.
      "Memory tested in blocks of 51200 sectors [20sectors checked].",
      "",
      "BAD MEMORY from sector 567359 (277.030MiB) to sector 1028159 (502.030Mib)",
      "",
      "WARNING: no memory detected at one or more locations.",
      // 0.2 s of dismount retries and two settling pauses of 0.5 s.
      "Test took 1 seconds.",
      "20 sectors checked.",
      "                         *** FAILED ***",
      "",
      "DEVICE HAS DUPLICATE OR BAD BLOCKS!",
      "",
      "Recommended maximum usable partition size: 252.030Mib (approx. Last good Sector=567359)",
      "",
      "Unplug and re-connect the drive, then reformat it using Windows or Quillmark.",
  };
  expected.insert(expected.end(), tail.begin(), tail.end());
  ExpectReport(expected);

  ASSERT_EQ(win.boxes.size(), 4u);
  EXPECT_EQ(win.boxes[2].prompt,
            "\r\n                         *** FAILED ***\r\n\r\nDEVICE HAS DUPLICATE OR BAD BLOCKS!\r\n\r\n"
            "Recommended maximum usable partition size: 252.030Mib (approx. Last good Sector=567359)\r\n");
  EXPECT_EQ(win.boxes[2].style, win::MB_ICONCRITICAL);
  EXPECT_EQ(win.boxes[3].style, win::MB_OK);
  EXPECT_TRUE(AllBytes(Sector(0), 0));
  EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Failed);
}


// SHIFT held: every trace line of the disk and volume routines from the heading on, and a line
// before each marker write and read. Handles count up from 100 in steps of 4 on this machine;
// the command's own look-ups used 100 to 112 before the heading replaced the report.
TEST_F(Transcript, DebugTraceOfASmallDrive) {
  SimDriveSpec config;
  config.announcedBytes = 6 * kCylinder;  // 96,390 sectors: markers at 96,389 and 45,189
  AddStick(config);
  win.shiftDown = true;
  cmdQuickTest_Click(ctx);

  const std::string at = "12/8/2026 10:00:00 AM";
  const std::string later = "12/8/2026 10:00:01 AM";  // after the second settling pause
  const Lines emptySlot = {
      at + " Open_Lock_Dismount_Volume ",
      at + " Open_Volume_get_lngHandle for ",
      at + " Open_Volume_get_lngHandle Cannot open ",
      at + " Returned from Open_Volume_get_lngHandle",
      at + " Returned from MyLock_Volume",
      at + " Returned from MyDismount_Volume",
      at + " MyCloseHandle CLOSED HANDLE -1",
      at + " UnLock_Close_Volume CLOSEVOLUME Handle=-1",
  };
  Lines expected = {
      "SIZEWARDEN v1.0.0  [Zentrel]",
      Summary("47.0") + " 49,351,680 Bytes ",
      "SWD - Quick Size Test (destructive)",
      "E:  [STICK]  SIMTEK Flash Disk",
      "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 49,351,680 bytes",
      // LOCK: the drive's letters are looked up (C: 140, E: 144), then E: is held locked.
      at + " Get_Drive_Volumes for drive 1",
      at + " Lock_Unlock_All_Volumes - VOLUME E: OPENED on Handle 152",
      at + " Lock_Unlock_All_Volumes - Volume E: LOCKED",
      at + " MyDismount_Volume Dismounted volume on Handle  152",
      at + " Lock_Unlock_All_Volumes End",
      // Dismount: C: 152 and E: 156 for the look-up; E: is opened once more, and its lock is
      // refused because handle 124 holds it.
      at + " DisMount_All_Volumes for Drive 1",
      at + " Get_Drive_Volumes for drive 1",
      at + " Open_Lock_Dismount_Volume E:",
      at + " Open_Volume_get_lngHandle for E:",
      at + " Open_Volume_get_lngHandle VOLUME E: OPENED OK - Handle=164",
      at + " Returned from Open_Volume_get_lngHandle",
      at + " MyLock_Volume Cannot lock volume - access denied - Handle 164",
      at + " Returned from MyLock_Volume",
      at + " MyDismount_Volume Dismounted volume on Handle  164",
      at + " Returned from MyDismount_Volume",
      at + " MyUnlock_Volume Cannot unlock volume on Handle 164",
      at + " MyCloseHandle CLOSED HANDLE 164",
      at + " UnLock_Close_Volume CLOSEVOLUME Handle=164",
  };
  for (int slot = 2; slot <= 4; ++slot) expected.insert(expected.end(), emptySlot.begin(), emptySlot.end());
  const Lines rest = {
      // Wipe of sector 0, close, settle, reopen.
      at + " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 1 handle = 168",
      at + " MyCloseHandle CLOSED HANDLE 168",
      at + " Open_Physical_Disk_hDrive OPENED PHYSICAL DISK 1 handle = 172",
      "",
      "Writing marker blocks to drive 1 at 25MiB intervals.",
      "Write sector to 96389",
      "53% complete  - 0 min 1 sec remaining",
      "Write sector to 45189",
      "100% complete  - 0 min 1 sec remaining",
      "Reading back marker blocks...",
      "Read from sector 96389",
      "53% complete - 0 min 1 sec remaining",
      later + " MY_UNLOCK_VOLUME Volume UNLOCKED on Handle 152",
      later + " Lock_Unlock_All_Volumes - Close Handle 152",
      later + " MyCloseHandle CLOSED HANDLE 152",
      later + " Lock_Unlock_All_Volumes End",
      later + " MyCloseHandle CLOSED HANDLE 172",
      "Test took 1 seconds.",
      "1 sectors checked.",
      // Debug mode ends before sector 0 is zeroed: no trace of that open and close.
      "Device quick test was OK    *** PASSED ***",
      "",
      "NOTE: Drive filesystem has been erased - please partition and format it, and then test with "
      "H2TESTW for thorough test.",
      "",
      "INFO: This device is classed as a Removable Disk by Windows.",
      "Unplug and re-connect the drive, then reformat it using Windows or Quillmark.",
  };
  expected.insert(expected.end(), rest.begin(), rest.end());
  ExpectReport(expected);
  EXPECT_FALSE(ctx.state.DebugMode);
}

}  // namespace
}  // namespace sw::quicktest
