// The "Test Empty Space" button: checks, heading, sizing and consent, then the run's phases.
#include "filetest/VolumeTestCommand.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/Layouts.h"
#include "app/Log.h"
#include "diskio/DriveLetters.h"
#include "drives/DriveInfo.h"
#include "filetest/Cleanup.h"
#include "filetest/FileTestTexts.h"
#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"
#include "filetest/VolumeTestPhases.h"
#include "platform/WinApi.h"

namespace sw::filetest {

namespace phases {

namespace {

// Drive numbers above this are not ours to test (99 means the volume has no physical drive).
constexpr std::int32_t kHighestTestableDisk = 80;
constexpr std::uint32_t kPauseAfterCleanupMs = 100;

std::int32_t ClampToInt32(double value) {
  constexpr double kMax = std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::min(value, kMax));
}

}  // namespace

bool CheckAndHead(app::Context& ctx) {
  app::State& s = ctx.state;
  if (s.SelectedVolume.size() < 2) return false;
  s.DiskNumber = diskio::GetDiskNumber(ctx, s.SelectedVolume);
  if (s.DiskNumber == 0 || s.DiskNumber > kHighestTestableDisk) return false;

  ctx.win.SetText(app::Control::Text1, texts::kHeading);
  app::Text1_Change(ctx);
  s.CancelRequested = false;
  app::LogText(ctx, app::kCrLf + s.WindowTitle + app::kCrLf);
  app::LogText(ctx, app::kCrLf + ctx.win.Text(app::Control::Combo1));

  cmdcleanup_Click(ctx);
  ctx.os.Sleep(kPauseAfterCleanupMs);
  s.FileTestError = false;
  s.LastFileSize = 0;
  return true;
}

bool SizeAndConsent(app::Context& ctx) {
  app::State& s = ctx.state;
  const double freeMB = FreeDiskSpace(ctx, s.SelectedVolume) / kBytesPerMB;
  s.TestFileCount = ClampToInt32(std::floor(freeMB / kFileMB));
  if (s.TestFileCount < 1) {
    ctx.win.MsgBox(texts::kNoSpaceText, win::MB_ICONEXCLAMATION | win::MB_OK, texts::kNoSpaceTitle);
    return false;
  }

  drives::GetUSBDiskDriveInfo(ctx, s.DiskNumber);
  const double driveMB = s.DriveSizeBytes / kBytesPerMB;
  if (driveMB < 1) {
    ctx.win.MsgBox(texts::kIncompatibleDrive, win::MB_ICONCRITICAL | win::MB_OK, app::kAppTitle);
    return false;
  }

  const double wholeFreeMB = std::floor(freeMB);
  app::LogText(ctx, std::string(app::kCrLf) + app::kCrLf + texts::kWarningTesting +
                        FormatGeneral(wholeFreeMB) + texts::kOutOfReportedSize +
                        FormatGeneral(driveMB) + texts::kMB);

  const std::string crlf2 = std::string(app::kCrLf) + app::kCrLf;
  const std::string prompt = texts::kConsentOkToFill + s.SelectedVolume + texts::kConsentWith +
                             FormatThousands(wholeFreeMB, ctx.os.UserNumberFormat()) +
                             texts::kConsentOfTestFiles + crlf2 + texts::kConsentWarning + crlf2 +
                             texts::kConsentTip;
  if (ctx.win.MsgBox(prompt, win::MB_OKCANCEL, texts::kConsentTitle) == win::IDCANCEL) {
    return false;
  }
  ctx.win.DoEvents();
  return true;
}

}  // namespace phases

void cmdVolumeTest_Click(app::Context& ctx) {
  app::State& s = ctx.state;
  s.LastOutcome = app::Outcome::NotRun;
  if (!phases::CheckAndHead(ctx) || !phases::SizeAndConsent(ctx)) return;

  std::int32_t filesWritten = 0;
  if (!phases::WriteFullFiles(ctx, filesWritten)) {
    s.LastOutcome = app::Outcome::Cancelled;
    return;
  }
  if (!s.FileTestError) phases::WriteLastFile(ctx);
  if (!phases::VerifyAllFiles(ctx, filesWritten)) {
    s.LastOutcome = app::Outcome::Cancelled;
    return;
  }
  s.LastOutcome =
      phases::ReportAndCleanUp(ctx, filesWritten) ? app::Outcome::Passed : app::Outcome::Failed;
}

}  // namespace sw::filetest
