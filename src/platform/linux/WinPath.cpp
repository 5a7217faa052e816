// Parsing of Windows device and file names.
#include "platform/linux/WinPath.h"

#include <cctype>
#include <vector>

namespace sw::platform::linuxos {

namespace {

constexpr const char* kDevicePrefix = "\\\\.\\";
constexpr const char* kPhysicalDrive = "physicaldrive";

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsLetterColon(const std::string& text) {
  return text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

WinPath ParseWinPath(const std::string& name) {
  WinPath path;
  if (name.rfind(kDevicePrefix, 0) == 0) {
    std::string rest = name.substr(4);
    std::string lower = Lower(rest);
    if (lower.rfind(kPhysicalDrive, 0) == 0) {
      std::string digits = rest.substr(13);
      if (digits.empty() || digits.size() > 6) return path;
      for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return path;
      }
      path.kind = WinPath::Kind::PhysicalDrive;
      path.driveNumber = std::stoi(digits);
      return path;
    }
    if (rest.size() == 2 && IsLetterColon(rest)) {
      path.kind = WinPath::Kind::Volume;
      path.letter = Upper(rest[0]);
    }
    return path;
  }
  if (!IsLetterColon(name)) return path;
  path.letter = Upper(name[0]);
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 2; i <= name.size(); ++i) {
    char c = i < name.size() ? name[i] : '\\';
    if (c != '\\' && c != '/') {
      part += c;
      continue;
    }
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != ".") {
      parts.push_back(part);
    }
    part.clear();
  }
  if (parts.empty()) {
    path.kind = WinPath::Kind::VolumeRoot;
    return path;
  }
  path.kind = WinPath::Kind::File;
  for (const std::string& p : parts) {
    if (!path.relative.empty()) path.relative += '/';
    path.relative += p;
  }
  return path;
}

}  // namespace sw::platform::linuxos
