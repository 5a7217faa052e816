// Whole thorough runs on simulated sticks, with small files so that the simulated volumes stay
// small.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "filetest/ThoroughFiles.h"
#include "filetest/VolumeRunFixture.h"

namespace sw::filetest::testing {

inline constexpr std::uint64_t kFile = 16 * kMiB;
inline constexpr std::uint64_t kThoroughChunk = thorough::kChunkBytes;
inline constexpr int kChunksPerFile = static_cast<int>(kFile / kThoroughChunk);

class ThoroughTest : public VolumeRunTest {
 protected:
  void SetUp() override {
    VolumeRunTest::SetUp();
    ctx.state.ThoroughMode = true;
    ctx.state.ThoroughFileBytes = kFile;
  }

  bool HasLine(const std::string& line) {
    const std::vector<std::string> lines = Lines();
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }

  int CountStarting(const std::string& start) {
    int n = 0;
    for (const std::string& l : Lines()) n += l.rfind(start, 0) == 0 ? 1 : 0;
    return n;
  }

  std::vector<std::string> H2wFiles() {
    std::vector<std::string> names;
    for (const std::string& name : sim.VolumeFileNames("E:")) {
      if (name.size() > 4 && name.substr(name.size() - 4) == ".h2w") names.push_back(name);
    }
    return names;
  }
};

}  // namespace sw::filetest::testing
