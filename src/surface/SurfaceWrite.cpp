// The writing: this run's blocks over the drive from its first sector in whole requests, and
// after every step a check of samples spread over everything written so far. When samples come
// back wrong the memory has run out: the user chooses between the verdict now and a map of all.
#include <algorithm>
#include <string>
#include <utility>

#include "core/AlignedBuffer.h"
#include "core/Log.h"
#include "filetest/ChunkHelper.h"
#include "platform/WinApi.h"
#include "surface/SurfaceFormat.h"
#include "surface/SurfaceRun.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface::detail {

namespace {

using core::kCrLf;

// A check at least every 1/256 of the drive and every 64 MiB, and never inside a request; once
// a 16th of what was written is more, every 16th.
constexpr std::int64_t kStepFraction = 256;
constexpr std::int64_t kStepMostSectors = (64ll << 20) / 512;
constexpr std::int64_t kStepGrowth = 16;
constexpr std::int64_t kMiBSectors = 2048;
constexpr std::int64_t kRequestMostSectors = 4 * kMiBSectors;

// What a sample's sectors read back as: the first that did not keep its block, or Kept.
struct SampleReading {
  std::int64_t sector = -1;
  SectorReading reading;
};

SampleReading ReadSample(SurfaceRun& run, std::int64_t sector, std::int64_t written) {
  const std::int64_t first = sector / kSampleSectors * kSampleSectors;
  const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(kSampleSectors, written - first));
  if (!run.ReadSample(first, count)) return {sector, {SectorState::Unreadable, -1}};
  for (std::int32_t i = 0; i < count; ++i) {
    const std::span<const std::uint8_t> block(run.Data() + static_cast<std::size_t>(i) * 512, 512);
    const SectorReading r = ClassifySector(run.salt, block, first + i, run.total);
    if (r.state != SectorState::Kept) return {first + i, r};
  }
  return {sector, {SectorState::Kept, -1}};
}


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
    ++alarm.samples;
    const auto [sector, reading] = ReadSample(run, pick(run.random), written);
    if (run.Lost()) return std::nullopt;
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

std::int32_t RequestSectors(std::int64_t totalSectors) {
  const std::int64_t wholeMiB = totalSectors / kStepFraction / kMiBSectors * kMiBSectors;
  return static_cast<std::int32_t>(std::clamp(wholeMiB, kMiBSectors, kRequestMostSectors));
}

std::int64_t StepSectors(std::int64_t totalSectors, std::int64_t checkedSectors, std::int64_t requestSectors) {
  const std::int64_t step =
      std::max(std::min(totalSectors / kStepFraction, kStepMostSectors), checkedSectors / kStepGrowth);
  return std::max<std::int64_t>(requestSectors, step / requestSectors * requestSectors);
}

std::string AlarmWords(const SampleAlarm& alarm) { return AlarmCounts(alarm); }

namespace {

// The blocks of the next request are made on a helper thread while this one is written.
class BlockMaker {
 public:
  explicit BlockMaker(SurfaceRun& run) : run_(run), next_(run.ctx.state.SectorBuffer.size()) {}

  void Start(std::int64_t at) {
    if (at >= run_.total) return;
    const auto count = static_cast<std::int32_t>(std::min<std::int64_t>(run_.request, run_.total - at));
    made_ = at;
    job_ = helper_.Start([salt = run_.salt, at, count, data = next_.data()] { FillBlocks(salt, at, count, data); });
  }
  // The blocks of `at` into SectorBuffer: those made ahead when they are of `at`, else made now.
  void Take(std::int64_t at, std::int32_t count) {
    if (made_ != at) {
      FillBlocks(run_.salt, at, count, run_.Data());
      return;
    }
    helper_.WaitFor(job_);
    made_ = -1;
    std::swap(run_.ctx.state.SectorBuffer, next_);
  }

 private:
  SurfaceRun& run_;
  core::AlignedBuffer next_;
  std::int64_t made_ = -1;
  std::uint64_t job_ = 0;
  filetest::thorough::ChunkHelper helper_;  // last: its jobs end before the buffer goes
};

void WriteAll(SurfaceRun& run) {
  SurfaceFindings& f = run.findings;
  const std::int64_t request = run.request;
  const auto requests = static_cast<std::uint64_t>((run.total + request - 1) / request);
  std::int64_t lastCheck = 0;
  std::int64_t step = StepSectors(run.total, 0, request);
  bool checking = true;
  BlockMaker maker(run);
  for (std::int64_t at = 0; at < run.total; at += request) {
    if (run.Stopped()) return;
    const auto count = static_cast<std::int32_t>(std::min(request, run.total - at));
    maker.Take(at, count);
    maker.Start(at + count);
    run.Write(at, count);
    if (run.Lost()) return;
    f.writtenSectors = at + count;
    run.Progress(text::kPhaseWrite, static_cast<std::uint64_t>(at / request) + 1, requests, f.bytesWritten,
                 core::Direction::Write);
    if (!checking || (f.writtenSectors - lastCheck < step && f.writtenSectors < run.total)) continue;
    // The samples must read what reached the flash: a failed flush is counted, and they still
    // look, for they are what tells where the memory ends.
    run.Flush();
    if (run.Lost()) return;
    lastCheck = f.writtenSectors;
    step = StepSectors(run.total, lastCheck, request);
    f.alarm = CheckSamples(run, f.writtenSectors);
    if (run.Lost()) return;
    if (!f.alarm || f.writtenSectors == run.total) continue;
    if (!GoOnWriting(run, *f.alarm)) return;
    f.wroteOn = true;
    checking = false;
  }
}

}  // namespace

void WritePhase(SurfaceRun& run) {
  WriteAll(run);
  // Whatever stopped the writing, what was written goes to the flash before the read-back.
  run.Flush();
}

}  // namespace sw::surface::detail
