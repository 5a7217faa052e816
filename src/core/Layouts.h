// The busy layout (a test runs: Cancel shown, the other commands disabled and hidden) and the
// idle layout.
#pragma once

#include "core/Context.h"

namespace sw::core {

void Show_Cancel(Context& ctx);
void Hide_Cancel(Context& ctx);

}  // namespace sw::core
