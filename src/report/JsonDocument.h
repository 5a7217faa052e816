// The run's result as a versioned JSON document (docs/json.md describes every field).
#pragma once

#include <string>
#include <vector>

#include "core/RunRecord.h"

namespace sw::report {

// Bumped when a field changes meaning or goes away; new fields keep the version.
inline constexpr int kJsonFormatVersion = 2;

// The document of a test command (quick, probe, files), indented, ending in a line break.
std::string RunJson(const core::RunRecord& run);
// The document of the list command: every listed drive; errors, when there are any, say why
// the list is not the answer (verdict not_run).
std::string ListJson(const std::vector<core::DriveRecord>& drives, bool allDrives,
                     const std::vector<core::RunError>& errors);

}  // namespace sw::report
