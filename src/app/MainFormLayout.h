// The main window's controls as data: name, kind, caption, tooltip, twips position and size,
// tab order, colours and fonts. The real window creates its controls from this table.
#pragma once

#include <array>
#include <cstdint>

#include "app/MainFormTexts.h"
#include "core/Window.h"

namespace sw::app {

enum class ControlKind { Button, ComboBox, DriveListBox, TextBox, Label, CheckBox };

// Colours are the platform's values, &H00BBGGRR.
inline constexpr std::uint32_t kSystemColour = 0xFFFFFFFFu;  // the kind's usual system colour

struct ControlFont {
  const char* name = nullptr;  // null: the window's default font
  double points = 0;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

struct ControlLayout {
  core::Control id;
  const char* name;
  ControlKind kind;
  const char* caption;  // caption or starting text; may be empty
  const char* tooltip;  // empty: none
  core::TwipsRect rect;       // within the client area
  int tabIndex;
  std::uint32_t backColour = kSystemColour;
  std::uint32_t foreColour = kSystemColour;
  bool graphical = false;  // push button drawn in its own back colour
  ControlFont font = {};
  bool visibleAtStart = true;
  bool centred = false;          // label text centred
  bool multiLineScroll = false;  // multi-line text with a vertical scroll bar
};

// The client area in twips.
inline constexpr int kClientWidth = 8055;
inline constexpr int kClientHeight = 6585;

inline constexpr std::uint32_t kLightCyan = 0x00FFFFC0u;
inline constexpr std::uint32_t kLightBlue = 0x00FFC0C0u;
inline constexpr std::uint32_t kLightYellow = 0x00C0FFFFu;
inline constexpr std::uint32_t kLightGrey = 0x00E0E0E0u;
inline constexpr std::uint32_t kLinkBlue = 0x00FF0000u;

// In tab order.
// clang-format off
inline constexpr std::array<ControlLayout, 18> kMainFormControls = {{
    {.id = core::Control::cmdVolumeTest, .name = "cmdVolumeTest", .kind = ControlKind::Button,
     .caption = "Test &Empty Space (Slow)",
     .tooltip = "This test fills up the drive with test files and then checks them.",
     .rect = {5670, 2010, 2220, 465}, .tabIndex = 0, .backColour = kLightCyan, .graphical = true},
    {.id = core::Control::cmdQuickTest, .name = "cmdQuickTest", .kind = ControlKind::Button,
     .caption = "&Quick Size Test (Destructive)",
     .tooltip = "This test will destroy all data on the drive - only a small number of sectors "
                "are tested (hold SHIFT key and click for debug mode).",
     .rect = {5640, 1200, 2235, 735}, .tabIndex = 1, .backColour = kLightBlue, .graphical = true,
     .font = {.name = "MS Sans Serif", .points = 9.75, .bold = true}},
    {.id = core::Control::Combo1, .name = "Combo1", .kind = ControlKind::ComboBox, .caption = "",
     .tooltip = "Select the drive you want to test",
     .rect = {150, 510, 6510, 315}, .tabIndex = 2, .backColour = kLightYellow},
    {.id = core::Control::Drive1, .name = "Drive1", .kind = ControlKind::DriveListBox, .caption = "",
     .tooltip = "",
     .rect = {2895, 30, 1800, 315}, .tabIndex = 3, .visibleAtStart = false},
    {.id = core::Control::cmdRefreshDrive, .name = "cmdRefreshDrive", .kind = ControlKind::Button,
     .caption = "&Refresh Drive List", .tooltip = "Use if you have inserted or removed a drive",
     .rect = {150, 105, 1635, 285}, .tabIndex = 4},
    {.id = core::Control::cmdCancel, .name = "cmdCancel", .kind = ControlKind::Button,
     .caption = "&Cancel", .tooltip = "Click to cancel (be patient!)",
     .rect = {6120, 4305, 1350, 495}, .tabIndex = 5, .visibleAtStart = false},
    {.id = core::Control::cmdcleanup, .name = "cmdcleanup", .kind = ControlKind::Button,
     .caption = "&Delete Test Files", .tooltip = "Deletes any test files ",
     .rect = {6030, 2610, 1485, 330}, .tabIndex = 6, .backColour = kLightCyan, .graphical = true},
    {.id = core::Control::cmdExit, .name = "cmdExit", .kind = ControlKind::Button,
     .caption = "E&xit", .tooltip = "Quit",
     .rect = {6645, 5970, 1350, 495}, .tabIndex = 7},
    {.id = core::Control::cmdCopy, .name = "cmdCopy", .kind = ControlKind::Button,
     .caption = "<<< Copy To ClipBoard", .tooltip = "Copy result text to ClipBoard",
     .rect = {5460, 5190, 1800, 375}, .tabIndex = 8},
    {.id = core::Control::Text1, .name = "Text1", .kind = ControlKind::TextBox, .caption = "",
     .tooltip = "",
     .rect = {135, 1005, 5310, 5475}, .tabIndex = 9, .backColour = kLightGrey,
     .multiLineScroll = true},
    {.id = core::Control::Label1, .name = "Label1", .kind = ControlKind::Label,
     .caption = "PLEASE NOTE: Due to large file transfers, the Cancel button may take a while "
                "to respond!",
     .tooltip = "",
     .rect = {5580, 3330, 2400, 780}, .tabIndex = 10, .visibleAtStart = false},
    {.id = core::Control::Label2, .name = "Label2", .kind = ControlKind::Label,
     .caption = form_text::kWebSite, .tooltip = "",
     .rect = {5655, 60, 2265, 285}, .tabIndex = 11, .foreColour = kLinkBlue,
     .font = {.name = "Arial", .points = 9.75, .bold = true, .italic = true, .underline = true},
     .centred = true},
    {.id = core::Control::chkShowAll, .name = "chkShowAll", .kind = ControlKind::CheckBox,
     .caption = "List all drives", .tooltip = "Display all drives in selection box",
     .rect = {6750, 600, 1245, 195}, .tabIndex = 12},
    // Beyond the designed window: in the free strip above the two test buttons, as the gaps
    // beside "Test Empty Space (Slow)" are too narrow for a check box.
    {.id = core::Control::chkThorough, .name = "chkThorough", .kind = ControlKind::CheckBox,
     .caption = form_text::kThoroughCaption, .tooltip = form_text::kThoroughTooltip,
     .rect = {5610, 885, 2385, 255}, .tabIndex = 13},
    // Beyond the designed window: beside "Refresh Drive List", in its height, in the free strip
    // above the drive list (the corner beside Exit is too narrow for the caption). Drive1 lies
    // there too, but is never shown.
    {.id = core::Control::cmdSaveReport, .name = "cmdSaveReport", .kind = ControlKind::Button,
     .caption = form_text::kSaveCaption, .tooltip = form_text::kSaveTooltip,
     .rect = {1905, 105, 1335, 285}, .tabIndex = 14},
    // Beyond the designed window: in the free space under "Delete Test Files", which the busy
    // layout gives to Label1 and Cancel while the button is hidden; as wide as "Test Empty Space"
    // and in the colour of the other test of the whole disk.
    {.id = core::Control::cmdProbe, .name = "cmdProbe", .kind = ControlKind::Button,
     .caption = form_text::kProbeCaption, .tooltip = form_text::kProbeTooltip,
     .rect = {5670, 3090, 2220, 465}, .tabIndex = 15, .backColour = kLightBlue, .graphical = true},
    // Beyond the designed window: under the probe, above where Cancel shows while a test runs,
    // in the colour of the tests that destroy the drive's data.
    {.id = core::Control::cmdSurface, .name = "cmdSurface", .kind = ControlKind::Button,
     .caption = form_text::kSurfaceCaption, .tooltip = form_text::kSurfaceTooltip,
     .rect = {5670, 3660, 2220, 465}, .tabIndex = 16, .backColour = kLightBlue, .graphical = true},
    // Under the full-surface test, where Cancel shows while a test runs (the two are never seen
    // together): shown once a test of the picked drive has measured its real end.
    {.id = core::Control::cmdFix, .name = "cmdFix", .kind = ControlKind::Button,
     .caption = form_text::kFixCaption, .tooltip = form_text::kFixTooltip,
     .rect = {5670, 4230, 2220, 465}, .tabIndex = 17, .backColour = kLightBlue, .graphical = true,
     .visibleAtStart = false},
}};
// clang-format on

// The row of a control.
constexpr const ControlLayout& LayoutOf(core::Control c) {
  for (const ControlLayout& row : kMainFormControls) {
    if (row.id == c) return row;
  }
  return kMainFormControls.front();  // unreachable: every control has a row (checked below)
}

namespace layout_check {
constexpr bool EveryControlOnceInTabOrder() {
  for (std::size_t i = 0; i < kMainFormControls.size(); ++i) {
    if (kMainFormControls[i].tabIndex != static_cast<int>(i)) return false;
    for (std::size_t j = i + 1; j < kMainFormControls.size(); ++j) {
      if (kMainFormControls[i].id == kMainFormControls[j].id) return false;
    }
  }
  return true;
}
constexpr bool EveryControlInsideClientArea() {
  for (const ControlLayout& row : kMainFormControls) {
    if (row.rect.left < 0 || row.rect.top < 0 || row.rect.left + row.rect.width > kClientWidth ||
        row.rect.top + row.rect.height > kClientHeight) {
      return false;
    }
  }
  return true;
}
}  // namespace layout_check

static_assert(layout_check::EveryControlOnceInTabOrder());
static_assert(layout_check::EveryControlInsideClientArea());

}  // namespace sw::app
