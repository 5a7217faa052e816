// Real drives on Linux: the block devices of this machine.
#include "platform/DefaultOs.h"

#include "platform/linux/LinuxOs.h"

namespace sw::platform {

std::unique_ptr<Os> MakeDefaultOs() { return std::make_unique<linuxos::LinuxOs>(); }

}  // namespace sw::platform
