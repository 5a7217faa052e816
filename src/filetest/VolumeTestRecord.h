// The volume file test as live progress and as the run's record.
#pragma once

#include <cstdint>

#include "core/Context.h"
#include "filetest/VolumeTestFigures.h"

namespace sw::filetest {

// Restarts LastRun for a file test of SelectedVolume on the drive just identified.
void StartFileRecord(core::Context& ctx);
// How far the writing has come: file n, of which bytesOfFile are written.
void ShowWriteProgress(core::Context& ctx, std::int32_t n, std::int64_t bytesOfFile,
                       bool reportLineFollows);
// How far the verification has come: the files before file n are verified. readAtStart: the
// run's bytes read when the verification began, so that the phase counts what it read.
void ShowVerifyProgress(core::Context& ctx, std::int32_t n, std::int32_t filesWritten,
                        std::uint64_t readAtStart);
// The figures and verdict of a finished run.
void RecordFileFigures(core::Context& ctx, const VolumeTestFigures& figures);
// A run that Cancel cut short.
void RecordFileCancelled(core::Context& ctx, const char* message);

}  // namespace sw::filetest
