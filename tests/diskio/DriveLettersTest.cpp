// Designators to physical drive numbers and the volumes of a drive in letter order.
#include <gtest/gtest.h>

#include <array>

#include "diskio/DriveLetters.h"
#include "diskio/SimFixture.h"
#include "platform/WinApi.h"

namespace sw::diskio {
namespace {

using DriveLettersTest = SimFixture;

TEST_F(DriveLettersTest, DiskNumberOfPartitionsCdRomsAndUnknownLetters) {
  sim.AddDrive(3, Stick(1ull << 30, {"E:"}));
  sim.AddCdRomLetter("D:");
  EXPECT_EQ(GetDiskNumber(ctx, "E:"), 3);
  EXPECT_EQ(GetDiskNumber(ctx, "C:"), 0);
  EXPECT_EQ(GetDiskNumber(ctx, "D:"), 99);
  EXPECT_EQ(GetDiskNumber(ctx, "Q:"), 99);
  EXPECT_EQ(GetDiskNumber(ctx, ""), 99);
  EXPECT_EQ(win.Text(core::Control::Text1), "");
}

TEST_F(DriveLettersTest, DiskNumberAsksWithoutAccessForTwelveBytes) {
  sim.AddDrive(3, Stick(1ull << 30, {"E:"}));
  GetDiskNumber(ctx, "E:");
  ASSERT_EQ(os.opens.size(), 1u);
  EXPECT_EQ(os.opens[0].name, "\\\\.\\E:");
  EXPECT_EQ(os.opens[0].access, 0u);
  EXPECT_EQ(os.opens[0].share, 3u);
  EXPECT_EQ(os.opens[0].disposition, win::OPEN_EXISTING);
  EXPECT_EQ(os.opens[0].flags, 0u);
  ASSERT_EQ(os.controls.size(), 1u);
  EXPECT_EQ(os.controls[0].code, win::IOCTL_STORAGE_GET_DEVICE_NUMBER);
  EXPECT_EQ(os.controls[0].inBytes, 0u);
  EXPECT_EQ(os.controls[0].outBytes, 12u);
  EXPECT_EQ(os.closes, std::vector<platform::Handle>{os.opens[0].result});
}

TEST_F(DriveLettersTest, VolumesComeInLetterOrderAndAtMostFour) {
  struct Row {
    std::vector<std::string> letters;
    std::array<std::string, 4> volumes;
    bool found;
  };
  const Row rows[] = {
      {{"F:", "E:", "G:"}, {"E:", "F:", "G:", ""}, true},
      {{"D:", "E:", "F:", "G:", "H:"}, {"D:", "E:", "F:", "G:"}, true},
      {{"Z:"}, {"Z:", "", "", ""}, true},
      {{}, {"", "", "", ""}, false},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.letters.size());
    platform::sim::SimOs machine;
    machine.AddDrive(2, Stick(1ull << 30, r.letters));
    machine.AddDrive(4, Stick(1ull << 30, {"Y:"}));  // another drive's letter is never taken
    core::Context c{machine, win};
    std::array<std::string, 4> v{"stale", "stale", "stale", "stale"};
    EXPECT_EQ(Get_Drive_Volumes(c, 2, v[0], v[1], v[2], v[3]), r.found);
    EXPECT_EQ(v, r.volumes);
    EXPECT_EQ(machine.OpenHandleCount(), 0);
  }
}

TEST_F(DriveLettersTest, GetDriveLetterOfTheSystemDiskWithTraces) {
  sim.AddDrive(1, Stick(1ull << 30, {"E:", "F:"}));
  EXPECT_EQ(GetDriveLetter(ctx, 0), "C:");
  EXPECT_EQ(ctx.state.DriveLetter1, "C:");
  EXPECT_EQ(ctx.state.DriveLetter2, "");
  EXPECT_EQ(GetDriveLetter(ctx, 1), "E:");
  EXPECT_EQ(ctx.state.DriveLetter2, "F:");
  EXPECT_EQ(GetDriveLetter(ctx, 5), "");
  EXPECT_EQ(ctx.state.DriveLetter1, "");
  EXPECT_EQ(ctx.state.DriveLetter2, "");
  ExpectTranscript(Traces(), {
      " GetDriveLetter 0", " Get_Drive_Volumes for drive 0", " GetDriveLetter returned C:",
      " GetDriveLetter 1", " Get_Drive_Volumes for drive 1", " GetDriveLetter returned E:",
      " GetDriveLetter 5", " Get_Drive_Volumes for drive 5", " GetDriveLetter returned ",
  });
}

TEST_F(DriveLettersTest, EveryLetterFromCToZIsAskedOnce) {
  std::vector<std::string> v(4);
  Get_Drive_Volumes(ctx, 1, v[0], v[1], v[2], v[3]);
  std::vector<std::string> names;
  for (const testing::OpenRecord& o : os.opens) names.push_back(o.name);
  std::vector<std::string> expected;
  for (char c = 'C'; c <= 'Z'; ++c) expected.push_back(std::string("\\\\.\\") + c + ":");
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace sw::diskio
