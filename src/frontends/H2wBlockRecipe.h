// The shared test-file format as a recipe of the simulated volumes: a stick filled with .h2w
// files costs the simulator a few runs, not the gigabytes written.
#pragma once

#include "platform/sim/SimBlockRecipe.h"

namespace sw::frontends {

class H2wBlockRecipe final : public platform::sim::BlockRecipe {
 public:
  std::optional<std::uint64_t> Recognize(const std::uint8_t* block) const override;
  void Make(std::uint64_t key, std::uint8_t* block) const override;
};

}  // namespace sw::frontends
