// The list of .h2w files this program wrote on a volume. H2testw and f3write name their files the
// same way and fill them with the same data, so a file's content cannot say whose it is; the
// list can, and the clean-up deletes only what it names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/Context.h"

namespace sw::filetest {

inline constexpr const char* kH2wLedgerName = "SizeWarden-h2w-files.txt";

// Adds 1.h2w to count.h2w to the volume's list. False when it could not be written.
bool RecordH2wFiles(core::Context& ctx, const std::string& volume, std::uint64_t count);
// The names the list holds; empty when there is none.
std::vector<std::string> RecordedH2wFiles(core::Context& ctx, const std::string& volume);
// Deletes the list.
void ForgetH2wFiles(core::Context& ctx, const std::string& volume);

}  // namespace sw::filetest
