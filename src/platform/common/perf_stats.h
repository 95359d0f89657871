// HKEY_DYN_DATA's performance figures, served live: the processor load ("KERNEL\CPUUsage", started
// through StartStat and read through StatData) and the disk cache ("VMM\cpgDiskcache"). Each
// platform reads the underlying counters its own way and hands the readers in.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/common/cpu_load.h"
#include "platform/common/registry.h"

namespace platform {

class PerfStats : public DynamicSource {
public:
    using CacheBytes = std::function<std::uint64_t()>;
    // An empty clock is std::chrono::steady_clock.
    PerfStats(CpuLoadCounter::Reader readCpu, CpuLoadCounter::Clock clock, CacheBytes cacheBytes);

    bool KeyExists(const std::string& path) override;
    std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> Read(const std::string& path,
                                                                             const std::string& name) override;

private:
    CpuLoadCounter cpu_;
    CacheBytes cacheBytes_;
};

}  // namespace platform
