// Whole runs of the volume file test on simulated sticks: the drive line in Combo1, the report
// compared line by line, and the boxes shown.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "core/Window.h"
#include "filetest/FileTestFixture.h"
#include "filetest/VolumeTestCommand.h"
#include "platform/WinApi.h"

namespace sw::filetest::testing {

inline const std::string kDriveLine = "[DRIVE 1]      7.6GiB SIMTEK  Flash Disk";
inline const std::string kSeemsGood =
    "The unused file space on this drive volume seems good, however to ensure the memory is not "
    "faulty, I recommend you run the Quick Size Test.";
inline const std::string kFaulty = "THIS DRIVE IS FAULTY - THE CONTENTS MAY NOW BE CORRUPT!";
inline const std::string kProbablyFake =
    "THIS DRIVE IS PROBABLY FAKE (COUNTERFEIT) OR FAULTY - THE CONTENTS MAY NOW BE CORRUPT!";

// The report's first lines up to the warning, for a volume with this many whole MB free.
inline std::vector<std::string> Heading(const std::string& freeMB) {
  return {"SWD - Volume File Test",
          "SIZEWARDEN v1.0.0  [Zentrel]",
          "",
          kDriveLine,
          "",
          "Warning: Testing " + freeMB + "MB out of reported drive size of 7844.23828125MB"};
}

inline void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

class VolumeRunTest : public FileTestFixture {
 protected:
  void SetUp() override {
    FileTestFixture::SetUp();
    win.AddItem(core::Control::Combo1, kDriveLine);
    win.SetListIndex(core::Control::Combo1, 0);
  }

  void Run() { cmdVolumeTest_Click(ctx); }

  // Each chunk written costs this much virtual time, as on a slow stick.
  void SecondsPerWrite(std::uint32_t seconds) {
    os.onWrite = [this, seconds] { sim.Advance(seconds * 1000); };
  }

  // The consent prompt for a volume with this many whole MB free, as the box shows it.
  static std::string Consent(const std::string& mb) {
    return "OK to fill E: with " + mb + "MB of test files?\r\n\r\n" +
           "WARNING: If this device is 'fake', this operation could corrupt all your files." +
           "\r\n\r\nTip: Close all instances of Windows Explorer to improve the speed.";
  }

  void ExpectLines(const std::vector<std::string>& expected) {
    const std::vector<std::string> actual = Lines();
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
      const std::string a = i < actual.size() ? actual[i] : "<missing>";
      const std::string e = i < expected.size() ? expected[i] : "<none>";
      EXPECT_EQ(a, e) << "line " << i + 1;
    }
  }

  void ExpectBoxes(const std::vector<sw::testing::ShownBox>& expected) {
    ASSERT_EQ(win.boxes.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_EQ(win.boxes[i].prompt, expected[i].prompt) << "box " << i + 1;
      EXPECT_EQ(win.boxes[i].style, expected[i].style) << "box " << i + 1;
      EXPECT_EQ(win.boxes[i].title, expected[i].title) << "box " << i + 1;
    }
  }

  // After a run the window is idle again: Cancel gone, the commands back.
  void ExpectIdleLayout() {
    EXPECT_FALSE(win.Visible(core::Control::cmdCancel));
    EXPECT_FALSE(win.Visible(core::Control::Label1));
    EXPECT_TRUE(win.Enabled(core::Control::cmdVolumeTest));
    EXPECT_TRUE(win.Visible(core::Control::cmdcleanup));
  }
};

}  // namespace sw::filetest::testing
