// Owns the handle of one open test file: closed on every way out, at most once.
#pragma once

#include "platform/Os.h"

namespace sw::filetest {

class TestFileHandle {
 public:
  TestFileHandle(platform::Os& os, platform::Handle h) : os_(os), h_(h) {}
  ~TestFileHandle() { Close(); }
  TestFileHandle(const TestFileHandle&) = delete;
  TestFileHandle& operator=(const TestFileHandle&) = delete;

  platform::Handle get() const { return h_; }
  bool opened() const { return h_ != platform::kInvalidHandle; }
  // Closes now; later calls (and the destructor) do nothing.
  void Close() {
    if (opened()) os_.CloseHandle(h_);
    h_ = platform::kInvalidHandle;
  }

 private:
  platform::Os& os_;
  platform::Handle h_;
};

}  // namespace sw::filetest
