// Windows wildcards through fnmatch.
#include "platform/linux/Wildcard.h"

#include <fnmatch.h>

namespace sw::platform::linuxos {

bool MatchesWildcard(const std::string& pattern, const std::string& name) {
  if (pattern == "*.*") return true;
  std::string glob;
  for (char c : pattern) {
    if (c != '*' && c != '?') glob += '\\';
    glob += c;
  }
  return ::fnmatch(glob.c_str(), name.c_str(), FNM_CASEFOLD) == 0;
}

}  // namespace sw::platform::linuxos
