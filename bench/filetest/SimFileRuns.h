// The default and the thorough file test side by side on simulated sticks: wall time, the
// stick's own time at its speed, and the bytes each test moves.
#pragma once

namespace sw::bench {

// Prints the table; false when a run did not reach the verdict it should.
bool PrintSimulatedFileRuns();

}  // namespace sw::bench
