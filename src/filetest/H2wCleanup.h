// The clean-up of .h2w files that a thorough run left behind.
#pragma once

#include "core/Context.h"

namespace sw::filetest {

// Deletes SelectedVolume's N.h2w files whose first and last sectors hold the format for file
// N; others (a file of that name that is no test file) stay, with a line saying so, unless
// DeleteForeignH2w asks for them too. Logs nothing when there are no .h2w files.
void CleanupH2wFiles(core::Context& ctx);

}  // namespace sw::filetest
