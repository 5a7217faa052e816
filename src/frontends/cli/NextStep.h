// After a test that FAILED: the exact commands that give the drive one partition of the
// recommended size, so that it holds only memory that is really there.
#pragma once

#include <string>

#include "core/RunRecord.h"

namespace sw::frontends::cli {

// Empty unless the run failed and recommends a size. A drive named /dev/... gets parted and
// mkfs commands; any other (\\.\PhysicalDriveN) the lines to type into diskpart.
std::string NextStepText(const core::RunRecord& run);

}  // namespace sw::frontends::cli
