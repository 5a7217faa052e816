// Quiet or churning surroundings of a stick under test, and the check that they were left alone.
#include "Surroundings.h"

#include <algorithm>
#include <chrono>
#include <sstream>

#include "platform/linux/MountTable.h"

namespace sw::e2e {

namespace fs = std::filesystem;

namespace {

bool Under(const std::string& path, const fs::path& folder) {
  const std::string f = folder.string();
  return !f.empty() && (path == f || path.rfind(f + "/", 0) == 0);
}

}  // namespace

const char* SceneName(Scene scene) { return scene == Scene::Churn ? "churn" : "quiet"; }

std::vector<std::string> MountLines(const std::vector<fs::path>& leaveOut) {
  std::vector<std::string> lines;
  for (const auto& m : platform::linuxos::ReadMountInfo("/proc/self/mountinfo")) {
    bool skip = false;
    for (const fs::path& f : leaveOut) skip = skip || Under(m.target, f);
    if (!skip) lines.push_back(m.source + " on " + m.target + " type " + m.fsType + " (" + m.options + ")");
  }
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::unique_ptr<Surroundings> Surroundings::Make(Scene scene, std::string& whyNot) {
  std::unique_ptr<Surroundings> s(new Surroundings());
  s->scene_ = scene;
  if (scene == Scene::Churn) {
    s->bystanders_ = Bystanders::Make(whyNot);
    if (!s->bystanders_) return nullptr;
  }
  // The bystander's mount belongs to what must stay; the churn's own comes and goes.
  s->mountsBefore_ = MountLines({});
  if (scene == Scene::Churn) {
    s->churn_ = DiskChurn::Start(whyNot);
    if (!s->churn_) return nullptr;
  }
  return s;
}

std::vector<fs::path> Surroundings::OurFolders() const {
  std::vector<fs::path> folders;
  if (bystanders_) folders.push_back(bystanders_->Folder());
  if (churn_) folders.push_back(churn_->Folder());
  return folders;
}

std::string Surroundings::Check(const std::vector<fs::path>& stickFolders) {
  std::ostringstream out;
  std::vector<fs::path> leaveOut = stickFolders;
  if (churn_) {
    // A command quicker than the churn's first change (a list takes a tenth of a second) still
    // tells a churn that changes nothing from one that had no time to: it is given that time.
    churn_->WaitForEvent(std::chrono::seconds(10));
    churn_->Stop();
    if (churn_->Events() == 0) out << "no disk came or went during the run; ";
    leaveOut.push_back(churn_->Folder());
  }
  if (bystanders_) out << bystanders_->Changes();
  std::vector<std::string> before = mountsBefore_;
  before.erase(std::remove_if(before.begin(), before.end(),
                              [&](const std::string& line) {
                                for (const fs::path& f : leaveOut) {
                                  const std::string on = " on " + f.string();
                                  if (line.find(on + "/") != std::string::npos || line.find(on + " type ") != std::string::npos) {
                                    return true;
                                  }
                                }
                                return false;
                              }),
               before.end());
  const std::vector<std::string> after = MountLines(leaveOut);
  for (const std::string& line : before) {
    if (std::find(after.begin(), after.end(), line) == after.end()) out << "mount gone: " << line << "; ";
  }
  for (const std::string& line : after) {
    if (std::find(before.begin(), before.end(), line) == before.end()) out << "mount new: " << line << "; ";
  }
  return out.str();
}

std::string Surroundings::Describe() const { return churn_ ? churn_->Describe() : std::string(); }

}  // namespace sw::e2e
