// On Windows the real drives are kernel32's.
#include "platform/DefaultOs.h"

#include "platform/win32/Win32Os.h"

namespace sw::platform {

std::unique_ptr<Os> MakeDefaultOs() { return std::make_unique<win32::Win32Os>(); }

}  // namespace sw::platform
