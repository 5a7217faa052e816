// The fix's report lines, verdict box and record.
#pragma once

#include "core/Context.h"
#include "fix/FixPlan.h"
#include "fix/FixRun.h"

namespace sw::fix {

// "14,998,831,104 bytes (14,304.0MiB)".
std::string SizeWords(std::uint64_t bytes);

void StartFixRecord(core::Context& ctx);
void ReportPlan(core::Context& ctx, const FixPlan& plan);
void ReportOutcome(core::Context& ctx, const FixPlan& plan, const FixOutcome& outcome);
void RecordFix(core::Context& ctx, const FixPlan& plan, const FixOutcome& outcome);
// A plan refused: its reason in the report and a box; nothing was written.
void ReportRefusal(core::Context& ctx, const std::string& why);

}  // namespace sw::fix
