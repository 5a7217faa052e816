// Where the bad memory lies, the recommended partition size, the test time, the zeroed sector 0
// and the verdict.
#include <algorithm>
#include <cctype>
#include <string>

#include "core/Log.h"
#include "diskio/PhysicalDrive.h"
#include "diskio/SectorIO.h"
#include "drives/TextFormat.h"
#include "platform/PlatformWording.h"
#include "platform/WinApi.h"
#include "quicktest/QuickTestRun.h"
#include "quicktest/QuickTestTexts.h"
#include "quicktest/ReportLine.h"

namespace sw::quicktest::detail {

namespace {

using core::kCrLf;

std::string SizeText(double mib) { return drives::FormatDecimals(mib, text::kSizePattern); }

std::string SectorSizeText(std::int64_t sector) {
  return SizeText(static_cast<double>(sector) * kSectorBytes / kMiB);
}

void Analyse(const QuickTestRun& run, QuickTestResult& result) {
  result.MinBadSector = run.MinBadSector;
  // Past a wrap every address lands on memory already used, up to the last sector.
  result.MaxBadSector = run.WrapFound ? run.TotalSectors - 1 : run.MaxBadSector;
  result.MinFoundNumber = run.MinFoundNumber;
  // When the lowest bad sector lies within the first interval nothing below it is known to be
  // good: no partition is recommended rather than a negative size.
  const double recommended =
      (static_cast<double>(result.MinBadSector) * kSectorBytes - run.IntervalBytes) / kMiB;
  result.RecommendedMiB = std::max(recommended, 0.0);
}

void LogBadMemory(core::Context& ctx, const QuickTestRun& run, const QuickTestResult& result) {
  core::LogText(ctx, Line(text::kBlocksOf + std::to_string(run.IntervalSectors) + text::kBlocksSectors +
                         std::to_string(run.SectorsChecked) + text::kBlocksChecked));
  core::LogText(ctx, std::string(kCrLf) + kCrLf + text::kBadFrom + std::to_string(result.MinBadSector) +
                        text::kSizeOpen + SectorSizeText(result.MinBadSector) + text::kBadFromUnit);
  core::LogText(ctx, text::kBadTo + std::to_string(result.MaxBadSector) + text::kSizeOpen +
                        SectorSizeText(result.MaxBadSector) + text::kBadToUnit);
  if (result.MinFoundNumber == -1) {
    core::LogText(ctx, std::string(kCrLf) + kCrLf + text::kNoMemoryWarning);
  }
}

// Leaves the drive without a partition table, so that nothing mounts what the markers left.
// False when the reopen or the write failed.
bool ZeroSectorZero(core::Context& ctx, std::int32_t disk) {
  ctx.state.SectorBuffer.Fill(0);
  // An open that finds another disk leaves hDrive at -1, so the write below reaches nothing.
  const bool opened = diskio::Open_Physical_Disk_hDrive(ctx, disk, diskio::DriveSharing::NoOtherWriter);
  const bool zeroed = opened && diskio::WriteSectors(ctx, 0, 1);
  diskio::MyCloseHandle(ctx, ctx.state.hDrive);
  return zeroed;
}

bool IsRemovable(std::string media) {
  std::transform(media.begin(), media.end(), media.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return media.find(text::kRemovableMedia) != std::string::npos;
}

}  // namespace

void ReportVerdict(core::Context& ctx, QuickTestRun& run, QuickTestResult& result) {
  result.SectorsChecked = run.SectorsChecked;
  result.MismatchCount = run.MismatchCount;
  // A reopen during the read-back found another disk (or none): what was read says nothing
  // about the confirmed drive.
  if (ctx.state.IdentityLost != core::IdentityCheck::Same) {
    LogDriveLost(ctx);
    result.end = TestEnd::AbortedDriveLost;
    return;
  }
  std::string recommendedText;
  if (run.MismatchCount != 0) {
    Analyse(run, result);
    LogBadMemory(ctx, run, result);
    recommendedText = text::kRecommended + SizeText(result.RecommendedMiB) + text::kRecommendedUnit +
                      std::to_string(result.MinBadSector) + text::kRecommendedEnd;
  }

  core::LogText(ctx, Line(text::kTestTook + std::to_string(ctx.os.Now() - run.TestStart) +
                         text::kTestTookUnit + kCrLf + std::to_string(run.SectorsChecked) +
                         text::kSectorsChecked));
  ctx.win.DoEvents();
  ctx.state.DebugMode = false;

  const bool zeroed = ZeroSectorZero(ctx, run.disk);
  if (ctx.state.IdentityLost != core::IdentityCheck::Same) {
    LogDriveLost(ctx);
    result.end = TestEnd::AbortedDriveLost;
    result.writeFailures = run.WriteFailures;
    return;
  }
  if (!zeroed) NoteWriteFailure(ctx, run, text::kZeroFailed);
  result.writeFailures = run.WriteFailures;

  const platform::PlatformWording& words = ctx.os.Wording();
  if (run.MismatchCount == 0 && !run.WriteFailures.empty()) {
    // Every marker read back right, but a drive that refuses writes tried twice is not sound.
    result.end = TestEnd::WriteFailed;
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kFailed + kCrLf + kCrLf + text::kRefusedWrites + kCrLf,
                    win::MB_ICONCRITICAL);
  } else if (run.MismatchCount == 0) {
    result.end = TestEnd::Passed;
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kPassed + kCrLf + kCrLf + words.quickPassedNote,
                   win::MB_ICONINFORMATION);
    core::LogText(ctx, std::string(kCrLf) + kCrLf +
                          (IsRemovable(ctx.state.DRV_MEDIA) ? words.classedRemovable : words.classedFixed));
  } else {
    result.end = TestEnd::Failed;
    core::LogMsgBox(ctx, std::string(kCrLf) + text::kFailed + kCrLf + kCrLf + text::kDuplicateBlocks +
                            kCrLf + kCrLf + recommendedText + kCrLf,
                   win::MB_ICONCRITICAL);
  }
  core::LogMsgBox(ctx, Line(words.unplugAndReformat), win::MB_OK);
}

}  // namespace sw::quicktest::detail
