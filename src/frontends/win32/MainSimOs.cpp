// SizeWardenSim.exe: the same window on the simulated demo drives (E: a 32 GB stick that holds
// 8 GB, F: a genuine 16 GB stick), for the smoke test, screenshots and trying it out safely.
// With --layout-record FILE, what the simulated drives were given by Make Usable is written to
// FILE after every change, a line a drive, for the smoke test to check from outside.
#include <fstream>
#include <memory>
#include <string>

#include "frontends/H2wBlockRecipe.h"
#include "frontends/win32/RunMainWindow.h"
#include "platform/sim/SimOs.h"

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace {

constexpr char kLayoutRecord[] = "--layout-record";
constexpr int kDrivesRecorded = 16;

// The path after --layout-record in the command line, quoted or not; empty when not given.
std::string LayoutRecordPath(const std::string& line) {
  const std::string::size_type at = line.find(kLayoutRecord);
  if (at == std::string::npos) return {};
  std::string::size_type start = line.find_first_not_of(' ', at + sizeof kLayoutRecord - 1);
  if (start == std::string::npos) return {};
  if (line[start] == '"') {
    const std::string::size_type end = line.find('"', start + 1);
    return end == std::string::npos ? std::string{} : line.substr(start + 1, end - start - 1);
  }
  return line.substr(start, line.find(' ', start) - start);
}

// "drive 1 style 0 first 2048 last 15624191 type 12 fs fat32 label VERIFIED", in 512-byte
// sectors, for every drive that has a table.
void WriteLayoutRecord(const sw::platform::sim::SimOs& os, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (int drive = 0; drive < kDrivesRecorded; ++drive) {
    const auto table = os.PartitionTable(drive);
    if (!table) continue;
    const std::uint64_t first = table->startingOffset / 512;
    const std::uint64_t last = table->length == 0 ? 0 : (table->startingOffset + table->length) / 512 - 1;
    out << "drive " << drive << " style " << table->style << " first " << first << " last " << last << " type "
        << static_cast<unsigned>(table->mbrType) << " fs " << (table->fileSystem.empty() ? "-" : table->fileSystem)
        << " label " << (table->label.empty() ? "-" : table->label) << "\n";
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  sw::platform::sim::SimOs os;
  os.SetBlockRecipe(std::make_shared<sw::frontends::H2wBlockRecipe>());
  sw::platform::sim::AddDemoDrives(os);
  const std::string record = LayoutRecordPath(commandLine ? commandLine : "");
  if (!record.empty()) os.AfterLayoutChange([&os, record] { WriteLayoutRecord(os, record); });
  return sw::frontends::win32::RunMainWindow(instance, os);
}
