#include "platform/system.h"

#if defined(TARNOLUX_LINUX)
#include "platform/linux/linux_system.h"
#endif

namespace platform {

std::unique_ptr<System> MakeSystem() {
#if defined(TARNOLUX_LINUX)
    return std::make_unique<LinuxSystem>();
#else
    return nullptr;
#endif
}

}  // namespace platform
