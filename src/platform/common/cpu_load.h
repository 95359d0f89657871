// The processor load over a window of about one second, from cumulative time counters that each
// platform reads its own way (/proc/stat, GetSystemTimes). The clock and the reader are passed in,
// so the tests drive both.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>

namespace platform {

// Cumulative processor times in any fixed unit, in the order of /proc/stat's "cpu" line: user nice
// system idle iowait irq softirq steal. Fields 3 and 4 count as idle, every other one as busy.
struct CpuTimes {
    std::uint64_t field[8] = {};
};

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

}  // namespace platform
