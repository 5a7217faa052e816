// Text from a slice of bytes: clipping of the bounds, the stop at NUL, trimming.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "diskio/DiskIdentity.h"

namespace sw::diskio {
namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ByteArrayToStrTest, ClipsTrimsAndStopsAtZero) {
  struct Row {
    std::string bytes;
    std::int32_t start;
    std::int32_t end;
    bool stopAtZero;
    std::string text;
    std::int32_t endAfter;
  };
  const std::string abc = "  AB C  ";
  const std::string nul = std::string("AB\0CD", 5);
  const Row rows[] = {
      {abc, 0, 7, true, "AB C", 7},
      {abc, 0, -1, true, "AB C", 7},          // -1: up to the last byte, written back
      {abc, 0, 100, true, "AB C", 7},         // beyond the last byte: clipped, written back
      {abc, -5, 3, true, "AB", 3},            // start below the first byte: from the first
      {abc, 2, 2, true, "A", 2},
      {abc, 5, 4, true, "", 4},               // start after end
      {abc, 9, -1, true, "", 7},              // start beyond the array
      {nul, 0, 4, true, "AB", 4},
      {nul, 2, 4, true, "", 4},               // a slice that starts with NUL is empty
      {nul, 0, 4, false, nul, 4},             // without the stop the NUL is kept
      {"", 0, -1, true, "", -1},              // nothing at all
      {"\t x \t", 0, -1, true, "\t x \t", 4}, // only spaces are trimmed
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(::testing::Message() << '"' << r.bytes << "\" " << r.start << ".." << r.end);
    const std::vector<std::uint8_t> b = Bytes(r.bytes);
    std::int32_t end = r.end;
    EXPECT_EQ(ByteArrayToStr(b, r.start, end, r.stopAtZero), r.text);
    EXPECT_EQ(end, r.endAfter);
  }
}

TEST(ByteArrayToStrTest, BytesAboveAsciiPassThroughUnchanged) {
  const std::vector<std::uint8_t> b{0xC4, 0x20, 0xFF};
  std::int32_t end = -1;
  EXPECT_EQ(ByteArrayToStr(b, 0, end, true), "\xC4 \xFF");
}

}  // namespace
}  // namespace sw::diskio
