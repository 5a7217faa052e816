// The figures and the verdict of a finished volume file test, from its counts alone.
#pragma once

#include <cstdint>

namespace sw::filetest {

struct VolumeTestFigures {
  std::int64_t mbTested = 0;
  std::int64_t mbGood = 0;
  bool passed = false;        // every planned file (the last one included) verified good
  bool probablyFake = false;  // failed with no more than two thirds of the files good
};

// filesWritten: full files that were verified; testFileCount: files planned (plus one for a
// last file); goodFileCount: files that verified good; lastFileSize: bytes of the last file, 0
// when there was none.
VolumeTestFigures ComputeFigures(std::int32_t filesWritten, std::int32_t testFileCount,
                                 std::int32_t goodFileCount, std::int32_t lastFileSize);

}  // namespace sw::filetest
