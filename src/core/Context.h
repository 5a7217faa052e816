// The one object every routine receives: the OS services, the window, and the shared state.
#pragma once

#include "core/State.h"
#include "core/Window.h"
#include "platform/Os.h"

namespace sw::core {

struct Context {
  Context(platform::Os& o, Window& w) : os(o), win(w) {}
  platform::Os& os;
  Window& win;
  State state;
};

}  // namespace sw::core
