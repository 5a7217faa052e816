// The Exact Probe button: the drives it refuses, its two questions, a disk swapped or still in
// use, Cancel during the run, and the data it must give back.
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "drives/TextFormat.h"

#include "core/Layouts.h"
#include "diskio/IdentityTexts.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/SectorIO.h"
#include "drives/DriveList.h"
#include "probe/ProbeCommand.h"
#include "quicktest/QuickTestCommand.h"
#include "quicktest/QuickTestFixture.h"

namespace sw::probe {
namespace {

using core::Control;
using core::Outcome;
using platform::sim::SimDriveSpec;
using quicktest::GB;
using quicktest::kCylinder;
using quicktest::kDisk;

constexpr const char* kOldReport = "an earlier report";
const std::string kDevice = "Device: drive 1 (E:): SIMTEK Flash Disk, serial SIM0000001, 526,417,920 bytes";
const std::string kSummary = "[DRIVE 1]     502.0MiB SIMTEK Flash Disk" + std::string(14, ' ');

class ProbeCommand : public quicktest::QuickTestFixture {
 protected:
  void SetUp() override {
    core::Hide_Cancel(ctx);  // the idle layout the window starts in
    ctx.state.WindowTitle = "SIZEWARDEN v1.0.0  [Zentrel]";
    win.SetText(Control::Text1, kOldReport);
  }
  void Click(std::deque<int> answers = {win::IDOK, win::IDOK}) {
    win.answers = std::move(answers);
    cmdProbe_Click(ctx);
  }
  void ExpectIdle() {
    EXPECT_FALSE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Visible(Control::cmdProbe));
    EXPECT_TRUE(win.Enabled(Control::cmdProbe));
    EXPECT_FALSE(ctx.state.TestRunning);
  }
  // Puts a recognisable block on each sector, as data the user keeps on the stick.
  void Plant(const std::vector<std::uint64_t>& sectors) {
    diskio::Open_Physical_Disk_hDrive(ctx, kDisk, diskio::DriveSharing::NoOtherWriter);
    ctx.state.SectorBuffer.Resize(512);
    for (std::uint64_t s : sectors) {
      ctx.state.SectorBuffer.Fill(static_cast<std::uint8_t>(0x40 + s % 97));
      ASSERT_TRUE(diskio::WriteSectors(ctx, static_cast<std::int64_t>(s), 1));
    }
    diskio::MyCloseHandle(ctx, ctx.state.hDrive);
    writesBefore = sim.Stats().sectorWrites;
  }
  void ExpectPlanted(const std::vector<std::uint64_t>& sectors) {
    for (std::uint64_t s : sectors) {
      EXPECT_TRUE(AllBytes(Sector(s), static_cast<std::uint8_t>(0x40 + s % 97))) << "sector " << s;
    }
  }
  std::uint64_t writesBefore = 0;
};

struct RefusalRow {
  const char* name;
  int disk;             // drive that carries the selected letter (0: the system's C:, -1: a CD-ROM)
  bool systemDisk;      // that drive holds the running system
  std::uint64_t bytes;  // its announced size
  const char* box;      // the refusal box, or "" for a silent refusal
};

// The checks live in one place for both tests of the raw disk: each button refuses alike.
TEST_F(ProbeCommand, BothRawDiskButtonsRefuseWithoutTouchingTheDrive) {
  const RefusalRow rows[] = {
      {"drive 0", 0, false, 0, ""},
      {"not a disk", -1, false, 0, ""},
      {"drive 81", 81, false, 16 * GB, ""},
      {"system disk", 3, true, 16 * GB, "This drive holds the running system and cannot be tested."},
      {"no usable size", 4, false, 4'000'000, "Please run this application with Administrator rights."},
  };
  for (const auto& [button, click] : {std::pair{"quick", &quicktest::cmdQuickTest_Click},
                                      std::pair{"probe", &cmdProbe_Click}}) {
    for (const RefusalRow& row : rows) {
      SCOPED_TRACE(std::string(button) + ": " + row.name);
      win.boxes.clear();
      win.SetText(Control::Text1, kOldReport);
      ctx.state.LastOutcome = Outcome::Passed;
      sim.SetSystemDisk(row.systemDisk ? row.disk : 0);
      // The machine is built in the first round; the second picks the same drives again.
      const bool firstRound = std::string(button) == "quick";
      if (row.disk == 0) {
        Select("C:");
      } else if (row.disk < 0) {
        if (firstRound) sim.AddCdRomLetter("R:");
        Select("R:");
      } else {
        const std::string letter = std::string(1, static_cast<char>('G' + row.disk % 16)) + ":";
        if (firstRound) {
          AddSelected(row.disk, letter, row.bytes);
        } else {
          Select(letter);
        }
      }
      const std::uint64_t writes = sim.Stats().sectorWrites;
      win.answers = {win::IDOK, win::IDOK};
      click(ctx);
      EXPECT_EQ(sim.Stats().sectorWrites, writes);
      EXPECT_EQ(win.Text(Control::Text1), kOldReport);
      EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
      if (*row.box == 0) {
        EXPECT_TRUE(win.boxes.empty());
      } else {
        ASSERT_EQ(win.boxes.size(), 1u);
        EXPECT_EQ(win.boxes[0].prompt, row.box);
        EXPECT_EQ(win.boxes[0].style, win::MB_ICONCRITICAL);
        EXPECT_EQ(win.boxes[0].title, "SIZEWARDEN");
      }
      ExpectIdle();
      EXPECT_TRUE(win.Visible(Control::cmdQuickTest));
    }
  }
}

TEST_F(ProbeCommand, CancelInEitherQuestionLeavesTheDriveAlone) {
  struct Row {
    bool destructive;
    int cancelledAt;
    const char* heading;
    std::string first;
    std::string second;
  };
  const std::string details = "\r\n\r\n" + kSummary + "\r\n\r\n";
  const Row rows[] = {
      {false, 1, "SWD - Exact Probe (non-destructive)",
       "The Exact Probe writes test blocks across the whole drive. Every block it overwrites is read "
       "and saved first and written back at the end, so the data on the drive is kept." +
           details +
           "Do not unplug the drive or close this program until the probe has ended: the saved "
           "blocks are put back only then.",
       ""},
      {false, 2, "SWD - Exact Probe (non-destructive)", "",
       "ARE YOU SURE IT IS OK TO PROBE DRIVE 1? Its volumes are unmounted while the probe runs; "
       "their data is kept."},
      {true, 1, "SWD - Exact Probe (destructive)",
       "WARNING: This test will DESTROY DATA on the whole drive: the blocks it writes are not saved "
       "(destructive probe)." +
           details + "You will need to reformat it afterwards.",
       ""},
      {true, 2, "SWD - Exact Probe (destructive)", "",
       "ARE YOU SURE IT IS OK TO ERASE ALL VOLUMES ON DRIVE 1?"},
  };
  AddSelected(kDisk, "E:", 64 * kCylinder);
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.heading) + " at " + std::to_string(row.cancelledAt));
    ctx.state.Pinned.reset();  // a new pick each time
    ctx.state.ProbeDestructive = row.destructive;
    win.boxes.clear();
    Click(row.cancelledAt == 1 ? std::deque<int>{win::IDCANCEL} : std::deque<int>{win::IDOK, win::IDCANCEL});

    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    ASSERT_EQ(win.boxes.size(), static_cast<std::size_t>(row.cancelledAt));
    const auto& asked = win.boxes.back();
    EXPECT_EQ(asked.prompt, (row.cancelledAt == 1 ? row.first : row.second) + "\r\n\r\n" + kDevice);
    EXPECT_EQ(asked.title, "Exact Probe");
    // Both questions warn, and Enter answers Cancel.
    EXPECT_EQ(asked.style, win::MB_OKCANCEL | win::MB_ICONWARNING | win::MB_DEFBUTTON2);
    const std::vector<std::string> expected = {"SIZEWARDEN v1.0.0  [Zentrel]", kSummary, row.heading,
                                               "E:  [STICK]", kDevice};
    EXPECT_EQ(win.Lines(), expected);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
    ExpectIdle();
  }
}

TEST_F(ProbeCommand, ADriveSwappedAtAQuestionIsNotTouched) {
  AddSelected(kDisk, "E:", 64 * kCylinder);
  drives::Combo1_Change(ctx);  // the user's pick
  for (std::size_t box : {0u, 1u}) {
    SCOPED_TRACE(box);
    bool swapped = false;
    win.boxes.clear();
    win.onMsgBox = [&](const testing::ShownBox&) {
      if (win.boxes.size() == box + 1 && !swapped) {
        sim.SwapDrive(kDisk);
        swapped = true;
      }
    };
    Click();
    ASSERT_TRUE(swapped);
    EXPECT_EQ(win.Lines().back(), diskio::text::kDriveChanged);
    EXPECT_EQ(sim.Stats().sectorWrites, 0u);
    EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled) << "aborted: exit status 3";
    EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::None) << "no verdict on a drive not probed";
    ExpectIdle();
    drives::Combo1_Change(ctx);  // the next round picks the stick now plugged in
  }
  win.onMsgBox = nullptr;
}

class ProbeClaim : public ProbeCommand, public ::testing::WithParamInterface<bool> {};

TEST_P(ProbeClaim, ADiskStillMountedOrHeldIsRefusedBeforeTheFirstWrite) {
  const bool held = GetParam();
  AddSelected(kDisk, "E:", 64 * kCylinder);
  if (held) {
    os.heldByAnother = true;
  } else {
    os.mounts = {{"/dev/sdb1", "/media/me/STICK", {"4242 (bash)"}}};
  }
  Click();
  EXPECT_EQ(sim.Stats().sectorWrites, 0u);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::NotRun);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Refused);
  EXPECT_EQ(os.remounts, 1) << "what was unmounted is mounted again";
  ASSERT_EQ(win.boxes.size(), 3u);
  EXPECT_NE(win.boxes[2].prompt.find("Nothing was written"), std::string::npos) << win.boxes[2].prompt;
  EXPECT_EQ(win.Text(Control::Text1).find("PASSED"), std::string::npos);
  ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(MountedOrHeld, ProbeClaim, ::testing::Bool());

TEST_F(ProbeCommand, BusyLayoutWhileTheEngineRunsThenIdle) {
  AddSelected(kDisk, "E:", 64 * kCylinder);
  int checkedAt = 0;
  win.onDoEvents = [&](int yield) {
    if (checkedAt != 0) return;
    checkedAt = yield;
    EXPECT_TRUE(win.Visible(Control::cmdCancel));
    EXPECT_TRUE(win.Enabled(Control::cmdCancel));
    for (Control c :
         {Control::cmdProbe, Control::cmdQuickTest, Control::cmdVolumeTest, Control::cmdcleanup}) {
      EXPECT_FALSE(win.Visible(c));
      EXPECT_FALSE(win.Enabled(c));
    }
    EXPECT_FALSE(win.Enabled(Control::Combo1));
  };
  Click();
  EXPECT_GE(checkedAt, 1);
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Passed);
  ExpectIdle();
}

// The quick test wipes sector 0 so that nothing mounts what its markers left; the probe puts
// every block back instead, sector 0 with the rest, and the verdict follows the drive.
struct KeepRow {
  const char* name;
  std::uint64_t realBytes;  // 0: genuine
  Outcome outcome;
};

class ProbeKeeps : public ProbeCommand, public ::testing::WithParamInterface<KeepRow> {};

TEST_P(ProbeKeeps, TheDataOfTheDrive) {
  const KeepRow row = GetParam();
  SimDriveSpec config;
  config.realBytes = row.realBytes;
  config.kind = row.realBytes == 0 ? platform::sim::FakeKind::Good : platform::sim::FakeKind::Limbo;
  AddSelected(kDisk, "E:", 64 * kCylinder, config);
  Plant({0, 1, 63, 2048, 100'000, 524'287, 1'028'159});
  Click();
  EXPECT_EQ(ctx.state.LastOutcome, row.outcome);
  EXPECT_GT(sim.Stats().sectorWrites, writesBefore) << "the probe wrote";
  // On the fake, sector 1,028,159 lies in limbo: what was planted there was lost already.
  ExpectPlanted({0, 1, 63, 2048, 100'000, 524'287});
  EXPECT_NE(LineStartingWith("Original blocks restored: all of them."), "");
  EXPECT_EQ(os.remounts, 1) << "the file systems are given back";
  ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(GenuineAndFake, ProbeKeeps,
                         ::testing::Values(KeepRow{"genuine", 0, Outcome::Passed},
                                           KeepRow{"limbo", 256 << 20, Outcome::Failed}));

// The list shows the size cut to whole cylinders; the probe covers the whole drive as the device
// reports it, so a fake that lacks only what lies past the last cylinder is caught, and a genuine
// drive is good to its very last sector.
// Fakes that answer a probe as a genuine drive does (a memory that follows the writes and holds
// all the probe writes, a cache of more of the last writes than its largest flood) pass it: the
// report says "NO FAKE FOUND", never more, names what it could not rule out, and the full test.
class ProbeUnproven : public ProbeCommand, public ::testing::WithParamInterface<const char*> {};

TEST_P(ProbeUnproven, SaysWhatItCouldNotRuleOut) {
  SimDriveSpec config;
  config.realBytes = 32 * kCylinder;
  if (std::string(GetParam()) == "follow") {
    config.kind = platform::sim::FakeKind::Follow;
  } else {
    config.kind = platform::sim::FakeKind::Limbo;
    config.writeCacheSectors = 200'000;  // past the largest flood on this drive, 64 cylinders / 16
  }
  AddSelected(kDisk, "E:", 64 * kCylinder, config);
  Click();
  EXPECT_EQ(LineStartingWith("Kind of drive: "),
            "Kind of drive: NO FAKE FOUND (every sector the probe wrote, across the whole drive, kept what was "
            "written)");
  EXPECT_NE(LineStartingWith("Not ruled out by a probe: a drive that keeps only its last writes, more than "), "");
  EXPECT_NE(LineStartingWith("The Full-Surface Test writes every sector"), "");
  EXPECT_EQ(LineStartingWith("Kind of drive: GENUINE"), "");
}

INSTANTIATE_TEST_SUITE_P(FollowAndBigCache, ProbeUnproven, ::testing::Values("follow", "cache"));

class ProbeTail : public ProbeCommand, public ::testing::WithParamInterface<bool> {};

TEST_P(ProbeTail, CoversTheDriveToItsLastSectorPastTheLastWholeCylinder) {
  const bool genuine = GetParam();
  const std::uint64_t announced = 64 * kCylinder + 300 * 512;
  SimDriveSpec config;
  config.kind = genuine ? platform::sim::FakeKind::Good : platform::sim::FakeKind::Limbo;
  config.realBytes = genuine ? 0 : 64 * kCylinder;
  AddSelected(kDisk, "E:", announced, config);
  Click();
  EXPECT_EQ(ctx.state.LastOutcome, genuine ? Outcome::Passed : Outcome::Failed);
  const std::uint64_t realEnd = genuine ? announced : 64 * kCylinder;
  EXPECT_EQ(LineStartingWith("Last good sector: "), "Last good sector: " + std::to_string(realEnd / 512 - 1));
  const std::string bytes = drives::FormatDecimals(static_cast<double>(announced), "###,###,###,###,###0");
  EXPECT_NE(LineStartingWith("Announced size: " + bytes + " bytes"), "");
}

INSTANTIATE_TEST_SUITE_P(GenuineAndLackingItsTail, ProbeTail, ::testing::Bool());

// --destructive: no backup, so fewer writes than the probe that keeps the data, nothing put back
// and nothing mounted again; the findings are the same.
TEST_F(ProbeCommand, DestructiveProbeWritesLessAndKeepsNothing) {
  SimDriveSpec config;
  config.realBytes = 256 << 20;
  config.kind = platform::sim::FakeKind::Limbo;
  AddSelected(kDisk, "E:", 64 * kCylinder, config);
  Click();
  const std::uint64_t keepingWrites = sim.Stats().sectorWrites;
  const std::string lastGood = LineStartingWith("Last good sector: ");
  EXPECT_EQ(lastGood, "Last good sector: " + std::to_string((256 << 20) / 512 - 1));
  EXPECT_EQ(os.remounts, 1);

  ctx.state.ProbeDestructive = true;
  win.SetText(Control::Text1, "");
  Click();
  EXPECT_LT(sim.Stats().sectorWrites - keepingWrites, keepingWrites);
  EXPECT_EQ(LineStartingWith("Last good sector: "), lastGood);
  EXPECT_NE(LineStartingWith("Original blocks not restored (destructive probe)."), "");
  EXPECT_EQ(os.remounts, 1) << "a destructive probe mounts nothing again";
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Failed);
}

// Cancel at the k-th look at the window: the run ends as cancelled (exit status 3), with every
// block it had changed put back.
class ProbeCancel : public ProbeCommand, public ::testing::WithParamInterface<int> {};

TEST_P(ProbeCancel, DuringTheRunRestoresTheBlocks) {
  const int at = GetParam();
  const std::vector<std::uint64_t> planted = {0, 1, 2048, 100'000, 500'000};
  AddSelected(kDisk, "E:", 64 * kCylinder);
  Plant(planted);
  win.onDoEvents = [&](int yield) {
    if (yield == at) ctx.state.CancelRequested = true;
  };
  Click();
  // At the first look the engine has not started: nothing is written. Later the engine has
  // written its blocks, and put back what they covered.
  if (at == 1) {
    EXPECT_EQ(sim.Stats().sectorWrites, writesBefore);
  } else {
    EXPECT_GT(sim.Stats().sectorWrites, writesBefore);
  }
  EXPECT_EQ(ctx.state.LastOutcome, Outcome::Cancelled);
  EXPECT_EQ(ctx.state.LastRun.verdict, core::Verdict::Cancelled);
  EXPECT_NE(LineStartingWith("TEST ABORTED!"), "");
  EXPECT_EQ(LineStartingWith("Kind of drive"), "") << "no findings from a run cut short";
  ExpectPlanted(planted);
  EXPECT_EQ(win.boxes.size(), 2u) << "no verdict box";
  ExpectIdle();
}

INSTANTIATE_TEST_SUITE_P(AtEachLook, ProbeCancel, ::testing::Values(1, 2, 3, 5, 8));

}  // namespace
}  // namespace sw::probe
