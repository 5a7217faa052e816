// The thorough test's run: the filling with samples behind it, one read-back of every file,
// the report and the deletion (or keeping) of the files it wrote.
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
#include "filetest/LinkGuard.h"
#include "filetest/FileTestTexts.h"
#include "filetest/PinnedVolume.h"
#include "filetest/ReportFormat.h"
#include "filetest/StopReason.h"
#include "filetest/TestFileFormat.h"
#include "filetest/ThoroughFiles.h"
#include "filetest/ThoroughPlan.h"
#include "filetest/ThoroughSamples.h"
#include "filetest/ThoroughProgress.h"
#include "filetest/VolumeTestFigures.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace {

using thorough::Plan;
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
  if (t.unreadable > 0) {
    line(texts::kThoroughUnreadable, t.unreadable);
    core::LogText(ctx, crlf + texts::kThoroughCouldNotRead + std::to_string(t.unreadableFile) +
                          texts::kThoroughSystemError + std::to_string(t.unreadableError) + ")");
  }
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
  explicit Run(core::Context& ctx)
      : ctx_(ctx), s_(ctx.state), progress_(ctx), behind_(ctx, ctx.os.GetTickCount()) {}

  core::Outcome Go() {
    std::uint64_t unopened = 0;
    plan_ = s_.VerifyOnly ? thorough::PlanExisting(ctx_, unopened) : thorough::PlanFiles(ctx_);
    if (unopened != 0) {
      // A folder or a link under a test file's name: nothing there to check, nor to overwrite.
      core::LogMsgBox(ctx_, core::kCrLf + std::string(texts::kForeignInTheWay1) +
                                ctx_.os.ShownPath(h2w::FilePath(s_.SelectedVolume, unopened)) +
                                texts::kThoroughNotAFile,
                      win::MB_ICONEXCLAMATION);
      return core::Outcome::NotRun;
    }
    const std::string count = std::to_string(plan_.sizes.size()) + texts::kThoroughFiles +
                              Mb(static_cast<double>(plan_.Total())) + texts::kMB;
    core::LogText(ctx_, core::kCrLf + (s_.VerifyOnly ? texts::kThoroughVerifyHeading + count +
                                                           texts::kThoroughVerifyClose
                                                     : texts::kThoroughHeading + count +
                                                           texts::kThoroughClose));
    if (plan_.sizes.empty()) {
      core::LogMsgBox(ctx_, texts::kThoroughNothing, win::MB_ICONEXCLAMATION);
      return core::Outcome::NotRun;
    }
    s_.TestStartTime = ctx_.os.Now();
    StartFileRecord(ctx_);
    core::Show_Cancel(ctx_);
    // Every file is read once, at the end: while the writing goes on, samples stand for it.
    const std::uint64_t total = plan_.Total();
    if (s_.VerifyOnly) {
      written_ = plan_.sizes.size();
      progress_.Plan(0, total);
    } else {
      progress_.Plan(total, total + thorough::BehindWriting::SampleBytesFor(plan_.sizes.size(),
                                                                            s_.ThoroughFileBytes));
      if (!WriteAll()) return Cancel();
      // The samples were planned at their most: from here on the reading is known to the byte.
      StopWriting();
    }
    core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughFinalRead));
    Tally all;
    const std::uint32_t started = ctx_.os.GetTickCount();
    for (std::uint64_t n = 1; n <= written_; ++n) {
      if (plan_.sizes[n - 1] == 0) continue;
      progress_.Begin(texts::kThoroughPhaseFinal, core::Direction::Read);
      if (thorough::ReadFile(ctx_, n, plan_.sizes[n - 1], buffers_, all, progress_) ==
          Result::Cancelled) {
        return Cancel();
      }
      progress_.End();
      if (s_.FileTestStopError != 0 && ClassifyStop(s_.FileTestStopError) == StopReason::Gone) break;
    }
    core::LogText(ctx_, Speed(static_cast<double>(all.Sectors()) * h2w::kSectorBytes,
                              ctx_.os.GetTickCount() - started));
    return Report(all);
  }

 private:
  // False: cancelled. The filling goes on to the end of the free space unless the samples
  // behind it show that the drive destroys what it kept (FullRun goes on even then), the
  // volume stops it, or writing keeps failing.
  bool WriteAll() {
    std::vector<double> speeds;
    written_ = 0;
    int failedInARow = 0;
    for (std::uint64_t n = 1; n <= plan_.sizes.size(); ++n) {
      const std::uint64_t planned = plan_.sizes[n - 1];
      const std::string writing = core::kCrLf + phases::ElapsedText(ctx_) + texts::kThoroughWriting +
                                  std::to_string(n) + texts::kThoroughExt;
      const std::uint32_t t0 = ctx_.os.GetTickCount();
      progress_.Begin(texts::kThoroughPhaseWriting, core::Direction::Write);
      std::uint64_t into = 0;
      const Result wrote = thorough::WriteFile(ctx_, n, planned, buffers_, progress_, into);
      const std::uint32_t writeMs = ctx_.os.GetTickCount() - t0;
      if (wrote == Result::Cancelled) return false;
      progress_.End();
      attempted_ = n;
      if (wrote == Result::Failed) {
        const StopReason why = ClassifyStop(s_.FileTestLastError);
        const std::uint64_t reached = plan_.Total() - plan_.From(n) + into;
        if (why == StopReason::Full &&
            reached + FullSlack() >= std::min(plan_.Total(), plan_.surelyWritable)) {
          // The free space a file system reports is not all data room: files this large need
          // blocks of bookkeeping too, and the blocks kept for the administrator may or may
          // not be this run's to fill. So the filling ends where the space did, and what went
          // into the last file is test data like any other (f3write fills a volume the same
          // way).
          progress_.Shrink(plan_.From(n) - into);
          plan_.sizes.resize(n);
          plan_.sizes[n - 1] = into;
          written_ = n;
          behind_.Written(n, into);
          core::LogText(ctx_, writing + texts::kThoroughFullAt + Mb(static_cast<double>(into)) +
                                  texts::kMB + texts::kThoroughFullClose +
                                  texts::kThoroughWritten + Speed(static_cast<double>(into), writeMs));
          break;
        }
        // What went in before the failure stays and is read back at the end.
        plan_.sizes[n - 1] = into;
        written_ = n;
        behind_.Written(n, into);
        core::LogText(ctx_, writing + texts::kThoroughWriteFailed + Mb(static_cast<double>(into)) +
                                texts::kMB + texts::kThoroughSystemErrorOpen +
                                std::to_string(s_.FileTestLastError) + ")");
        core::LogText(ctx_, core::kCrLf + std::string(texts::kWriteError));
        if (why != StopReason::None) {
          // The volume, not the drive: nothing more can go onto it.
          s_.FileTestStopError = s_.FileTestLastError;
          core::LogText(ctx_, core::kCrLf + std::string(StopMessage(why)));
          StopWriting();
          return true;
        }
        writeFailed_ = true;
        if (++failedInARow == kFailuresInARow) {
          core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughFailingStop));
          stoppedEarly_ = n < plan_.sizes.size();
          StopWriting();
          return true;
        }
        core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughGoingOn));
        continue;
      }
      failedInARow = 0;
      written_ = n;
      behind_.Written(n, planned);
      const double speed = writeMs == 0 ? 0 : static_cast<double>(planned) / writeMs;
      const bool slow = !speeds.empty() && writeMs > 0 && speed < kSlowShare * Median(speeds);
      if (writeMs > 0) speeds.push_back(speed);
      core::LogText(ctx_, writing + texts::kThoroughWritten + Speed(static_cast<double>(planned), writeMs) +
                              (slow ? texts::kThoroughSlow : ""));
      const Result checked = behind_.Check(buffers_.each[0], progress_);
      if (checked == Result::Cancelled) return false;
      if (checked == Result::Failed) {
        // The volume went away while the samples were read: nothing more can be written.
        core::LogText(ctx_, core::kCrLf + std::string(StopMessage(ClassifyStop(s_.FileTestStopError))));
        StopWriting();
        return true;
      }
      if (behind_.KeptDataLost() && !s_.FullRun) {
        core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughKeptLost1) +
                                std::to_string(behind_.LostFile()) + texts::kThoroughKeptLost2 +
                                std::to_string(behind_.LostOffset()) + texts::kThoroughKeptLost3);
        stoppedEarly_ = n < plan_.sizes.size();
        StopWriting();
        return true;
      }
    }
    return true;
  }

  // A volume full this close to the caller's share of the space is the file system's own
  // bookkeeping; one full long before it was filled by someone else, and the run cannot judge
  // the drive.
  std::uint64_t FullSlack() const { return plan_.Total() / 256 + 16 * 1'048'576; }

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
    if (!s_.VerifyOnly) s_.KeepTestFiles ? KeepWritten() : DeleteWritten();
    if (incomplete) {
      core::LogMsgBox(ctx_,
                      crlf + StopMessage(ClassifyStop(s_.FileTestStopError)) + crlf + crlf +
                          texts::kNoVerdict,
                      win::MB_ICONEXCLAMATION, texts::kIncompleteTitle);
    } else if (passed) {
      core::LogMsgBox(ctx_, crlf + (s_.VerifyOnly ? texts::kThoroughAllVerified : texts::kThoroughAllGood),
                      win::MB_ICONINFORMATION);
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

  // The files stay for a check on another computer; the list lets the clean-up take them later.
  void KeepWritten() {
    RecordH2wFiles(ctx_, s_.SelectedVolume, attempted_);
    core::LogText(ctx_, core::kCrLf + std::string(texts::kThoroughKept) +
                            ctx_.os.ShownPath(h2w::FilePath(s_.SelectedVolume, 1)) +
                            (attempted_ > 1 ? texts::kThoroughKeptTo +
                                                  ctx_.os.ShownPath(h2w::FilePath(s_.SelectedVolume, attempted_))
                                            : std::string()) +
                            texts::kThoroughKeptClose + core::kCrLf);
  }

  static constexpr int kFailuresInARow = 3;

  core::Context& ctx_;
  core::State& s_;
  thorough::ChunkBuffers buffers_;
  thorough::Progress progress_;
  thorough::BehindWriting behind_;
  Plan plan_;
  std::uint64_t written_ = 0;    // files on the volume with test data to read back
  std::uint64_t attempted_ = 0;  // files created, the last one perhaps cut short
  bool writeFailed_ = false;
  bool stoppedEarly_ = false;  // the filling ended before the plan did
};

}  // namespace

void RunThoroughTest(core::Context& ctx) {
  core::State& s = ctx.state;
  s.LastOutcome = core::Outcome::NotRun;
  if (!phases::CheckAndHead(ctx)) return;
  const diskio::RunClaim claim(ctx);
  // A folder or a link named like a test file is neither written through nor read as data.
  if (!claim.held() || !TestFileNamesFree(ctx, h2w::FilePattern(s.SelectedVolume))) return;
  if (!s.VerifyOnly) {
    const std::optional<Leftovers> leftovers = phases::LeftoversBeforeConsent(ctx, true);
    if (!leftovers) return;
    // The question names what the fill will take, the reserve that root may fill included.
    const double freeMB =
        static_cast<double>(thorough::FillableBytes(ctx) + leftovers->ourBytes) / kBytesPerMB;
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
