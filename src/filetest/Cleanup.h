// Free space of a volume and the "Delete Test Files" button.
#pragma once

#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::filetest {

// Bytes free to the caller on the volume (or a folder on it); 0 when the query fails.
double FreeDiskSpace(core::Context& ctx, const std::string& sDriveLetter);
// Bytes per sector of the volume: what unbuffered file transfers must be whole multiples of.
// 512 when the system cannot tell.
std::uint32_t VolumeSectorSize(core::Context& ctx, const std::string& volume);
// Deletes leftover WARDFILE*.tmp files of SelectedVolume, logging one line when there were any.
void cmdcleanup_Click(core::Context& ctx);

}  // namespace sw::filetest
