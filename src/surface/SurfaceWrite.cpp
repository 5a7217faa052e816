// The writing: this run's blocks over the drive from its first sector in whole requests, and
// after every step a check of samples spread over everything written so far. When samples come
// back wrong the memory has run out: the user chooses between the verdict now and a map of all.
#include <algorithm>
#include <string>

#include "core/Log.h"
#include "platform/WinApi.h"
#include "surface/SurfaceFormat.h"
#include "surface/SurfaceRun.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface::detail {

namespace {

using core::kCrLf;

// A check at least every 1/256 of the drive and every 64 MiB, and never inside a request.
constexpr std::int64_t kStepFraction = 256;
constexpr std::int64_t kStepMostSectors = (64ll << 20) / 512;


// One sample in each of kSamples equal slices of [0, written); the alarm when any went wrong.
std::optional<SampleAlarm> CheckSamples(SurfaceRun& run, std::int64_t written) {
  SampleAlarm alarm;
  alarm.writtenSectors = written;
  std::uint32_t wrong = 0;
  for (std::uint32_t i = 0; i < kSamples; ++i) {
    const std::int64_t from = written * i / kSamples;
    const std::int64_t to = written * (i + 1) / kSamples;  // exclusive
    if (to <= from) continue;
    std::uniform_int_distribution<std::int64_t> pick(from, to - 1);
    const std::int64_t sector = pick(run.random);
    ++alarm.samples;
    SectorReading reading{SectorState::Unreadable, -1};
    if (run.Read(sector, 1)) {
      reading = ClassifySector(run.salt, std::span<const std::uint8_t>(run.Data(), 512), sector, run.total);
    } else if (run.Lost()) {
      return std::nullopt;
    }
    if (reading.state == SectorState::Kept) continue;
    ++wrong;
    switch (reading.state) {
      case SectorState::Lost:
        ++alarm.lost;
        break;
      case SectorState::Overwritten:
        ++alarm.overwritten;
        break;
      case SectorState::Changed:
        ++alarm.changed;
        break;
      case SectorState::Unreadable:
      case SectorState::Kept:
        ++alarm.unreadable;
        break;
    }
    if (alarm.example < 0 || (alarm.exampleFrom < 0 && reading.from >= 0)) {
      alarm.example = sector;
      alarm.exampleFrom = reading.from;
    }
  }
  if (wrong == 0) return std::nullopt;
  return alarm;
}

std::string AlarmCounts(const SampleAlarm& a) {
  std::string counts;
  const auto add = [&](std::uint32_t n, const char* what) {
    if (n == 0) return;
    counts += (counts.empty() ? "" : ", ") + std::to_string(n) + what;
  };
  add(a.lost, " lost");
  add(a.overwritten, " overwritten");
  add(a.changed, " changed");
  add(a.unreadable, " unreadable");
  if (a.exampleFrom >= 0) {
    counts += std::string("; e.g. sector ") + std::to_string(a.example) + text::kOverwrittenHolds +
              std::to_string(a.exampleFrom);
  }
  return counts;
}

// OK (and --yes) stops the writing: the verdict is clear already.
bool GoOnWriting(SurfaceRun& run, const SampleAlarm& a) {
  const std::uint32_t wrong = a.lost + a.overwritten + a.changed + a.unreadable;
  const std::string prompt = text::kAlarm + SizeOfSectors(a.writtenSectors) + text::kAlarmWritten +
                             std::to_string(wrong) + text::kAlarmOf + std::to_string(a.samples) +
                             text::kAlarmSamples + AlarmCounts(a) + text::kAlarmEnd + kCrLf + kCrLf +
                             text::kAlarmChoice;
  return run.ctx.win.MsgBox(prompt, win::MB_OKCANCEL | win::MB_ICONEXCLAMATION, text::kTitle) == win::IDCANCEL;
}

}  // namespace

std::int64_t StepSectors(std::int64_t totalSectors, std::int64_t requestSectors) {
  const std::int64_t step = std::min(totalSectors / kStepFraction, kStepMostSectors);
  return std::max<std::int64_t>(requestSectors, step / requestSectors * requestSectors);
}

std::string AlarmWords(const SampleAlarm& alarm) { return AlarmCounts(alarm); }

void WritePhase(SurfaceRun& run) {
  SurfaceFindings& f = run.findings;
  const std::int64_t request = run.options.requestSectors;
  const std::int64_t step = StepSectors(run.total, request);
  const auto requests = static_cast<std::uint64_t>((run.total + request - 1) / request);
  std::int64_t lastCheck = 0;
  bool checking = true;
  for (std::int64_t at = 0; at < run.total; at += request) {
    if (run.Stopped()) return;
    const auto count = static_cast<std::int32_t>(std::min(request, run.total - at));
    FillBlocks(run.salt, at, count, run.Data());
    run.Write(at, count);
    if (run.Lost()) return;
    f.writtenSectors = at + count;
    run.Progress(text::kPhaseWrite, static_cast<std::uint64_t>(at / request) + 1, requests, f.bytesWritten,
                 core::Direction::Write);
    if (!checking || (f.writtenSectors - lastCheck < step && f.writtenSectors < run.total)) continue;
    lastCheck = f.writtenSectors;
    f.alarm = CheckSamples(run, f.writtenSectors);
    if (run.Lost()) return;
    if (!f.alarm || f.writtenSectors == run.total) continue;
    if (!GoOnWriting(run, *f.alarm)) return;
    f.wroteOn = true;
    checking = false;
  }
}

}  // namespace sw::surface::detail
