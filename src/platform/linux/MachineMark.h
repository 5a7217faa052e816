// A cheap reading of everything a full scan of the machine's disks and mounts rests on, so that
// a scan can be kept for as long as the mark read afresh stays the same. A disk keeps its name,
// device number and diskseq only while it is the same disk (a stick plugged in again, a medium
// changed or a loop device attached anew gets a new diskseq), so what describes the hardware is
// not read again; what may change under the same diskseq (size, loop backing file, partitions,
// the members of a stacked device) is, and so are the mount table and the swap areas whole.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace sw::platform::linuxos {

// The mark of <sysRoot>/block and of the mount table and swap list; nullopt when the machine
// cannot be marked (a disk without diskseq, on kernels before 5.15 or in a fixture tree): then
// nothing may be kept from one question to the next.
std::optional<std::string> MarkMachine(const std::filesystem::path& sysRoot,
                                       const std::filesystem::path& mountInfo,
                                       const std::vector<std::string>& swaps);

}  // namespace sw::platform::linuxos
