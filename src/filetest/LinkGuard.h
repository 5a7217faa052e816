// Test files are written only as plain files of their own: a name that is already taken by a
// folder, a link or a device is never written through, and is reported instead.
#pragma once

#include <string>
#include <vector>

#include "core/Context.h"

namespace sw::filetest {

// True when no name of `pattern` (the plain test's files, or the .h2w files) on SelectedVolume
// stands for anything but an ordinary file. Else nothing is written or read: the names are
// logged and shown in a box, and the result is false.
bool TestFileNamesFree(core::Context& ctx, const std::string& pattern);

// The words of that refusal for the names found on a volume ("E:"), each given as the path the
// user finds it at.
std::string TakenNamesText(const std::string& volume, const std::vector<std::string>& paths);

}  // namespace sw::filetest
