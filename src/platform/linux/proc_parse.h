// Parsing of the kernel's /proc texts into the figures the System serves. Pure functions over the
// text, so the tests feed sample files; none of them allocates (the monitor calls them several
// times a second).
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

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

// /proc/sys/vm/overcommit_memory: 0 heuristic, 1 always, 2 strict accounting.
int ParseOvercommitMode(std::string_view text);

// Physical = MemTotal / MemAvailable, page file = swap, and "virtual" = what can still be committed
// before the system fails: memory plus swap, or CommitLimit - Committed_AS under strict accounting.
MemoryStatus ToMemoryStatus(const MemInfo& info, int overcommitMode);

// The aggregate "cpu" line of /proc/stat: the first eight fields (user nice system idle iowait irq
// softirq steal), in clock ticks.
struct CpuTimes {
    std::uint64_t field[8] = {};
};
std::optional<CpuTimes> ParseCpuTimes(std::string_view statText);

// Processor load in percent (0..100) between two samples. Counters that went backwards (iowait
// does on some kernels) count as no time passed in them.
std::uint32_t CpuLoadPercent(const CpuTimes& before, const CpuTimes& after);

// Serves the processor load of the latest window of about one second: every reader within one
// window gets the same figure. Zero until the counter has been started and a window has passed.
class CpuLoadCounter {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Reader = std::function<std::optional<CpuTimes>()>;
    static constexpr std::chrono::milliseconds kMinWindow{900};

    CpuLoadCounter(Reader read, Clock clock);
    // "StartStat": starts the counter (the first sample) and returns the current figure.
    std::uint32_t Start();
    // "StatData": the latest window's load, sampling anew when a window has passed.
    std::uint32_t Load();

private:
    void Advance();
    Reader read_;
    Clock clock_;
    bool started_ = false;
    std::optional<CpuTimes> last_;
    std::chrono::steady_clock::time_point lastTime_{};
    std::uint32_t load_ = 0;
};

}  // namespace platform::linux_impl
