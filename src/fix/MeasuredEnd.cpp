// Which tests measure a real end, and which of two measurements of one disk counts.
#include "fix/MeasuredEnd.h"

#include <algorithm>
#include <string>

#include "diskio/PinnedDrive.h"

namespace sw::fix {

namespace {

bool Exact(const std::string& command) { return command == "probe" || command == "full"; }

// What the last run measured, or nothing.
std::optional<std::uint64_t> EndOf(const core::RunRecord& run) {
  if (run.verdict != core::Verdict::Passed && run.verdict != core::Verdict::Failed) return std::nullopt;
  if (Exact(run.command)) return run.realBytes;
  if (run.command == "quick") {
    if (run.verdict == core::Verdict::Passed) return run.realBytes;
    return run.recommendedBytes;
  }
  return std::nullopt;
}

}  // namespace

void NoteMeasuredEnd(core::Context& ctx) {
  core::State& st = ctx.state;
  const std::optional<std::uint64_t> end = EndOf(st.LastRun);
  if (!end || *end == 0 || !st.Pinned) return;
  core::MeasuredEnd measured{st.Pinned->identity, *end, st.LastRun.command};
  auto& ends = st.MeasuredEnds;
  const auto same = std::find_if(ends.begin(), ends.end(), [&](const core::MeasuredEnd& m) {
    return diskio::SameDisk(m.drive, measured.drive);
  });
  if (same == ends.end()) {
    ends.push_back(measured);
  } else if (Exact(measured.command) || !Exact(same->command)) {
    *same = measured;
  }
}

std::optional<core::MeasuredEnd> MeasuredEndOfPinned(const core::State& state) {
  if (!state.Pinned) return std::nullopt;
  for (const core::MeasuredEnd& m : state.MeasuredEnds) {
    if (diskio::SameDisk(m.drive, state.Pinned->identity)) return m;
  }
  return std::nullopt;
}

}  // namespace sw::fix
