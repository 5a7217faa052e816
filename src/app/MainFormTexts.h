// Every text of the main window: title parts, web addresses, introduction, farewell, warnings.
#pragma once

#include <array>

namespace sw::app::form_text {

// Title: "SIZEWARDEN v1.0.0  [Zentrel]" (two blanks before the maker's tag).
inline constexpr const char* kTitlePrefix = "SIZEWARDEN v";
inline constexpr const char* kTitleSuffix = "  [Zentrel]";

// The maker's web presence: the link label's caption, the tutorial page it opens, and the two
// addresses of the farewell box.
inline constexpr const char* kWebSite = "www.sizewarden.net";
inline constexpr const char* kWebForum = "forum.sizewarden.net";
inline constexpr const char* kTutorialUrl =
    "https://www.sizewarden.net/tutorials/-fake-usb-flash-memory-drives";

inline constexpr const char* kFarewellStart = "Thanks for using SIZEWARDEN - Please visit ";
inline constexpr const char* kFarewellJoin = " and ";
inline constexpr const char* kFarewellEnd =
    " for more information on Fake Flash Memory and lots of other interesting things!";

inline constexpr const char* kShowAllWarning = "WARNING: All drives in the system will be listed!";

// The introduction box, line by line (the leading blanks belong to the text).
inline constexpr std::array<const char*, 25> kIntroduction = {
    "",
    "This utility tests the size of the memory in your USB Flash drive or SD card.",
    "",
    "Many FAKE SD cards and USB Flash drives are made to deceive you.",
    "",
    "Example: a 32GB SD card may contain only 4GB of memory.",
    "Once you fill the card up with 4GB of files, it will be corrupted",
    "and you will lose all your data, files and photos!",
    "",
    "QUICK SIZE TEST (fastest and best)",
    "  This test checks your drive and reports the true capacity.",
    "  It will report if your drive is a fake or not.",
    "  Note: This is a destructive test and you will lose all your files.",
    "",
    "TEST EMPTY SPACE",
    "  This test writes files to any remaining free space on one",
    "  volume of your drive. This test is not destructive.",
    "  If the drive is a fake then you may lose all your data.",
    "",
    "    WARNING: ",
    "    If you have any valuable files on the drive you want to",
    "    test, please backup it up first.",
    "",
    "NOTE: During testing, this utility may respond very slowly",
    "to the Cancel button - just click once and wait!",
};

// The thorough file test's check box, beyond the designed window.
inline constexpr const char* kThoroughCaption = "Thorough (check every byte)";
inline constexpr const char* kThoroughTooltip =
    "Test Empty Space fills the free space with .h2w files (the H2testw format) and checks "
    "every byte";

// "Save Report...", beyond the designed window: the report text and the drive map to files.
inline constexpr const char* kSaveCaption = "Save Report...";
inline constexpr const char* kSaveTooltip = "Save the result text, and a map of the tested drive beside it";
inline constexpr const char* kSaveTitle = "Save Report";
inline constexpr const char* kSaveSuggestedName = "SizeWarden report.txt";
inline constexpr const char* kSaveNothing = "There is no report to save yet: run a test first.";
inline constexpr const char* kSaveCannotWrite = "The file could not be written: ";
inline constexpr const char* kSaveReason = "Reason: ";
inline constexpr const char* kSaveNothingSaved = "Nothing was saved.";
inline constexpr const char* kSaveMapNotSaved = "The report was saved, the drive map was not.";
inline constexpr const char* kSavedReport = "The report was saved as ";
inline constexpr const char* kSavedMap = "and the drive map as ";
inline constexpr const char* kSavedEnd = ".";

// The exact probe's button, beyond the designed window.
inline constexpr const char* kFixCaption = "&Make Usable...";
inline constexpr const char* kFixTooltip =
    "Writes one partition to the real end the last test measured and formats it; DESTROYS ALL DATA.";
inline constexpr const char* kSurfaceCaption = "&Full Surface Test";
inline constexpr const char* kSurfaceTooltip =
    "Writes every sector and reads it back, and stops soon after a fake's memory runs out; "
    "DESTROYS ALL DATA (hold SHIFT key and click for debug mode).";
inline constexpr const char* kProbeCaption = "Exact &Probe";
inline constexpr const char* kProbeTooltip =
    "Finds the exact last good sector and the kind of fake; every block it writes is saved "
    "first and put back (hold SHIFT key and click for debug mode).";

}  // namespace sw::app::form_text
