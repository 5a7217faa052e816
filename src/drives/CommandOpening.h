// The opening that every command writing to a whole drive shares, in the order that keeps it
// safe: the selected disk taken and its identity pinned, the run's record begun, the pick
// accepted, the disk claimed against other runs, whatever must come first refused, and the
// report headed. The claim is held for as long as the opening lives.
#pragma once

#include <optional>
#include <string>

#include "core/Context.h"
#include "diskio/RunClaim.h"

namespace sw::drives {

struct OpeningSteps {
  void (*startRecord)(core::Context&) = nullptr;
  // Asked once the disk is claimed; true ends the command (it has said why). A probe's blocks
  // left to restore, say, would go back over what the command writes.
  bool (*refuse)(core::Context&) = nullptr;
  std::string heading;
};

class CommandOpening {
 public:
  CommandOpening(core::Context& ctx, const OpeningSteps& steps);
  CommandOpening(const CommandOpening&) = delete;
  CommandOpening& operator=(const CommandOpening&) = delete;

  // False when the command must end here; every reason has been given.
  bool ready() const { return ready_; }
  // The pinned disk's line of the report, for the questions.
  const std::string& deviceLine() const { return deviceLine_; }

 private:
  std::optional<diskio::RunClaim> claim_;
  std::string deviceLine_;
  bool ready_ = false;
};

}  // namespace sw::drives
