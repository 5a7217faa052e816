// Test file names and the pattern buffer's preparation.
#include "filetest/TestFileFormat.h"

#include <cstring>

#include "filetest/FileTestTexts.h"

namespace sw::filetest {

std::string TestFilePath(const std::string& volume, std::int32_t n) {
  return volume + texts::kFilePrefix + std::to_string(n) + texts::kFileSuffix;
}

std::string TestFilePattern(const std::string& volume) { return volume + texts::kFilePattern; }

bool TestPatternReady(const core::Context& ctx) {
  return ctx.state.TestPattern.size() == kPatternSize;
}

void PrepareTestPattern(core::Context& ctx) {
  core::AlignedBuffer& pattern = ctx.state.TestPattern;
  if (!TestPatternReady(ctx)) pattern.Resize(kPatternSize);
  // The last index stays as it is: it is never written out.
  std::memset(pattern.data(), kFiller, static_cast<std::size_t>(kMarkedPatternBytes));
}

}  // namespace sw::filetest
