// The Quick Size Test's findings as the run's record.
#pragma once

#include "core/Context.h"
#include "quicktest/QuickSizeTest.h"

namespace sw::quicktest {

// Restarts LastRun for a Quick Size Test of the drive just identified.
void StartQuickRecord(core::Context& ctx);
// Verdict, sizes and bad range of a finished (or refused, cancelled, aborted) run.
void RecordQuickResult(core::Context& ctx, const QuickTestResult& result, double elapsedSeconds);

}  // namespace sw::quicktest
