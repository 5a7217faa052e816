// The files of a thorough run: the ones it will write into the free space, or the ones already
// on the volume that --verify-only checks.
#pragma once

#include <cstdint>
#include <vector>

#include "core/Context.h"

namespace sw::filetest::thorough {

struct Plan {
  std::vector<std::uint64_t> sizes;  // bytes of file n at index n - 1
  // What the caller's own share of the free space holds for certain. The plan may go past it
  // into blocks the file system keeps for the administrator (ext4 keeps 5 % for root, and
  // root may fill them, as f3write does): a volume that is full there has simply been filled.
  std::uint64_t surelyWritable = 0;
  std::uint64_t Total() const;
  // What files n and on were planned to hold.
  std::uint64_t From(std::uint64_t n) const;
};

// What a thorough run fills: every free block of the volume, the administrator's reserve
// included where the caller may use it. 0 when the volume gives no figures.
std::uint64_t FillableBytes(core::Context& ctx);

// Whole files of ThoroughFileBytes, then one last file of whole MiB in what is left less the
// 1,024 bytes the file system keeps for itself: H2testw reads only whole-MiB files, and
// f3write makes its last file the same way. What is left: every free block of the volume.
Plan PlanFiles(core::Context& ctx);

// The .h2w files already on the volume, 1.h2w upwards without a gap, with their sizes in whole
// sectors. `unopened` gets the first name that is listed but cannot be opened as a file (a
// folder, a link, a file kept locked), 0 when there is none.
Plan PlanExisting(core::Context& ctx, std::uint64_t& unopened);

}  // namespace sw::filetest::thorough
