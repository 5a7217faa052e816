// The yardstick for the test-file writer: a plain sequential O_DIRECT write of a file.
#pragma once

#include <cstdint>
#include <filesystem>

namespace sw::bench {

// Writes `bytes` (a multiple of `chunk`) of 0xA5 to `file` with O_DIRECT plus `extraFlags`
// (e.g. O_DSYNC), `chunk` bytes per write, then fsync and close; the file is removed again.
// Returns the seconds taken, or a negative value when a step failed.
double TimeDirectWrite(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk,
                       int extraFlags);

}  // namespace sw::bench
