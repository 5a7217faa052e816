// The drive list: which drives are examined and listed, the text of each entry, the selection.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/WinApi.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::app {
namespace {

using core::Context;
using core::Control;

using platform::sim::SimDriveSpec;
using platform::sim::SimOs;
using platform::sim::SimVolumeSpec;

constexpr std::uint64_t kGB = 1'000'000'000ull;

SimVolumeSpec Volume(const std::string& letter, const std::string& label) {
  SimVolumeSpec v;
  v.letter = letter;
  v.label = label;
  return v;
}

SimDriveSpec Drive(std::uint64_t bytes, std::vector<SimVolumeSpec> volumes) {
  SimDriveSpec config;
  config.announcedBytes = bytes;
  config.volumes = std::move(volumes);
  return config;
}

class DriveList : public ::testing::Test {
 protected:
  std::vector<std::string> Items() {
    std::vector<std::string> items;
    for (int i = 0; i < win.ListCount(Control::Combo1); ++i)
      items.push_back(win.ListItem(Control::Combo1, i));
    return items;
  }
  // The summary part of an entry ("[DRIVE n] ..."), as the entry ends with it.
  static std::string Summary(const std::string& entry) {
    return entry.substr(entry.find("[DRIVE "));
  }

  SimOs os;
  testing::ScriptedWindow win;
  Context ctx{os, win};
  MainForm form{ctx};
};

TEST_F(DriveList, NoDriveLeavesAnEmptyListAndAColon) {
  ctx.state.SelectedVolume = "E:";
  form.Drive1_Change();
  EXPECT_TRUE(Items().empty());
  EXPECT_EQ(win.ListIndex(Control::Combo1), -1);
  EXPECT_EQ(ctx.state.SelectedVolume, ":");
}

TEST_F(DriveList, EntryNamesVolumesLabelAndSummary) {
  os.AddDrive(1, Drive(32 * kGB, {Volume("E:", "STICK")}));
  os.AddDrive(2, Drive(16 * kGB, {Volume("F:", "PART1"), Volume("G:", "PART2")}));
  form.Drive1_Change();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].substr(0, items[0].find("[DRIVE ")), "E:     STICK   ");
  EXPECT_EQ(items[1].substr(0, items[1].find("[DRIVE ")), "F: G:    PART1   ");
  EXPECT_EQ(Summary(items[0]).rfind("[DRIVE 1]   ", 0), 0u);
  EXPECT_EQ(Summary(items[1]).rfind("[DRIVE 2]   ", 0), 0u);
  EXPECT_EQ(win.ListIndex(Control::Combo1), 0);
  EXPECT_EQ(ctx.state.SelectedVolume, "E:");
  // Four letters (C: E: F: G:) examine drives 1 to 3; the number stays at the last one examined.
  EXPECT_EQ(ctx.state.DiskNumber, 3);
  EXPECT_EQ(ctx.state.hDrive, platform::kInvalidHandle);
  EXPECT_EQ(os.OpenHandleCount(), 0);

  win.SetListIndex(Control::Combo1, 1);
  form.Combo1_Click();
  EXPECT_EQ(ctx.state.SelectedVolume, "F:");
}

TEST_F(DriveList, DriveWithoutALetterStartsWithABlank) {
  os.AddDrive(1, Drive(8 * kGB, {}));
  os.AddCdRomLetter("D:");
  form.Drive1_Change();
  const auto items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].substr(0, items[0].find("[DRIVE ")), std::string(5 + 14 + 3, ' '));
  EXPECT_EQ(ctx.state.SelectedVolume, " :");
}

TEST_F(DriveList, ThreeLettersExamineDrivesOneAndTwoOnly) {
  os.AddDrive(1, Drive(8 * kGB, {Volume("E:", "ONE")}));
  os.AddDrive(2, Drive(8 * kGB, {Volume("F:", "TWO")}));
  os.AddDrive(3, Drive(8 * kGB, {}));
  os.AddDrive(4, Drive(8 * kGB, {}));
  ASSERT_EQ(os.LogicalDrives().size(), 3u);
  form.Drive1_Change();
  const auto items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(Summary(items[1]).rfind("[DRIVE 2]", 0), 0u);
  EXPECT_EQ(ctx.state.DiskNumber, 2);
}

TEST_F(DriveList, LabelsBlankMissingOrUnreadable) {
  SimVolumeSpec noMedia = Volume("G:", "CARD");
  noMedia.noMedia = true;
  os.AddDrive(1, Drive(8 * kGB, {Volume("E:", "")}));
  os.AddDrive(2, Drive(8 * kGB, {Volume("F:", "   ")}));
  os.AddDrive(3, Drive(8 * kGB, {noMedia}));
  os.AddDrive(4, Drive(8 * kGB, {Volume("H:", " MY DATA")}));
  os.AddCdRomLetter("D:");
  form.Drive1_Change();
  const auto items = Items();
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].substr(0, 7 + 10 + 3), "E:     (no label)   ");
  EXPECT_EQ(items[1].substr(0, 7 + 10 + 3), "F:     (no label)   ");
  EXPECT_EQ(items[2].substr(0, 7 + 14 + 3), "G:     " + std::string(14 + 3, ' '));
  EXPECT_EQ(items[3].substr(0, 7 + 8 + 3), "H:      MY DATA   ");

  std::string label = "x";
  form.GetVolumeLabel("E:", label);
  EXPECT_EQ(label, "(no label)");
  form.GetVolumeLabel("Q:", label);
  EXPECT_EQ(label, std::string(14, ' '));
}

TEST_F(DriveList, OnlyUsbUnlessAllAndNeverWithoutASize) {
  SimDriveSpec sata = Drive(500 * kGB, {Volume("E:", "DISK")});
  sata.busType = win::BusTypeSata;
  SimDriveSpec tiny = Drive(8'000'000, {Volume("F:", "TINY")});  // below one cylinder
  SimDriveSpec mute = Drive(8 * kGB, {Volume("G:", "MUTE")});
  mute.readCapacityFails = true;
  mute.diskLengthFails = true;
  os.AddDrive(1, sata);
  os.AddDrive(2, tiny);
  os.AddDrive(3, mute);
  os.AddDrive(4, Drive(16 * kGB, {Volume("H:", "USB")}));
  os.AddCdRomLetter("D:");

  form.Drive1_Change();
  auto items = Items();
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items[0].substr(0, 2), "H:");

  ctx.state.ShowAllDrives = true;
  form.cmdRefreshDrive_Click();
  items = Items();
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].substr(0, 2), "E:");
  EXPECT_EQ(items[1].substr(0, 2), "H:");
  EXPECT_EQ(ctx.state.SelectedVolume, "E:");
  for (const std::string& item : items) EXPECT_EQ(item.find("[DRIVE 0]"), std::string::npos);
}

}  // namespace
}  // namespace sw::app
