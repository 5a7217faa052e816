// The one table that turns errno values into the Win32 error codes the core and its traces know.
#pragma once

#include <cstdint>

namespace sw::platform::linuxos {

// ERROR_GEN_FAILURE for an errno the table does not name; ERROR_SUCCESS for 0.
std::uint32_t Win32FromErrno(int error);

}  // namespace sw::platform::linuxos
