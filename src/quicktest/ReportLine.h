// A line of the Quick Size Test's report: the log grows at its end, so each line opens with its
// own break.
#pragma once

#include <string>

#include "core/Log.h"

namespace sw::quicktest::detail {

inline std::string Line(const std::string& text) { return core::kCrLf + text; }

}  // namespace sw::quicktest::detail
