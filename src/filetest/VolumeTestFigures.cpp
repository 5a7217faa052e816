// MB tested, MB good and the verdict of a volume file test.
#include "filetest/VolumeTestFigures.h"

#include "filetest/ReportFormat.h"
#include "filetest/TestFileFormat.h"

namespace sw::filetest {

VolumeTestFigures ComputeFigures(std::int32_t filesWritten, std::int32_t testFileCount,
                                 std::int32_t goodFileCount, std::int32_t lastFileSize) {
  VolumeTestFigures f;
  const double lastMB = lastFileSize / kBytesPerMB;
  f.mbTested =
      lastFileSize == 0
          ? std::int64_t{filesWritten} * kFileMB
          : static_cast<std::int64_t>(RoundHalfEven(double(filesWritten) * kFileMB + lastMB));
  f.passed = testFileCount == goodFileCount;
  if (f.passed) {
    f.mbGood = lastFileSize == 0 ? std::int64_t{goodFileCount} * kFileMB
                                 : static_cast<std::int64_t>(
                                       RoundHalfEven(double(testFileCount - 1) * kFileMB + lastMB));
  } else {
    // A good last file counts as a whole 200 MB here.
    f.mbGood = std::int64_t{goodFileCount} * kFileMB;
    f.probablyFake = goodFileCount <= double(testFileCount) * 2.0 / 3.0;
  }
  return f;
}

}  // namespace sw::filetest
