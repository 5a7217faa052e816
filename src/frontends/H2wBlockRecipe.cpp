// Recognising and remaking blocks of .h2w data for the simulated volumes.
#include "frontends/H2wBlockRecipe.h"

#include <array>
#include <cstring>

#include "filetest/H2wFormat.h"
#include "platform/ByteOrder.h"

namespace sw::frontends {

std::optional<std::uint64_t> H2wBlockRecipe::Recognize(const std::uint8_t* block) const {
  // The first two words reject other data cheaply; only then is the whole block compared.
  const std::span<const std::uint8_t> words{block, 16};
  const auto key = static_cast<std::uint64_t>(platform::le64s(words, 0));
  if (key % platform::sim::kRecipeBlockBytes != 0) return std::nullopt;
  if (static_cast<std::uint64_t>(platform::le64s(words, 8)) != filetest::h2w::NextWord(key)) {
    return std::nullopt;
  }
  std::array<std::uint8_t, platform::sim::kRecipeBlockBytes> made;
  Make(key, made.data());
  if (std::memcmp(made.data(), block, made.size()) != 0) return std::nullopt;
  return key;
}

void H2wBlockRecipe::Make(std::uint64_t key, std::uint8_t* block) const {
  filetest::h2w::FillSectors({block, platform::sim::kRecipeBlockBytes}, key);
}

}  // namespace sw::frontends
