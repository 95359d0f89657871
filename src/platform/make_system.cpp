#include "platform/system.h"

#if defined(TARNOLUX_LINUX)
#include "platform/linux/linux_system.h"
#elif defined(TARNOLUX_WIN32)
#include "platform/win32/win32_system.h"
#else
#error "Tarnolux has no System for this platform"
#endif

namespace platform {

std::unique_ptr<System> MakeSystem() {
#if defined(TARNOLUX_LINUX)
    return std::make_unique<LinuxSystem>();
#elif defined(TARNOLUX_WIN32)
    return std::make_unique<Win32System>();
#endif
}

}  // namespace platform
