// The simulated machine and the layout oracle the file test suites share.
#include "filetest/FileTestFixture.h"

#include <algorithm>

#include "platform/WinApi.h"

namespace sw::filetest::testing {

std::uint8_t ExpectedByte(std::uint32_t n, std::uint64_t offset) {
  if (offset < 4) return static_cast<std::uint8_t>(n >> (8 * offset));
  if (offset < 7) return 0x46;
  if (offset == 7) return 0x0D;
  if (offset == 8) return 0x0A;
  const std::uint64_t inChunk = offset % kChunk;
  if (inChunk >= 1 && inChunk <= 8) return 0x00;  // offset >= kChunk here
  if (offset % 16'384 == 0) return static_cast<std::uint8_t>(n);
  return 0xA5;
}

std::vector<std::uint8_t> ExpectedBytes(std::uint32_t n, std::uint64_t offset, std::size_t count) {
  // Every byte that is not filler lies within 8 bytes after a multiple of 16,384, so the piece
  // is the filler with those few bytes taken from ExpectedByte.
  std::vector<std::uint8_t> expected(count, 0xA5);
  for (std::uint64_t mark = offset - offset % 16'384; mark < offset + count; mark += 16'384) {
    for (std::uint64_t p = std::max(mark, offset); p <= mark + 8 && p < offset + count; ++p) {
      expected[p - offset] = ExpectedByte(n, p);
    }
  }
  return expected;
}

void FileTestFixture::SetUp() {
  sim.SetNow(kClock);
  ctx.state.WindowTitle = "SIZEWARDEN v1.0.0  [Zentrel]";
  ctx.state.SelectedVolume = "E:";
}

void FileTestFixture::TearDown() {
  EXPECT_EQ(sim.OpenHandleCount(), 0) << "a file handle was left open";
}

void FileTestFixture::AddStick(int number, const std::string& letter,
                               std::optional<std::uint64_t> freeBytes,
                               platform::sim::FileFault fault, std::uint64_t faultAfter) {
  sim.AddDrive(number, StickSpec(letter, freeBytes, fault, faultAfter));
}

platform::sim::SimDriveSpec FileTestFixture::StickSpec(const std::string& letter,
                                                       std::optional<std::uint64_t> freeBytes,
                                                       platform::sim::FileFault fault,
                                                       std::uint64_t faultAfter) {
  platform::sim::SimDriveSpec config;
  config.announcedBytes = kStickBytes;
  platform::sim::SimVolumeSpec volume;
  volume.letter = letter;
  volume.label = "STICK";
  volume.freeBytes = freeBytes;
  volume.fileFault = fault;
  volume.fileFaultAfter = faultAfter;
  config.volumes.push_back(volume);
  return config;
}

::testing::AssertionResult FileTestFixture::FileHoldsLayout(const std::string& name,
                                                            std::uint32_t n, std::uint64_t size,
                                                            std::uint64_t checked) {
  const std::optional<std::uint64_t> actual = sim.VolumeFileSize("E:", name);
  if (!actual) return ::testing::AssertionFailure() << name << " does not exist";
  if (*actual != size) {
    return ::testing::AssertionFailure() << name << " has " << *actual << " bytes, not " << size;
  }
  constexpr std::size_t kPiece = 4 * 1'048'576;
  const std::uint64_t end = std::min(size, checked);
  for (std::uint64_t at = 0; at < end; at += kPiece) {
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, end - at));
    const std::vector<std::uint8_t> expected = ExpectedBytes(n, at, count);
    const std::vector<std::uint8_t> bytes = sim.PeekFile("E:", name, at, count);
    if (bytes == expected) continue;
    for (std::size_t i = 0; i < count; ++i) {
      if (i >= bytes.size() || bytes[i] != expected[i]) {
        return ::testing::AssertionFailure()
               << name << " byte " << at + i << " is " << (i < bytes.size() ? int(bytes[i]) : -1)
               << ", expected " << int(expected[i]);
      }
    }
  }
  return ::testing::AssertionSuccess();
}

void FileTestFixture::PokeByte(const std::string& name, std::uint64_t offset, std::uint8_t value) {
  const platform::Handle h = sim.CreateFileA("E:\\" + name, win::GENERIC_WRITE, 0,
                                             win::OPEN_EXISTING, win::FILE_ATTRIBUTE_NORMAL);
  ASSERT_NE(h, platform::kInvalidHandle);
  ASSERT_TRUE(sim.SetFilePointerEx(h, static_cast<std::int64_t>(offset), nullptr, win::FILE_BEGIN));
  std::uint32_t written = 0;
  const std::uint8_t byte[1] = {value};
  EXPECT_TRUE(sim.WriteFile(h, byte, written));
  sim.CloseHandle(h);
}

}  // namespace sw::filetest::testing
