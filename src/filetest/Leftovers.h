// Test files an earlier run left on a volume, told apart from files of the same name that this
// program did not write: only its own are ever deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"

namespace sw::filetest {

struct Leftovers {
  std::vector<std::string> ours;     // names on the volume ("WARDFILE3.tmp", "2.h2w")
  std::vector<std::string> foreign;  // named like test files, not written by this program
  std::uint64_t ourBytes = 0;        // what deleting ours gives back
};

enum class LeftoverKind { Plain, H2w, Both };

// A WARDFILEn.tmp is ours when it starts with the header this program writes for file n (or is
// empty: created, then the run ended). An n.h2w is ours when the list this program keeps on the
// volume names it and it holds the data of file n; --all-h2w (DeleteForeignH2w) makes every
// .h2w count as ours.
Leftovers FindLeftovers(core::Context& ctx, const std::string& volume, LeftoverKind kind);

// "WARDFILE1.tmp, WARDFILE2.tmp": names for a question or a report line.
std::string ListedNames(const std::vector<std::string>& names);

// Deletes the named files of the volume (and the list of .h2w files once none is left), with
// the report's "Deleting ... files... finished." lines. Nothing happens for an empty list.
void DeleteLeftovers(core::Context& ctx, const std::string& volume, const std::vector<std::string>& names);
// One "Kept ..." line for each file that stays because it is not this program's.
void LogKeptForeign(core::Context& ctx, const std::string& volume, const std::vector<std::string>& names);

}  // namespace sw::filetest
