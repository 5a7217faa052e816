// The list of drives offered for testing (Combo1) and the choice made from it (SelectedVolume).
#pragma once

#include <string>

#include "core/Context.h"

namespace sw::drives {

// Rebuilds Combo1 from physical drives 1 to (number of drive letters - 1): USB drives only
// unless ShowAllDrives, drives without a usable size never. Selects the first entry and records
// it in SelectedVolume. Leaves DiskNumber at the last drive scanned.
void Drive1_Change(core::Context& ctx);
// SelectedVolume = upper case of the first character of Combo1's text + ":" (":" when empty).
void Combo1_Change(core::Context& ctx);
// Label of the volume at root: 14 blanks when the query fails (or there is no root), the text
// before its first NUL otherwise, "(no label)" when that is blank.
void GetVolumeLabel(core::Context& ctx, const std::string& root, std::string& label);

}  // namespace sw::drives
