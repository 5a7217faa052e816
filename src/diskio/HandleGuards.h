// Guards for the private handles of the disk routines: whatever way a routine leaves, the
// handle it opened for itself is closed.
#pragma once

#include "core/Context.h"
#include "diskio/PhysicalDrive.h"
#include "platform/Os.h"

namespace sw::diskio {

// Closes the handle with a plain CloseHandle (routines whose close is not traced).
class OwnedHandle {
 public:
  OwnedHandle(platform::Os& os, platform::Handle h) : os_(os), h_(h) {}
  ~OwnedHandle() {
    if (h_ > 0) os_.CloseHandle(h_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  platform::Handle get() const { return h_; }
  bool opened() const { return h_ != platform::kInvalidHandle; }

 private:
  platform::Os& os_;
  platform::Handle h_;
};

// Closes the handle through MyCloseHandle, so the close shows in the trace.
class TracedHandle {
 public:
  TracedHandle(core::Context& ctx, platform::Handle h) : ctx_(ctx), h_(h) {}
  ~TracedHandle() { MyCloseHandle(ctx_, h_); }
  TracedHandle(const TracedHandle&) = delete;
  TracedHandle& operator=(const TracedHandle&) = delete;

  platform::Handle get() const { return h_; }

 private:
  core::Context& ctx_;
  platform::Handle h_;
};

}  // namespace sw::diskio
