// A stick swapped or pulled out while the consent box is open is not filled: both file tests
// end as cancelled with the line that says so, and no byte reaches the volume.
#include <gtest/gtest.h>

#include "diskio/PinnedDrive.h"
#include "diskio/IdentityTexts.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {
namespace {

class PinnedVolume : public VolumeRunTest {};

TEST_F(PinnedVolume, NothingIsWrittenToAStickThatIsNotThePickedOne) {
  struct Row {
    const char* what;
    bool thorough;
    bool swap;  // else unplugged
  };
  for (const Row& row : {Row{"plain, swapped", false, true}, Row{"plain, unplugged", false, false},
                         Row{"thorough, swapped", true, true}, Row{"thorough, unplugged", true, false}}) {
    SCOPED_TRACE(row.what);
    AddStick(1, "E:", 250'000'000);
    diskio::PinSelectedVolume(ctx, "E:");
    ASSERT_TRUE(ctx.state.Pinned.has_value());
    ctx.state.ThoroughMode = row.thorough;
    win.onMsgBox = [&](const sw::testing::ShownBox& box) {
      if (box.prompt.rfind("OK to fill", 0) != 0) return;
      if (row.swap) {
        sim.SwapDrive(1);
      } else {
        sim.RemoveDrive(1);
      }
    };
    const std::uint64_t writtenBefore = sim.Stats().fileBytesWritten;
    Run();
    EXPECT_EQ(Lines().back(), row.swap ? diskio::text::kDriveChanged : diskio::text::kDriveGone);
    EXPECT_EQ(ctx.state.LastOutcome, core::Outcome::Cancelled);
    EXPECT_EQ(sim.Stats().fileBytesWritten, writtenBefore);
    win.onMsgBox = nullptr;
    win.SetText(core::Control::Text1, "");
    ctx.state.Pinned.reset();
    ctx.state.IdentityLost = core::IdentityCheck::Same;
  }
}

}  // namespace
}  // namespace sw::filetest::testing
