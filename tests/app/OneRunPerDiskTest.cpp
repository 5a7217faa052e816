// One run per disk: while another run holds the stick, every command that would write to it (or
// delete from it) is refused before its first question, and touches nothing; the claim of a run
// lasts exactly as long as the run.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/MainForm.h"
#include "diskio/ClaimTexts.h"
#include "diskio/RunClaim.h"
#include "platform/WinApi.h"
#include "probe/JournalFile.h"
#include "probe/ProbeTexts.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::app {
namespace {

using core::Control;
using core::Outcome;

struct Command {
  const char* name;
  std::function<void(MainForm&, core::Context&, testing::ScriptedWindow&)> click;
};

class OneRunPerDisk : public ::testing::TestWithParam<Command> {
 protected:
  OneRunPerDisk() {
    platform::sim::AddDemoDrives(os);
    form.Form_Load();
    for (int i = 0; i < win.ListCount(Control::Combo1); ++i) {
      if (win.ListItem(Control::Combo1, i).rfind("F:", 0) == 0) win.SetListIndex(Control::Combo1, i);
    }
    form.Combo1_Click();
    win.boxes.clear();
  }
  platform::sim::SimOs os;
  testing::ScriptedWindow win;
  core::Context ctx{os, win};
  MainForm form{ctx};
};

TEST_P(OneRunPerDisk, ARunHoldingTheStickElsewhereRefusesThisOneAtOnce) {
  ASSERT_TRUE(ctx.state.Pinned.has_value());
  const std::string claim = diskio::RunClaimName(ctx.state.Pinned->identity);
  os.HoldMutexElsewhere(claim);
  const platform::sim::SimStats before = os.Stats();
  GetParam().click(form, ctx, win);
  ASSERT_EQ(win.boxes.size(), 1u) << "the refusal, and no question before it";
  EXPECT_EQ(win.boxes[0].prompt, diskio::text::kClaimedByAnotherRun);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
  EXPECT_EQ(os.Stats().sectorWrites, before.sectorWrites);
  EXPECT_EQ(os.Stats().fileBytesWritten, before.fileBytesWritten);
  EXPECT_EQ(os.OpenHandleCount(), 0);

  // Once the other run has ended, the same click runs, and its own claim ends with it.
  os.ReleaseMutexElsewhere(claim);
  win.boxes.clear();
  win.onMsgBox = [&](const testing::ShownBox&) {
    EXPECT_EQ(os.HeldMutexes(), std::vector<std::string>{claim}) << "held from the first question on";
  };
  GetParam().click(form, ctx, win);
  ASSERT_FALSE(win.boxes.empty());
  EXPECT_NE(win.boxes.front().prompt, diskio::text::kClaimedByAnotherRun);
  EXPECT_TRUE(os.HeldMutexes().empty());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachCommand, OneRunPerDisk,
    ::testing::Values(
        Command{"Quick", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdQuickTest_Click(); }},
        Command{"Probe", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdProbe_Click(); }},
        Command{"Full",
                [](MainForm& f, core::Context&, testing::ScriptedWindow& w) {
                  w.answers = {win::IDCANCEL};  // at the first question: the whole drive is slow
                  f.cmdSurface_Click();
                }},
        Command{"Fix", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdFix_Click(); }},
        Command{"Files",
                [](MainForm& f, core::Context&, testing::ScriptedWindow& w) {
                  w.answers = {win::IDCANCEL};  // at the consent question
                  f.cmdVolumeTest_Click();
                }},
        Command{"Cleanup", [](MainForm& f, core::Context& c, testing::ScriptedWindow&) {
                  const std::uint8_t header[9] = {1, 0, 0, 0, 'F', 'F', 'F', 0x0D, 0x0A};
                  ASSERT_TRUE(c.state.SelectedVolume == "F:");
                  static_cast<platform::sim::SimOs&>(c.os).AddVolumeFile("F:", "WARDFILE1.tmp", header);
                  f.cmdcleanup_Click();
                }}),
    [](const ::testing::TestParamInfo<Command>& param) { return std::string(param.param.name); });

// An Exact Probe of the stick that ended before it put its saved blocks back: a command that
// writes the drive now would have them put back over what it wrote (a new probe would even save
// its changed blocks as the originals), so it is refused before its first question.
class PendingRestore : public OneRunPerDisk {};

TEST_P(PendingRestore, IsPutBackBeforeAnyOtherRunWritesTheDrive) {
  ASSERT_TRUE(ctx.state.Pinned.has_value());
  const probe::JournalHeader header = probe::HeaderFor(ctx.state.Pinned->identity, "F:", "before");
  std::vector<std::uint8_t> journal = probe::EncodeHeader(header);
  const std::vector<std::uint8_t> block = probe::EncodeBlock(5, std::vector<std::uint8_t>(512, 0x22));
  journal.insert(journal.end(), block.begin(), block.end());
  ASSERT_TRUE(os.AppendStateFile(probe::JournalName(header), journal));
  const platform::sim::SimStats before = os.Stats();
  GetParam().click(form, ctx, win);
  ASSERT_EQ(win.boxes.size(), 1u) << "the refusal, and no question before it";
  EXPECT_EQ(win.boxes[0].prompt, std::string(probe::text::kJournalPending) + probe::text::kJournalPendingEnd);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
  EXPECT_EQ(os.Stats().sectorWrites, before.sectorWrites);
  EXPECT_EQ(*os.ReadStateFile(probe::JournalName(header)), journal);
  EXPECT_TRUE(os.HeldMutexes().empty());
  EXPECT_EQ(os.OpenHandleCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EachCommandThatWritesTheDrive, PendingRestore,
    ::testing::Values(
        Command{"Probe", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdProbe_Click(); }},
        Command{"Full", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdSurface_Click(); }},
        Command{"Fix", [](MainForm& f, core::Context&, testing::ScriptedWindow&) { f.cmdFix_Click(); }}),
    [](const ::testing::TestParamInfo<Command>& param) { return std::string(param.param.name); });

}  // namespace
}  // namespace sw::app
