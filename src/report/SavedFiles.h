// Files the user asked for: the report text, the JSON document, the drive map.
#pragma once

#include <fstream>
#include <string>

namespace sw::report {

// An output file opened (and emptied) before the run, so that an unusable path is reported
// before anything is tested, and written once the run is over.
class OutputFile {
 public:
  // Opens path for writing; error() tells why it could not be opened.
  explicit OutputFile(const std::string& path);
  bool opened() const { return out_.is_open(); }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }
  // Writes the whole content (bytes as given) and closes the file. False with error() set when
  // it could not be written.
  bool Write(const std::string& content);

 private:
  std::string path_;
  std::ofstream out_;
  std::string error_;
};

// The drive map's file name ending.
inline constexpr const char* kMapSuffix = ".svg";

// "report.txt" -> "report.svg": the map saved beside a report.
std::string MapPathBeside(const std::string& reportPath);

}  // namespace sw::report
