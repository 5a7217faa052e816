// Write and read failures that say something about the volume rather than the memory behind
// it: a read-only, full or vanished volume is no evidence of a fake.
#pragma once

#include <cstdint>

namespace sw::filetest {

enum class StopReason { None, ReadOnly, Full, Gone };

// The reason a failed call's system error code stands for; None for an error that may be the
// drive's own (a write fault, a CRC error), which the test goes on to judge.
StopReason ClassifyStop(std::uint32_t win32Error);

// The box text that tells the user what happened (empty for None).
const char* StopMessage(StopReason reason);

}  // namespace sw::filetest
