// The thorough test's write and read-back passes on a real volume, timed, beside plain O_DIRECT
// transfers of the same size in the same chunks.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/linux/LinuxOs.h"

namespace sw::bench {

struct ThoroughFigures {
  double write = 0;        // the thorough writer, all files
  double read = 0;         // reading them back, every byte judged
  double directWrite = 0;  // plain O_DIRECT of the same bytes
  double directSync = 0;   // O_DIRECT | O_DSYNC, what write-through asks for
  double directRead = 0;
  std::uint64_t bytes = 0;
  bool failed = false;
};

// `files` files of `fileBytes` on `volume` (the provider's name for `folder`), added to t.
void MeasureThorough(platform::linuxos::LinuxOs& os, const std::string& volume,
                     const std::filesystem::path& folder, int files, std::uint64_t fileBytes,
                     ThoroughFigures& t);

void PrintThorough(const ThoroughFigures& t);

}  // namespace sw::bench
