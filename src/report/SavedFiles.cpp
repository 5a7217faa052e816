// Output files and their names.
#include "report/SavedFiles.h"

#include <cerrno>
#include <cstring>

namespace sw::report {

OutputFile::OutputFile(const std::string& path) : path_(path) {
  // Binary: the report's CR LF line breaks are saved as they are, on every platform.
  out_.open(path, std::ios::binary | std::ios::trunc);
  if (!out_.is_open()) error_ = std::strerror(errno);
}

bool OutputFile::Write(const std::string& content) {
  if (!out_.is_open()) return false;
  out_ << content;
  out_.close();
  if (out_.fail()) {
    error_ = std::strerror(errno);
    return false;
  }
  return true;
}

std::string MapPathBeside(const std::string& reportPath) {
  const auto slash = reportPath.find_last_of("/\\");
  const auto dot = reportPath.find_last_of('.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return (hasExtension ? reportPath.substr(0, dot) : reportPath) + kMapSuffix;
}

}  // namespace sw::report
