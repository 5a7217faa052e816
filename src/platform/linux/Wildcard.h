// Windows wildcards ("WARDFILE*.tmp") matched the way Windows matches them.
#pragma once

#include <string>

namespace sw::platform::linuxos {

// Only * and ? are wildcards; every other character (including [ and \) stands for itself,
// and letters match in either case. "*.*" matches every name, with or without a dot.
bool MatchesWildcard(const std::string& pattern, const std::string& name);

}  // namespace sw::platform::linuxos
