// Free space of a volume and the "Delete Test Files" button.
#pragma once

#include <string>

#include "core/Context.h"

namespace sw::filetest {

// Bytes free to the caller on the volume (or a folder on it); 0 when the query fails.
double FreeDiskSpace(core::Context& ctx, const std::string& sDriveLetter);
// Deletes leftover WARDFILE*.tmp files of SelectedVolume, logging one line when there were any.
void cmdcleanup_Click(core::Context& ctx);

}  // namespace sw::filetest
