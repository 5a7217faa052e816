// The program's state files on the simulated computer: kept in memory, for the life of the
// machine object.
#include "platform/WinApi.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimOs.h"

namespace sw::platform::sim {

void SimOs::FailStateAppendsAfter(std::uint64_t appends) { impl_->stateAppendsLeft = appends; }

bool SimOs::AppendStateFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  Impl& m = *impl_;
  if (name.empty() || name.find_first_of("\\/:") != std::string::npos) return m.Fail(win::ERROR_INVALID_NAME);
  if (m.stateAppendsLeft == 0) return m.Fail(win::ERROR_DISK_FULL);
  --m.stateAppendsLeft;
  std::vector<std::uint8_t>& file = m.stateFiles[name];
  file.insert(file.end(), bytes.begin(), bytes.end());
  return true;
}

std::optional<std::vector<std::uint8_t>> SimOs::ReadStateFile(const std::string& name) {
  Impl& m = *impl_;
  const auto found = m.stateFiles.find(name);
  if (found == m.stateFiles.end()) {
    m.Fail(win::ERROR_FILE_NOT_FOUND);
    return std::nullopt;
  }
  return found->second;
}

std::vector<std::string> SimOs::StateFiles() {
  std::vector<std::string> names;
  for (const auto& [name, bytes] : impl_->stateFiles) names.push_back(name);
  return names;
}

bool SimOs::DeleteStateFile(const std::string& name) {
  Impl& m = *impl_;
  if (m.stateFiles.erase(name) == 0) return m.Fail(win::ERROR_FILE_NOT_FOUND);
  return true;
}

}  // namespace sw::platform::sim
