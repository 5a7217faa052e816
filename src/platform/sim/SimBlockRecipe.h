// Block contents that can be made again from a number: a simulated volume that recognises them
// keeps the number instead of the bytes, so files of pseudo-random data cost no memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sw::platform::sim {

inline constexpr std::size_t kRecipeBlockBytes = 16'384;

// One family of generated contents. Block k of a run made from key K is Make(K + k * 16,384),
// as in a stream of data whose blocks carry their own offset.
class BlockRecipe {
 public:
  virtual ~BlockRecipe() = default;
  // The key whose block is exactly these 16,384 bytes, or nothing.
  virtual std::optional<std::uint64_t> Recognize(const std::uint8_t* block) const = 0;
  // Writes the 16,384 bytes of key's block.
  virtual void Make(std::uint64_t key, std::uint8_t* block) const = 0;
};

}  // namespace sw::platform::sim
