// Move-only owner of a GDI object (font, brush): deleted when replaced or destroyed.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <utility>

namespace sw::frontends::win32 {

template <typename T>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(T h) : h_(h) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& other) noexcept : h_(std::exchange(other.h_, nullptr)) {}
  GdiObject& operator=(GdiObject&& other) noexcept {
    if (this != &other) reset(std::exchange(other.h_, nullptr));
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;

  T get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(T h = nullptr) {
    T old = std::exchange(h_, h);
    if (old) ::DeleteObject(old);
  }

 private:
  T h_ = nullptr;
};

using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;

}  // namespace sw::frontends::win32
