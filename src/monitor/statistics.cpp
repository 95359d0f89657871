#include "monitor/statistics.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarnolux {

namespace FreeMemory {

namespace {
std::int64_t KB(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / 1024); }

// Each byte count / 1024 in floating point, summed in the order given, to the nearest whole number.
double RoundedKBSum(std::uint64_t a, std::uint64_t b, std::uint64_t c) {
    return std::nearbyint(static_cast<double>(a) / 1024 + static_cast<double>(b) / 1024 + static_cast<double>(c) / 1024);
}
}  // namespace

std::int64_t TotalPhysicalMemoryKB(platform::System& sys) { return KB(sys.GlobalMemoryStatus().totalPhys); }
std::int64_t FreePhysicalMemoryKB(platform::System& sys) { return KB(sys.GlobalMemoryStatus().availPhys); }
std::int64_t TotalSwapKB(platform::System& sys) { return KB(sys.GlobalMemoryStatus().totalPageFile); }
std::int64_t FreeSwapKB(platform::System& sys) { return KB(sys.GlobalMemoryStatus().availPageFile); }

std::int16_t FreeResourcesPercent(platform::System& sys) {
    const platform::MemoryStatus m = sys.GlobalMemoryStatus();
    const double a = RoundedKBSum(m.availPageFile, m.availPhys, m.availVirtual);
    const double b = RoundedKBSum(m.totalPageFile, m.totalPhys, m.totalVirtual);
    if (!(b > 0)) return 0;
    // Three fields of at most 2^64 bytes come to under 5.5e16 KB, so a * 100 fits 64 bits. The
    // share is floored in whole numbers: 29 of 100 is 29, not 28.999...
    const std::int64_t percent = static_cast<std::int64_t>(a) * 100 / static_cast<std::int64_t>(b);
    if (percent > std::numeric_limits<std::int16_t>::max()) return std::numeric_limits<std::int16_t>::max();
    if (percent < 0) return 0;
    return static_cast<std::int16_t>(percent);
}

}  // namespace FreeMemory

namespace CPU {

namespace {
constexpr std::uint32_t kCounterAccess = 0x2003F;

// The first byte of "KERNEL\CPUUsage" under `subKey`, or `failure` when it cannot be read.
std::int32_t ReadCounter(platform::System& sys, const std::string& subKey, std::int32_t failure) {
    platform::HKEY key = 0;
    if (sys.RegOpenKeyEx(platform::HKEY_DYN_DATA, subKey, kCounterAccess, key) != platform::ERROR_SUCCESS) return failure;
    std::vector<std::uint8_t> buffer(1024, 0);
    std::uint32_t type = 0;
    std::uint32_t size = 1024;
    const long rc = sys.RegQueryValueEx(key, "KERNEL\\CPUUsage", &type, buffer.data(), &size);
    sys.RegCloseKey(key);
    if (rc != platform::ERROR_SUCCESS) return failure;
    return buffer[0];
}
}  // namespace

std::int32_t ReadCPUUsage(platform::System& sys) { return ReadCounter(sys, "PerfStats\\StatData", 0); }
std::int32_t StartCPUUsage(platform::System& sys) { return ReadCounter(sys, "PerfStats\\StartStat", -1); }

}  // namespace CPU

}  // namespace tarnolux
