// Claiming, writing and releasing a block of memory as fast as the machine allows, without ever
// driving the system into running out of memory.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/system.h"

namespace platform::linux_impl {

std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes);

}  // namespace platform::linux_impl
