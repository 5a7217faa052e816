// What a test's stick sits among: nothing at all (quiet), or bystander disks and disks coming
// and going (churn). Either way the mounts are noted before the stick is made, and Check tells
// whether the run left every other disk and mount as it was.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "Bystanders.h"
#include "DiskChurn.h"

namespace sw::e2e {

enum class Scene { Quiet, Churn };

const char* SceneName(Scene scene);  // "quiet", "churn"

class Surroundings {
 public:
  // Make before the stick, so that the churn holds loop numbers below it. Null with the reason.
  static std::unique_ptr<Surroundings> Make(Scene scene, std::string& whyNot);

  Scene Of() const { return scene_; }
  // The folders whose images back loop devices of ours (bystanders and churn).
  std::vector<std::filesystem::path> OurFolders() const;
  // Stops the churn, then returns what the run did to the rest of the machine: no churn at all,
  // a bystander written or moved, a mount outside the sticks' folders come or gone. Empty
  // when all is as it was.
  std::string Check(const std::vector<std::filesystem::path>& stickFolders);
  // The churn's seed and latest events (empty when quiet), for failure messages.
  std::string Describe() const;
  const DiskChurn* Churn() const { return churn_.get(); }  // null when quiet

 private:
  Surroundings() = default;
  Scene scene_ = Scene::Quiet;
  std::vector<std::string> mountsBefore_;
  std::unique_ptr<Bystanders> bystanders_;  // made before the churn, undone after it
  std::unique_ptr<DiskChurn> churn_;
};

// The mounts of this process as sorted lines, leaving out those under any of the folders.
std::vector<std::string> MountLines(const std::vector<std::filesystem::path>& leaveOut);

}  // namespace sw::e2e
