// The test file's layout: sizes, marker spacing, names, and the pattern buffer every file is
// written from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/Context.h"

namespace sw::filetest {

inline constexpr std::int32_t kFullFileSize = 209'715'200;  // "200MB"
inline constexpr std::int32_t kChunkSize = 52'428'800;      // largest single write
inline constexpr int kChunksPerFile = 4;
inline constexpr std::int32_t kMarkerStride = 16'384;
inline constexpr std::int32_t kMarkedPatternBytes = 104'857'600;  // bytes of the pattern marked
inline constexpr std::size_t kPatternSize = 104'857'601;  // TestPattern, indices 0..104,857,600
inline constexpr std::uint8_t kFiller = 0xA5;
inline constexpr std::uint8_t kHeaderF = 0x46;  // "F", bytes 4 to 6
inline constexpr std::size_t kChunkStartZeros = 8;
inline constexpr double kBytesPerMB = 1'048'576.0;
inline constexpr std::int32_t kFileMB = 200;

// The interim checks after 3,000, 5,000, 9,000 and 17,000 MB: a drive that loses data shows it
// long before the whole volume is filled.
inline constexpr std::int32_t kInterimCheckPoints[] = {15, 25, 45, 85};

// "E:" and 7 give "E:\WARDFILE7.tmp".
std::string TestFilePath(const std::string& volume, std::int32_t n);
// "E:" gives "E:\WARDFILE*.tmp": every test file of the volume.
std::string TestFilePattern(const std::string& volume);

// The marker byte of file n (n mod 256), the byte at offset 0 and every 16,384 bytes.
inline std::uint8_t MarkerOf(std::int32_t n) { return static_cast<std::uint8_t>(n & 0xFF); }

// TestPattern is allocated on first use and kept for the program's lifetime; this fills the
// part of it that files are written from with the 0xA5 filler, as every run starts.
void PrepareTestPattern(core::Context& ctx);
// True once TestPattern has its full size; callers that find it missing prepare it first.
bool TestPatternReady(const core::Context& ctx);

}  // namespace sw::filetest
