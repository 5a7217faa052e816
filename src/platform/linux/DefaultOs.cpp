// Real drives on Linux are not wired in yet: the terminal says so and exits.
#include "platform/DefaultOs.h"

namespace sw::platform {

std::unique_ptr<Os> MakeDefaultOs() { return nullptr; }

}  // namespace sw::platform
