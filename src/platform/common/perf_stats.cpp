#include "platform/common/perf_stats.h"

#include <algorithm>
#include <chrono>
#include <climits>

#include "platform/common/text.h"

namespace platform {

namespace {

constexpr const char* kStatData = "PerfStats\\StatData";
constexpr const char* kStartStat = "PerfStats\\StartStat";

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace

PerfStats::PerfStats(CpuLoadCounter::Reader readCpu, CpuLoadCounter::Clock clock, CacheBytes cacheBytes)
    : cpu_(std::move(readCpu),
           clock ? std::move(clock) : CpuLoadCounter::Clock([] { return std::chrono::steady_clock::now(); })),
      cacheBytes_(std::move(cacheBytes)) {}

bool PerfStats::KeyExists(const std::string& path) {
    return path.empty() || text::EqualsNoCase(path, "PerfStats") || text::EqualsNoCase(path, kStatData) ||
           text::EqualsNoCase(path, kStartStat);
}

std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> PerfStats::Read(const std::string& path,
                                                                                   const std::string& name) {
    const bool statData = text::EqualsNoCase(path, kStatData);
    if ((statData || text::EqualsNoCase(path, kStartStat)) && text::EqualsNoCase(name, "KERNEL\\CPUUsage"))
        return std::pair{REG_BINARY, Dword(statData ? cpu_.Load() : cpu_.Start())};
    if (statData && text::EqualsNoCase(name, "VMM\\cpgDiskcache")) {
        // Bytes; a 32-bit figure saturates rather than wrapping to a small one.
        const std::uint64_t cache = cacheBytes_ ? cacheBytes_() : 0;
        return std::pair{REG_DWORD, Dword(static_cast<std::uint32_t>(std::min<std::uint64_t>(cache, UINT32_MAX)))};
    }
    return std::nullopt;
}

}  // namespace platform
