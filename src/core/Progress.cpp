// Phase timing and request counts of the run's record, and the hand-over to the window.
#include "core/Progress.h"

namespace sw::core {

void ReportProgress(Context& ctx, ProgressUpdate update, Direction direction) {
  State& s = ctx.state;
  const std::uint32_t now = ctx.os.GetTickCount();
  std::vector<PhaseRecord>& phases = s.LastRun.phases;
  if (phases.empty() || phases.back().name != update.phase || update.done < s.PhaseDone) {
    phases.push_back({update.phase, direction, 0, 0});
    s.PhaseStartTick = now;
  }
  s.PhaseDone = update.done;
  // Unsigned difference: right across the tick counter's wrap after 49.7 days as well.
  update.elapsedSeconds = static_cast<double>(now - s.PhaseStartTick) / 1000.0;
  if (update.remainingSeconds < 0 && update.done > 0 && update.total >= update.done) {
    update.remainingSeconds = update.elapsedSeconds *
                              static_cast<double>(update.total - update.done) /
                              static_cast<double>(update.done);
  }
  phases.back().bytes = update.bytesMoved;
  phases.back().seconds = update.elapsedSeconds;
  ctx.win.ShowProgress(update);
}

void CountWrite(Context& ctx, std::uint64_t bytes, bool ok) {
  TransferFigures& t = ctx.state.LastRun.transfers;
  ++t.writeRequests;
  if (ok) {
    t.bytesWritten += bytes;
  } else {
    ++t.writeErrors;
  }
}

void CountRead(Context& ctx, std::uint64_t bytes, bool ok) {
  TransferFigures& t = ctx.state.LastRun.transfers;
  ++t.readRequests;
  if (ok) {
    t.bytesRead += bytes;
  } else {
    ++t.readErrors;
  }
}

}  // namespace sw::core
