// Sizes and speeds as the full-surface test's lines and boxes word them.
#pragma once

#include <cstdint>
#include <string>

namespace sw::surface::detail {

inline constexpr std::uint64_t kMiBBytes = 1ull << 20;

std::string Bytes(std::uint64_t bytes);          // "8,388,608"
std::string MiB(std::uint64_t bytes);            // "8.0"
std::string SizeOfSectors(std::int64_t sectors);  // "9.0MiB (18432 sectors)"
std::string MBps(std::uint64_t bytes, std::uint64_t ms);  // decimal megabytes a second

}  // namespace sw::surface::detail
