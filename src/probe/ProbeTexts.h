// Texts of the exact probe's engine: the names of its phases as the live progress shows them.
#pragma once

namespace sw::probe::text {

inline constexpr const char* kPhaseWrap = "Probing for a wrap";
inline constexpr const char* kPhaseCache = "Sizing the write cache";
inline constexpr const char* kPhaseSearch = "Searching the last good sector";
inline constexpr const char* kPhaseRestore = "Restoring the probed sectors";

}  // namespace sw::probe::text
