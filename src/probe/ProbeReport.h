// The probe's findings in the report, in the words and boxes of the other tests.
#pragma once

#include <cstdint>

#include "core/Context.h"
#include "probe/ProbeEngine.h"

namespace sw::probe {

inline constexpr std::uint64_t kSectorBytes = 512;
inline constexpr std::uint64_t kMiBBytes = 1 << 20;

// A completed probe that found every announced sector good and put every block back.
bool IsGenuine(const ProbeFindings& findings);
// A probe stopped by its own limits that had already seen an announced sector lose its block:
// the drive is not what it announces, whatever the exact end.
bool ProvenFake(const ProbeFindings& findings);

// The largest partition the real memory holds: whole MiB, less the first MiB where the
// partition table and the alignment gap before the first partition lie. 0 when there is no
// room for one.
std::uint64_t RecommendedBytes(const ProbeFindings& findings);

// The findings, the restore, the time and the verdict box of a run that got to the engine.
void ReportFindings(core::Context& ctx, const ProbeFindings& findings, const ProbeOptions& options,
                    double elapsedSeconds);

}  // namespace sw::probe
