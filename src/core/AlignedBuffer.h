// A byte buffer whose storage starts on a 4,096-byte boundary, as unbuffered (no-cache) transfers
// need, while its logical size stays whatever its users give it (4,097 bytes, 512 bytes, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>

namespace sw::core {

class AlignedBuffer {
 public:
  static constexpr std::size_t kAlignment = 4096;

  AlignedBuffer() = default;
  explicit AlignedBuffer(std::size_t size) { Resize(size); }

  // New logical size; the contents become all zero (like a fresh array).
  void Resize(std::size_t size) {
    std::size_t capacity = (size + kAlignment - 1) / kAlignment * kAlignment;
    if (capacity == 0) capacity = kAlignment;
    if (capacity != capacity_) {
      storage_.reset(static_cast<std::uint8_t*>(::operator new(capacity, std::align_val_t{kAlignment})));
      capacity_ = capacity;
    }
    size_ = size;
    std::memset(storage_.get(), 0, capacity_);
  }
  void Fill(std::uint8_t value) {
    if (storage_) std::memset(storage_.get(), value, size_);
  }

  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  std::uint8_t* data() { return storage_.get(); }
  const std::uint8_t* data() const { return storage_.get(); }
  std::uint8_t& operator[](std::size_t i) { return storage_.get()[i]; }
  std::uint8_t operator[](std::size_t i) const { return storage_.get()[i]; }
  std::span<std::uint8_t> span() { return {storage_.get(), size_}; }
  std::span<const std::uint8_t> span() const { return {storage_.get(), size_}; }

 private:
  struct Free {
    void operator()(std::uint8_t* p) const { ::operator delete(p, std::align_val_t{kAlignment}); }
  };
  std::unique_ptr<std::uint8_t, Free> storage_;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace sw::core
