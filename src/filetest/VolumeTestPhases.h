// The phases of one volume file test run, in the order the command runs them. Internal to the
// command; each phase reads and writes the run state in ctx.state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "core/Context.h"
#include "filetest/Leftovers.h"

namespace sw::filetest::phases {

// Checks the volume and restarts the report with the heading. False: stop silently (no testable
// volume, the system disk or an unknown drive).
bool CheckAndHead(core::Context& ctx);

// The test files an earlier run left, looked at before the question. Files named like the ones
// this run writes that are not this program's stop the run (a box says which): nothing may
// overwrite them. Nothing when the run must stop.
std::optional<Leftovers> LeftoversBeforeConsent(core::Context& ctx, bool thorough);
// Deletes this program's leftovers once the user said OK.
void DeleteLeftoversAfterConsent(core::Context& ctx, const Leftovers& leftovers);

// Plans the full files from the free space (with what the leftovers will give back), checks
// the drive's size and asks for consent. False: stop (a box has told why, or the user cancelled).
bool SizeAndConsent(core::Context& ctx, const Leftovers& leftovers);
// Plans the full files and the last one from the free space there is now.
void PlanFiles(core::Context& ctx, double freeBytes);
// Its second half: the drive's size, the warning line and the consent box for freeMB, which
// names the leftovers that will be deleted.
bool DriveAndConsent(core::Context& ctx, double freeMB, const Leftovers& leftovers);

// Writes the full files with the interim checks. False: aborted by Cancel (the abort text is
// logged and the idle layout restored). filesWritten: the files the verification covers.
bool WriteFullFiles(core::Context& ctx, std::int32_t& filesWritten);

// The last file's size for this much free space: free space less 1,024 bytes, at most a full
// file, whole sectors on volumes with sectors above 512 bytes, 0 when under 1,024 bytes.
double LastFileSizeFor(double freeBytes, std::uint32_t sectorBytes);

// The last, smaller file into the space the full files left (only when no error so far).
void WriteLastFile(core::Context& ctx);

// Verifies every file written. False: aborted by Cancel (logged, idle layout restored).
bool VerifyAllFiles(core::Context& ctx, std::int32_t filesWritten);

// The figures, the verdict, the deletion of the test files and the closing box. Returns
// Passed or Failed, or NotRun when the volume stopped the run (read-only, full, gone) and no
// file checked had lost data: then the box says what happened and gives no verdict.
core::Outcome ReportAndCleanUp(core::Context& ctx, std::int32_t filesWritten);

// "hh:mm:ss" since the writing began.
std::string ElapsedText(core::Context& ctx);

// Ends a run cut short by Cancel: idle layout, then the abort text on a new line.
void Abort(core::Context& ctx, const char* message);

}  // namespace sw::filetest::phases
