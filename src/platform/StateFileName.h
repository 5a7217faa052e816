// The names the program's own state files may have: plain names in one folder, never a path
// that leaves it, never a hidden file.
#pragma once

#include <algorithm>
#include <cctype>
#include <string>

namespace sw::platform {

inline bool IsPlainStateFileName(const std::string& name) {
  if (name.empty() || name.size() > 200 || name.front() == '.') return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.';
  });
}

}  // namespace sw::platform
