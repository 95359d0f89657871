// The program's only source of numbers about the machine. KB is 1024 bytes, MB 1024 KB; figures are
// 64-bit, and bytes become KB, KB become MB, by a division by 1024 that truncates.
#pragma once

#include <cstdint>

#include "platform/system.h"

namespace tarnolux {

namespace FreeMemory {
std::int64_t TotalPhysicalMemoryKB(platform::System& sys);
std::int64_t FreePhysicalMemoryKB(platform::System& sys);
std::int64_t TotalSwapKB(platform::System& sys);
std::int64_t FreeSwapKB(platform::System& sys);
// Available share of physical memory, swap and address space, in percent, rounded down.
std::int16_t FreeResourcesPercent(platform::System& sys);
}  // namespace FreeMemory

namespace CPU {
// Processor load in percent; 0 when the counter cannot be read.
std::int32_t ReadCPUUsage(platform::System& sys);
// Starts (re-arms) the counter; -1 when it cannot be read. Callers discard the result.
std::int32_t StartCPUUsage(platform::System& sys);
}  // namespace CPU

}  // namespace tarnolux
