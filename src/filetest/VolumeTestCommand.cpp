// The "Test Empty Space" button: checks, heading, sizing and consent, then the run's phases.
#include "filetest/VolumeTestCommand.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/Layouts.h"
#include "core/Log.h"
#include "diskio/DriveLetters.h"
#include "drives/DriveInfo.h"
#include "filetest/Cleanup.h"
#include "filetest/FileTestTexts.h"
#include "filetest/LinkGuard.h"
#include "diskio/RunClaim.h"
#include "filetest/PinnedVolume.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/ThoroughRun.h"
#include "filetest/VolumeTestPhases.h"
#include "filetest/VolumeTestRecord.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace phases {

namespace {

// Drive numbers above this are not ours to test (99 means the volume has no physical drive).
constexpr std::int32_t kHighestTestableDisk = 80;

std::int32_t ClampToInt32(double value) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::min(value, kMax));
}

}  // namespace

bool CheckAndHead(core::Context& ctx) {
  core::State& s = ctx.state;
  if (s.SelectedVolume.size() < 2) return false;
  s.DiskNumber = diskio::GetDiskNumber(ctx, s.SelectedVolume);
  if (s.DiskNumber == 0 || s.DiskNumber > kHighestTestableDisk) return false;

  ctx.win.SetText(core::Control::Text1, texts::kHeading);
  core::Text1_Change(ctx);
  s.CancelRequested = false;
  core::LogText(ctx, core::kCrLf + s.WindowTitle + core::kCrLf);
  core::LogText(ctx, core::kCrLf + ctx.win.Text(core::Control::Combo1));

  s.FileTestError = false;
  s.LastFileSize = 0;
  s.FileTestLastError = 0;
  s.FileTestStopError = 0;
  s.LostDataFileCount = 0;
  s.VerifiedBytes = 0;
  s.VerifySeconds = 0;
  return true;
}

void PlanFiles(core::Context& ctx, double freeBytes) {
  core::State& s = ctx.state;
  s.TestFileCount = ClampToInt32(std::floor(freeBytes / kBytesPerMB / kFileMB));
  s.PlannedLastFileBytes =
      LastFileSizeFor(freeBytes - static_cast<double>(s.TestFileCount) * kFullFileSize,
                      VolumeSectorSize(ctx, s.SelectedVolume));
}

bool SizeAndConsent(core::Context& ctx, const Leftovers& leftovers) {
  core::State& s = ctx.state;
  const double freeBytes = FreeDiskSpace(ctx, s.SelectedVolume) + static_cast<double>(leftovers.ourBytes);
  PlanFiles(ctx, freeBytes);
  if (s.TestFileCount < 1) {
    ctx.win.MsgBox(texts::kNoSpaceText, win::MB_ICONEXCLAMATION | win::MB_OK, texts::kNoSpaceTitle);
    return false;
  }
  return DriveAndConsent(ctx, freeBytes / kBytesPerMB, leftovers);
}

bool DriveAndConsent(core::Context& ctx, double freeMB, const Leftovers& leftovers) {
  core::State& s = ctx.state;
  drives::GetUSBDiskDriveInfo(ctx, s.DiskNumber);
  const double driveMB = s.DriveSizeBytes / kBytesPerMB;
  if (driveMB < 1) {
    ctx.win.MsgBox(texts::kIncompatibleDrive, win::MB_ICONCRITICAL | win::MB_OK, core::kAppTitle);
    return false;
  }

  const double wholeFreeMB = std::floor(freeMB);
  core::LogText(ctx, std::string(core::kCrLf) + core::kCrLf + texts::kWarningTesting +
                        FormatGeneral(wholeFreeMB) + texts::kOutOfReportedSize +
                        FormatGeneral(driveMB) + texts::kMB);

  const std::string crlf2 = std::string(core::kCrLf) + core::kCrLf;
  std::string where = s.SelectedVolume;
  if (ctx.os.Wording().questionNamesDevice) {
    const std::string described = ctx.os.DescribeVolume(s.SelectedVolume);  // "/dev/sdb1 on /media/x"
    if (!described.empty()) where += " (" + described + ")";
  }
  const std::string prompt = texts::kConsentOkToFill + where + texts::kConsentWith +
                             FormatThousands(wholeFreeMB, ctx.os.UserNumberFormat()) +
                             texts::kConsentOfTestFiles + crlf2 + texts::kConsentWarning + crlf2 +
                             ctx.os.Wording().fileTestSpeedTip +
                             (leftovers.ours.empty() ? std::string{}
                                                     : crlf2 + texts::kLeftoversWillGo + ListedNames(leftovers.ours));
  if (ctx.win.MsgBox(prompt, win::MB_OKCANCEL, texts::kConsentTitle) == win::IDCANCEL) {
    return false;
  }
  ctx.win.DoEvents();
  return true;
}

}  // namespace phases

void cmdVolumeTest_Click(core::Context& ctx) {
  core::State& s = ctx.state;
  if (s.ThoroughMode || s.VerifyOnly) {
    RunThoroughTest(ctx);
    return;
  }
  s.LastOutcome = core::Outcome::NotRun;
  if (!phases::CheckAndHead(ctx)) return;
  const diskio::RunClaim claim(ctx);
  if (!claim.held() || !TestFileNamesFree(ctx, TestFilePattern(s.SelectedVolume))) return;
  const std::optional<Leftovers> leftovers = phases::LeftoversBeforeConsent(ctx, false);
  if (!leftovers || !phases::SizeAndConsent(ctx, *leftovers)) return;
  if (!StillThePickedVolume(ctx)) return;
  if (!leftovers->ours.empty()) {
    phases::DeleteLeftoversAfterConsent(ctx, *leftovers);
    // What the deletion really gave back, to the cluster.
    phases::PlanFiles(ctx, FreeDiskSpace(ctx, s.SelectedVolume));
  }
  StartFileRecord(ctx);

  std::int32_t filesWritten = 0;
  if (!phases::WriteFullFiles(ctx, filesWritten)) {
    s.LastOutcome = core::Outcome::Cancelled;
    return;
  }
  if (!s.FileTestError) phases::WriteLastFile(ctx);
  if (!phases::VerifyAllFiles(ctx, filesWritten)) {
    s.LastOutcome = core::Outcome::Cancelled;
    return;
  }
  s.LastOutcome = phases::ReportAndCleanUp(ctx, filesWritten);
}

}  // namespace sw::filetest
