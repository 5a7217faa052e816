// Names and fixed values of the Win32 main window that are not part of the designed layout.
#pragma once

namespace sw::frontends::win32 {

inline constexpr const char* kWindowClassName = "SizeWardenForm1";
// Controls are numbered from here in layout-table order. Numbers 1 and 2 are left alone: the
// dialog manager sends them for Enter and Esc.
inline constexpr int kFirstControlId = 100;

// The font of every control without one of its own (the dialog font of the system).
inline constexpr const char* kDefaultFontName = "MS Shell Dlg 2";
inline constexpr double kDefaultFontPoints = 8.0;

// The open list of a drop-down list box, in field heights.
inline constexpr int kDropDownRows = 8;
// Border and padding of a drop-down list's field around its text (pixels at any DPI).
inline constexpr int kComboFieldPadding = 6;
// Tooltips wrap at this width (pixels at 96 DPI).
inline constexpr int kTooltipWidth = 320;

inline constexpr const char* kOpenVerb = "open";

// The save question of "Save Report...": pairs of shown name and pattern, each ended by a NUL,
// the list by a second NUL (the literal's own).
inline constexpr char kSaveFilter[] = "Text files (*.txt)\0*.txt\0All files (*.*)\0*.*\0";
inline constexpr const char* kSaveDefaultExtension = "txt";

}  // namespace sw::frontends::win32
