// The thorough test's run: plan, write and read back file by file, the final read-back, the
// report and the deletion of the files it wrote.
#include "filetest/ThoroughRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/RunClaim.h"
#include "filetest/Cleanup.h"
#include "filetest/H2wLedger.h"
#include "filetest/FileTestTexts.h"
#include "filetest/PinnedVolume.h"
#include "filetest/ReportFormat.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileFormat.h"
#include "filetest/ThoroughFiles.h"
#include "filetest/ThoroughProgress.h"
#include "filetest/VolumeTestFigures.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

using thorough::Result;
using thorough::Tally;

constexpr double kSlowShare = 0.10;  // of the median speed so far

std::string Mb(double bytes) { return FormatGeneral(std::floor(bytes / kBytesPerMB)); }

std::string Speed(double bytes, std::uint32_t ms) {
  if (ms == 0) return texts::kThoroughSpeedUnknown;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", bytes / kBytesPerMB / (ms / 1000.0));
  return std::string(text) + texts::kThoroughMBs;
}

std::string Hex(std::uint8_t v) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", v);
  return text;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

struct Plan {
  std::vector<std::uint64_t> sizes;  // bytes of file n at index n - 1
  std::uint64_t Total() const {
    std::uint64_t t = 0;
    for (std::uint64_t s : sizes) t += s;
    return t;
  }
};

// Whole files of ThoroughFileBytes, then one last file of whole sectors in what is left less
// the 1,024 bytes the file system keeps for itself.
Plan PlanFiles(core::Context& ctx) {
  const core::State& s = ctx.state;
  const double free = FreeDiskSpace(ctx, s.SelectedVolume);
  const std::uint64_t unit =
      std::max<std::uint64_t>(h2w::kSectorBytes, VolumeSectorSize(ctx, s.SelectedVolume));
  Plan plan;
  const double usable = free - 1024;
  if (usable <= 0) return plan;
  const auto full = static_cast<std::uint64_t>(usable / static_cast<double>(s.ThoroughFileBytes));
  plan.sizes.assign(full, s.ThoroughFileBytes);
  const double rest = usable - static_cast<double>(full * s.ThoroughFileBytes);
  if (rest >= static_cast<double>(unit)) {
    plan.sizes.push_back(static_cast<std::uint64_t>(rest) / unit * unit);
  }
  return plan;
}

// The .h2w files already on the volume, 1.h2w upwards without a gap, with their sizes.
Plan PlanExisting(core::Context& ctx) {
  Plan plan;
  const std::vector<std::string> names = ctx.os.FindFiles(h2w::FilePattern(ctx.state.SelectedVolume));
  for (std::uint64_t n = 1;; ++n) {
    const std::string name = std::to_string(n) + ".h2w";
    if (std::find(names.begin(), names.end(), name) == names.end()) break;
    const platform::Handle h = ctx.os.CreateFileA(h2w::FilePath(ctx.state.SelectedVolume, n),
                                                  win::GENERIC_READ, win::FILE_SHARE_READ,
                                                  win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
    std::int64_t size = 0;
    if (h == platform::kInvalidHandle) break;
    ctx.os.SetFilePointerEx(h, 0, &size, win::FILE_END);
    ctx.os.CloseHandle(h);
    plan.sizes.push_back(static_cast<std::uint64_t>(size) / h2w::kSectorBytes * h2w::kSectorBytes);
  }
  return plan;
}

void LogTally(core::Context& ctx, const Tally& t) {
  const std::string crlf = core::kCrLf;
  const auto line = [&](const char* what, std::uint64_t sectors) {
    core::LogText(ctx, crlf + what + Mb(static_cast<double>(sectors) * h2w::kSectorBytes) +
                          texts::kMB + texts::kThoroughSectorsOpen + std::to_string(sectors) +
                          texts::kThoroughSectorsClose);
  };
  line(texts::kThoroughGood, t.good);
  line(texts::kThoroughCorrupted, t.corrupted);
  line(texts::kThoroughChanged, t.changed);
  line(texts::kThoroughOverwritten, t.overwritten);
  if (t.haveOverwrite) {
    core::LogText(ctx, crlf + texts::kThoroughOverwriteAt + std::to_string(t.overwrittenAt) +
                          texts::kThoroughOverwriteFrom + std::to_string(t.overwrittenFrom));
  }
  if (t.haveFirstBad) {
    core::LogText(ctx, crlf + texts::kThoroughFirstBad + std::to_string(t.firstBadOffset) +
                          texts::kThoroughExpected + Hex(t.expectedByte) + texts::kThoroughFound +
                          Hex(t.foundByte));
  }
}

class Run {
 public:
  explicit Run(core::Context& ctx) : ctx_(ctx), s_(ctx.state), progress_(ctx) {}

  core::Outcome Go() {
    plan_ = s_.VerifyOnly ? PlanExisting(ctx_) : PlanFiles(ctx_);
    core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughHeading) +
                            std::to_string(plan_.sizes.size()) + texts::kThoroughFiles +
                            Mb(static_cast<double>(plan_.Total())) + texts::kMB + texts::kThoroughClose);
    if (plan_.sizes.empty()) {
      core::LogMsgBox(ctx_, texts::kThoroughNothing, win::MB_ICONEXCLAMATION);
      return core::Outcome::NotRun;
    }
    s_.TestStartTime = ctx_.os.Now();
    StartFileRecord(ctx_);
    core::Show_Cancel(ctx_);
    // Each file is written, read back at once, and read once more at the end.
    const std::uint64_t total = plan_.Total();
    if (s_.VerifyOnly) {
      written_ = plan_.sizes.size();
      progress_.Plan(0, total);
    } else {
      progress_.Plan(total, 2 * total);
      if (!WriteAll()) return Cancel();
    }
    core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughFinalRead));
    Tally all;
    const std::uint32_t started = ctx_.os.GetTickCount();
    for (std::uint64_t n = 1; n <= written_; ++n) {
      progress_.Begin(texts::kThoroughPhaseFinal, core::Direction::Read);
      if (thorough::ReadFile(ctx_, n, plan_.sizes[n - 1], buffers_, all, progress_) ==
          Result::Cancelled) {
        return Cancel();
      }
      progress_.End();
    }
    core::LogText(ctx_, Speed(static_cast<double>(all.Sectors()) * h2w::kSectorBytes,
                              ctx_.os.GetTickCount() - started));
    return Report(all);
  }

 private:
  // False: cancelled. A file that lost data ends the filling unless FullRun asks to go on.
  bool WriteAll() {
    std::vector<double> speeds;
    written_ = 0;
    for (std::uint64_t n = 1; n <= plan_.sizes.size(); ++n) {
      const std::uint64_t planned = plan_.sizes[n - 1];
      core::LogText(ctx_, core::kCrLf + phases::ElapsedText(ctx_) + texts::kThoroughWriting +
                              std::to_string(n) + texts::kThoroughExt);
      const std::uint32_t t0 = ctx_.os.GetTickCount();
      progress_.Begin(texts::kThoroughPhaseWriting, core::Direction::Write);
      std::uint64_t into = 0;
      Result wrote = thorough::WriteFile(ctx_, n, planned, buffers_, progress_, into);
      const std::uint32_t writeMs = ctx_.os.GetTickCount() - t0;
      if (wrote == Result::Cancelled) return false;
      progress_.End();
      if (wrote == Result::Failed && n == plan_.sizes.size() && into > 0 &&
          ClassifyStop(s_.FileTestLastError) == StopReason::Full) {
        // The free space a file system reports is not all data room: a file this large needs
        // blocks of bookkeeping too. So the last file ends where the space did, and what went
        // into it is test data like any other (f3write fills a volume the same way).
        progress_.Shrink(planned - into);
        plan_.sizes[n - 1] = into;
        core::LogText(ctx_, texts::kThoroughFullAt + Mb(static_cast<double>(into)) + texts::kMB +
                                texts::kThoroughFullClose);
        wrote = Result::Done;
      }
      const std::uint64_t bytes = plan_.sizes[n - 1];
      if (wrote == Result::Failed) {
        core::LogText(ctx_, core::kCrLf + std::string(texts::kWriteError));
        const StopReason why = ClassifyStop(s_.FileTestLastError);
        if (why != StopReason::None) {
          s_.FileTestStopError = s_.FileTestLastError;
          core::LogText(ctx_, core::kCrLf + std::string(StopMessage(why)));
        }
        // As in the plain test, the files before this one are read back and judged; this
        // one goes with the others at the end.
        attempted_ = n;
        writeFailed_ = true;
        StopWriting();
        return true;
      }
      written_ = attempted_ = n;
      Tally now;
      const std::uint32_t t1 = ctx_.os.GetTickCount();
      progress_.Begin(texts::kThoroughPhaseReadBack, core::Direction::Read);
      if (thorough::ReadFile(ctx_, n, bytes, buffers_, now, progress_) == Result::Cancelled) {
        return false;
      }
      progress_.End();
      const std::uint32_t readMs = ctx_.os.GetTickCount() - t1;
      if (s_.FileTestStopError != 0) {
        // The volume went away while this file was read back: nothing more can be written.
        core::LogText(ctx_, core::kCrLf + std::string(StopMessage(ClassifyStop(s_.FileTestStopError))));
        StopWriting();
        return true;
      }
      const double speed = writeMs == 0 ? 0 : static_cast<double>(bytes) / writeMs;
      const bool slow = !speeds.empty() && writeMs > 0 && speed < kSlowShare * Median(speeds);
      if (writeMs > 0) speeds.push_back(speed);
      core::LogText(ctx_, texts::kThoroughWritten + Speed(static_cast<double>(bytes), writeMs) +
                              texts::kThoroughRead + Speed(static_cast<double>(bytes), readMs) +
                              texts::kThoroughColon +
                              Mb(static_cast<double>(now.good) * h2w::kSectorBytes) +
                              texts::kThoroughGoodOf + Mb(static_cast<double>(bytes)) + texts::kMB +
                              (slow ? texts::kThoroughSlow : ""));
      if (now.Lost() && !s_.FullRun) {
        core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughEarlyStop));
        stoppedEarly_ = n < plan_.sizes.size();
        StopWriting();
        return true;
      }
    }
    return true;
  }

  // The filling ends before the plan: what is left is the final read-back of the files written.
  void StopWriting() {
    std::uint64_t bytes = 0;
    for (std::uint64_t n = 1; n <= written_; ++n) bytes += plan_.sizes[n - 1];
    progress_.StopWriting(bytes);
  }

  core::Outcome Cancel() {
    // The files stay for the clean-up, which deletes only .h2w files this list names: H2testw's
    // and f3write's look the same. Written now rather than at the start, so that it takes none
    // of the space under test.
    // The file being written when Cancel came may exist, though not yet counted.
    if (!s_.VerifyOnly) RecordH2wFiles(ctx_, s_.SelectedVolume, std::min<std::uint64_t>(attempted_ + 1, plan_.sizes.size()));
    RecordFileCancelled(ctx_, texts::kAbortedWhileVerifying);
    core::Hide_Cancel(ctx_);
    core::LogText(ctx_, core::kCrLf + std::string(texts::kAbortedWhileVerifying));
    return core::Outcome::Cancelled;
  }

  core::Outcome Report(const Tally& total) {
    const std::string crlf = core::kCrLf;
    const double tested = static_cast<double>(total.Sectors()) * h2w::kSectorBytes;
    const double good = static_cast<double>(total.good) * h2w::kSectorBytes;
    core::LogText(ctx_, crlf + texts::kRule + crlf + texts::kThoroughFinished + crlf + Mb(tested) +
                            texts::kFilespaceTested);
    LogTally(ctx_, total);
    // The space the volume offers but the test never reached is what a fake cannot hold: it is
    // no more shown to be good than a lost sector.
    const double offered = static_cast<double>(plan_.Total());
    if (stoppedEarly_) {
      core::LogText(ctx_, crlf + texts::kThoroughUnchecked + Mb(offered - tested) + texts::kMB);
    }
    const double judged = stoppedEarly_ ? offered : tested;
    core::LogText(ctx_, crlf + texts::kTestTime + phases::ElapsedText(ctx_));
    const bool lost = total.Lost();
    const bool incomplete = !lost && s_.FileTestStopError != 0;
    const bool passed = !lost && !writeFailed_;
    if (incomplete) {
      core::LogText(ctx_, crlf + crlf + texts::kIncomplete + Mb(good) + texts::kOutOfThe +
                              Mb(tested) + texts::kTestedWereGood + crlf);
    } else if (passed) {
      core::LogText(ctx_, crlf + crlf + texts::kPassed + Mb(tested) + texts::kTestedAndOk + crlf);
    } else {
      core::LogText(ctx_, crlf + crlf + texts::kFailedOnly + Mb(good) + texts::kOutOfThe +
                              Mb(tested) + texts::kTestedWereGood + crlf);
    }
    VolumeTestFigures figures;
    figures.mbTested = static_cast<std::int64_t>(std::floor(tested / kBytesPerMB));
    figures.mbGood = static_cast<std::int64_t>(std::floor(good / kBytesPerMB));
    figures.passed = passed;
    figures.probablyFake = !passed && good <= judged * 2.0 / 3.0;
    RecordFileFigures(ctx_, figures);
    if (!s_.VerifyOnly) DeleteWritten();
    if (incomplete) {
      core::LogMsgBox(ctx_,
                      crlf + StopMessage(ClassifyStop(s_.FileTestStopError)) + crlf + crlf +
                          texts::kNoVerdict,
                      win::MB_ICONEXCLAMATION, texts::kIncompleteTitle);
    } else if (passed) {
      core::LogMsgBox(ctx_, crlf + texts::kThoroughAllGood, win::MB_ICONINFORMATION);
    } else {
      core::LogMsgBox(ctx_, crlf + (figures.probablyFake ? texts::kProbablyFake : texts::kFaulty),
                      win::MB_ICONCRITICAL);
    }
    core::Hide_Cancel(ctx_);
    if (incomplete) return core::Outcome::NotRun;
    return passed ? core::Outcome::Passed : core::Outcome::Failed;
  }

  // Only the files this run wrote, by name: another tool's .h2w files stay.
  void DeleteWritten() {
    core::LogText(ctx_, core::kCrLf + std::string(texts::kDeletingTestFiles));
    ctx_.win.DoEvents();
    for (std::uint64_t n = 1; n <= attempted_; ++n) {
      ctx_.os.DeleteFiles(h2w::FilePath(s_.SelectedVolume, n));
    }
    if (ctx_.os.FindFiles(h2w::FilePattern(s_.SelectedVolume)).empty()) ForgetH2wFiles(ctx_, s_.SelectedVolume);
    core::LogText(ctx_, texts::kFinishedDeleting + std::string(core::kCrLf));
  }

  core::Context& ctx_;
  core::State& s_;
  thorough::ChunkBuffers buffers_;
  thorough::Progress progress_;
  Plan plan_;
  std::uint64_t written_ = 0;    // files written whole
  std::uint64_t attempted_ = 0;  // and the one whose writing failed
  bool writeFailed_ = false;
  bool stoppedEarly_ = false;  // at the first file that lost data
};

}  // namespace

void RunThoroughTest(core::Context& ctx) {
  core::State& s = ctx.state;
  s.LastOutcome = core::Outcome::NotRun;
  if (!phases::CheckAndHead(ctx)) return;
  const diskio::RunClaim claim(ctx);
  if (!claim.held()) return;
  if (!s.VerifyOnly) {
    const std::optional<Leftovers> leftovers = phases::LeftoversBeforeConsent(ctx, true);
    if (!leftovers) return;
    const double freeMB =
        (FreeDiskSpace(ctx, s.SelectedVolume) + static_cast<double>(leftovers->ourBytes)) / kBytesPerMB;
    if (freeMB < 1) {
      ctx.win.MsgBox(texts::kNoSpaceText, win::MB_ICONEXCLAMATION | win::MB_OK,
                     texts::kNoSpaceTitle);
      return;
    }
    if (!phases::DriveAndConsent(ctx, freeMB, *leftovers) || !StillThePickedVolume(ctx)) return;
    phases::DeleteLeftoversAfterConsent(ctx, *leftovers);
  }
  Run run(ctx);
  s.LastOutcome = run.Go();
}

}  // namespace sw::filetest
