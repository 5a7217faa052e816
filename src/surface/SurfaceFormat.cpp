#include "surface/SurfaceFormat.h"

#include "drives/TextFormat.h"
#include "surface/SurfaceTexts.h"

namespace sw::surface::detail {

std::string Bytes(std::uint64_t bytes) {
  return drives::FormatDecimals(static_cast<double>(bytes), text::kBytesPattern);
}

std::string MiB(std::uint64_t bytes) {
  return drives::FormatDecimals(static_cast<double>(bytes) / static_cast<double>(kMiBBytes), text::kSizePattern);
}

std::string SizeOfSectors(std::int64_t sectors) {
  return MiB(static_cast<std::uint64_t>(sectors) * 512) + text::kMiB + " (" + std::to_string(sectors) +
         text::kSectorsEnd;
}

std::string MBps(std::uint64_t bytes, std::uint64_t ms) {
  const double rate = ms == 0 ? 0 : static_cast<double>(bytes) / static_cast<double>(ms) / 1000.0;
  return drives::FormatDecimals(rate, text::kSizePattern);
}

}  // namespace sw::surface::detail
