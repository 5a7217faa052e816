// The buffer every unbuffered transfer goes through: aligned storage that holds its whole
// logical size, zeroed on every resize.
#include <gtest/gtest.h>

#include <cstdint>

#include "core/AlignedBuffer.h"

namespace sw::core {
namespace {

TEST(AlignedBuffer, StorageIsAlignedAndHoldsTheWholeLogicalSize) {
  AlignedBuffer buffer;
  // Sizes in the order a run uses them, growing and shrinking: start-up, the Quick Size Test,
  // the file test's pattern, and the edges around one alignment unit.
  for (std::size_t size : {4097u, 512u, 0u, 1u, 4095u, 4096u, 8191u, 8192u, 200u * 1024 * 1024 / 64, 512u}) {
    SCOPED_TRACE(size);
    buffer.Fill(0x5A);
    buffer.Resize(size);
    EXPECT_EQ(buffer.size(), size);
    EXPECT_GE(buffer.capacity(), size);
    EXPECT_EQ(buffer.capacity() % AlignedBuffer::kAlignment, 0u);
    ASSERT_NE(buffer.data(), nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % AlignedBuffer::kAlignment, 0u);
    EXPECT_EQ(buffer.span().size(), size);
    for (std::size_t i = 0; i < size; ++i) ASSERT_EQ(buffer[i], 0) << "byte " << i << " not zeroed";
    if (size > 0) buffer[size - 1] = 0xFF;  // the last logical byte is the buffer's own
  }
}

TEST(AlignedBuffer, FillTouchesOnlyTheLogicalBytes) {
  AlignedBuffer buffer(1000);
  buffer.Fill(0xA5);
  for (std::size_t i = 0; i < 1000; ++i) ASSERT_EQ(buffer[i], 0xA5);
  for (std::size_t i = 1000; i < buffer.capacity(); ++i) ASSERT_EQ(buffer.data()[i], 0);
}

}  // namespace
}  // namespace sw::core
