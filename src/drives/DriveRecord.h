// The drive being listed or tested as data, for the run's record and the JSON document.
#pragma once

#include "core/Context.h"

namespace sw::drives {

// The drive last identified (DiskNumber, the identity texts, DriveSizeBytes, DriveLetter1..4),
// with the labels and bus the drive list found for it when it listed that drive.
core::DriveRecord DescribeDrive(core::Context& ctx);
// Once the pick is pinned, the run's drive carries the identity its questions named: the
// serial as the pin read it and the size the system reports (not the size rounded down to
// whole cylinders that the specified test lines use).
void TakePinnedIdentity(core::State& s);

}  // namespace sw::drives
