// Parsing of the kernel's /proc texts into the figures the System serves. Pure functions over the
// text, so the tests feed sample files; none of them allocates (the monitor calls them several
// times a second).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

#include "platform/common/cpu_load.h"
#include "platform/system.h"

namespace platform::linux_impl {

// The fields of /proc/meminfo that matter here, in bytes.
struct MemInfo {
    std::uint64_t memTotal = 0;
    std::uint64_t memFree = 0;
    std::optional<std::uint64_t> memAvailable;  // missing before Linux 3.14
    std::uint64_t buffers = 0;
    std::uint64_t cached = 0;
    std::uint64_t swapTotal = 0;
    std::uint64_t swapFree = 0;
    std::uint64_t commitLimit = 0;
    std::uint64_t committedAS = 0;
};
MemInfo ParseMeminfo(std::string_view text);

// What a free-up changes: MemFree, MemAvailable (estimated on old kernels as the status does),
// Cached + Buffers, and SwapTotal - SwapFree.
MemoryReading ToMemoryReading(const MemInfo& info);

// /proc/sys/vm/overcommit_memory: 0 heuristic, 1 always, 2 strict accounting.
int ParseOvercommitMode(std::string_view text);

// Physical = MemTotal / MemAvailable, page file = swap, and "virtual" = what can still be committed
// before the system fails: memory plus swap, or CommitLimit - Committed_AS under strict accounting.
MemoryStatus ToMemoryStatus(const MemInfo& info, int overcommitMode);

// The aggregate "cpu" line of /proc/stat: the first eight fields (user nice system idle iowait irq
// softirq steal), in clock ticks.
using platform::CpuTimes;
using platform::CpuLoadPercent;
using platform::CpuLoadCounter;
std::optional<CpuTimes> ParseCpuTimes(std::string_view statText);

}  // namespace platform::linux_impl
