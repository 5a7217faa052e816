// The yardsticks for the test-file writers and readers: a plain sequential O_DIRECT write, and
// read, of a file.
#pragma once

#include <cstdint>
#include <filesystem>

namespace sw::bench {

// Writes `bytes` (a multiple of `chunk`) of 0xA5 to `file` with O_DIRECT plus `extraFlags`
// (e.g. O_DSYNC), `chunk` bytes per write, then fsync and close; the file is removed again.
// With `syncEvery` the data is flushed each time that many bytes are written (as a writer of
// files of that size flushes each one). Returns the seconds taken, or a negative value when a
// step failed.
double TimeDirectWrite(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk,
                       int extraFlags, std::uint64_t syncEvery = 0);

// TimeDirectWrite, keeping the file, then its read with O_DIRECT in the same chunks; the file is
// removed again. False when a step failed.
bool TimeDirectWriteThenRead(const std::filesystem::path& file, std::uint64_t bytes,
                             std::uint32_t chunk, std::uint64_t syncEvery, double& writeSeconds,
                             double& readSeconds);

// Writes `bytes` (a multiple of `chunk`) to `file` untimed, then reads it back with O_DIRECT,
// `chunk` bytes per read; the file is removed again. Returns the seconds the read took, or a
// negative value when a step failed.
double TimeDirectRead(const std::filesystem::path& file, std::uint64_t bytes, std::uint32_t chunk);

}  // namespace sw::bench
