// A simulated machine with one USB stick (drive 1, volume E:) whose free space each test
// chooses, a recording Os in front of it and a scripted window; after every test no file
// handle may be left open.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/Context.h"
#include "filetest/FileCallRecorder.h"
#include "platform/sim/SimOs.h"
#include "support/ScriptedWindow.h"

namespace sw::filetest::testing {

inline constexpr std::uint64_t kFull = 209'715'200;
inline constexpr std::uint64_t kChunk = 52'428'800;
inline constexpr std::uint64_t kMiB = 1'048'576;
// 1,000 whole cylinders of 8,225,280 bytes: the drive's usable size is exactly this.
inline constexpr std::uint64_t kStickBytes = 8'225'280'000;

// What byte `offset` of test file n of size `size` must hold, worked out from the layout
// rather than from the writer.
std::uint8_t ExpectedByte(std::uint32_t n, std::uint64_t offset);
// The same for count bytes from offset.
std::vector<std::uint8_t> ExpectedBytes(std::uint32_t n, std::uint64_t offset, std::size_t count);

class FileTestFixture : public ::testing::Test {
 protected:
  static constexpr platform::LocalTime kClock = 1'700'000'000;

  platform::sim::SimOs sim;
  FileCallRecorder os{sim};
  sw::testing::ScriptedWindow win;
  core::Context ctx{os, win};

  void SetUp() override;
  void TearDown() override;

  // Drive `number` as a genuine USB stick of kStickBytes with one file volume.
  void AddStick(int number, const std::string& letter, std::optional<std::uint64_t> freeBytes,
                platform::sim::FileFault fault = platform::sim::FileFault::None,
                std::uint64_t faultAfter = 0);
  // The same drive described in full.
  static platform::sim::SimDriveSpec StickSpec(const std::string& letter,
                                               std::optional<std::uint64_t> freeBytes,
                                               platform::sim::FileFault fault,
                                               std::uint64_t faultAfter);
  // Text1 so far, line by line.
  std::vector<std::string> Lines() { return win.Lines(); }
  // Checks the size of a file on E: and its first `checked` bytes (all by default) against the
  // layout; reports the first difference.
  ::testing::AssertionResult FileHoldsLayout(const std::string& name, std::uint32_t n,
                                             std::uint64_t size, std::uint64_t checked = ~0ULL);
  // Overwrites one byte of a file on E: (a buffered write, as any program could do).
  void PokeByte(const std::string& name, std::uint64_t offset, std::uint8_t value);
};

}  // namespace sw::filetest::testing
