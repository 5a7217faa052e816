// Files the user asked for: the report text, the JSON document, the drive map.
#pragma once

#include <string>

namespace sw::report {

// An output file written safely: a temporary file is made beside the target before the run
// (so that an unusable folder is reported before anything is tested) and renamed over the
// target once the whole content is in it. A run that is refused, killed or fails to write
// leaves the old file whole. The target may not be a symbolic link or anything but a regular
// file: the file written is always the one named, never one a link points to.
class OutputFile {
 public:
  // Checks path and makes the temporary file; error() tells why it could not.
  explicit OutputFile(const std::string& path);
  // A temporary file that was never written is removed.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool opened() const { return fd_ >= 0; }
  const std::string& error() const { return error_; }
  const std::string& path() const { return path_; }
  // Writes the whole content (bytes as given), flushes it to the disk and puts it in the
  // target's place. False with error() set when any step failed; the target is then as it was.
  bool Write(const std::string& content);

 private:
  void Discard();

  std::string path_;
  std::string temp_;
  int fd_ = -1;
  std::string error_;
};

// The drive map's file name ending.
inline constexpr const char* kMapSuffix = ".svg";

// "report.txt" -> "report.svg": the map saved beside a report.
std::string MapPathBeside(const std::string& reportPath);

}  // namespace sw::report
