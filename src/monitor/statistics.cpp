#include "monitor/statistics.h"

namespace tarnolux {
namespace FreeMemory {
std::int64_t TotalPhysicalMemoryKB(platform::System&) { return 0; }
std::int64_t FreePhysicalMemoryKB(platform::System&) { return 0; }
std::int64_t TotalSwapKB(platform::System&) { return 0; }
std::int64_t FreeSwapKB(platform::System&) { return 0; }
std::int16_t FreeResourcesPercent(platform::System&) { return 0; }
}  // namespace FreeMemory
namespace CPU {
std::int32_t ReadCPUUsage(platform::System&) { return 0; }
std::int32_t StartCPUUsage(platform::System&) { return -1; }
}  // namespace CPU
}  // namespace tarnolux
