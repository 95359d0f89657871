// A LinuxSystem whose /proc, configuration, runtime and data folders all lie inside a test's folder.
#pragma once

#include "platform/linux/linux_system.h"
#include "support.h"

namespace testsupport {

inline platform::LinuxSystem::Options In(const TempDir& dir) {
    platform::LinuxSystem::Options o;
    o.procRoot = (dir / "proc").string();
    o.configHome = (dir / "config").string();
    o.runtimeDir = (dir / "run").string();
    o.dataHome = (dir / "data").string();
    return o;
}

}  // namespace testsupport
