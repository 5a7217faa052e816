// Move-only owners of the Win32 handles this program opens: kernel handles (CloseHandle) and
// directory searches (FindClose). Include after the project's own headers: it pulls in
// <windows.h>, whose macros clash with names in platform/WinApi.h and app/Window.h.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace sw::platform::win32 {

template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value h) : h_(h) {}
  ~UniqueHandle() { reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Value get() const { return h_; }
  explicit operator bool() const { return Traits::Valid(h_); }
  // Gives up ownership; the caller closes the handle.
  Value release() { return std::exchange(h_, Traits::Invalid()); }
  // Closes the handle held (if any) and takes h; a second reset() does nothing.
  void reset(Value h = Traits::Invalid()) {
    Value old = std::exchange(h_, h);
    if (Traits::Valid(old)) Traits::Close(old);
  }

 private:
  Value h_ = Traits::Invalid();
};

struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Value h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Value h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() { return INVALID_HANDLE_VALUE; }
  static bool Valid(Value h) { return h != INVALID_HANDLE_VALUE && h != nullptr; }
  static void Close(Value h) { ::FindClose(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFindHandle = UniqueHandle<FindHandleTraits>;

}  // namespace sw::platform::win32
