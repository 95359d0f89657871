#include "platform/common/cpu_load.h"

#include <algorithm>
#include <utility>

namespace platform {

std::uint32_t CpuLoadPercent(const CpuTimes& before, const CpuTimes& after) {
    std::uint64_t busy = 0, idle = 0;
    for (int i = 0; i < 8; ++i) {
        const std::uint64_t d = after.field[i] > before.field[i] ? after.field[i] - before.field[i] : 0;
        if (i == 3 || i == 4)
            idle += d;
        else
            busy += d;
    }
    const std::uint64_t total = busy + idle;
    if (total == 0) return 0;
    // Nearest whole percent; the deltas of one window are small, so no overflow.
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(100, (busy * 200 + total) / (total * 2)));
}

CpuLoadCounter::CpuLoadCounter(Reader read, Clock clock) : read_(std::move(read)), clock_(std::move(clock)) {}

void CpuLoadCounter::Advance() {
    const auto now = clock_();
    if (last_ && now - lastTime_ < kMinWindow) return;
    const auto sample = read_();
    if (!sample) return;
    if (last_) load_ = CpuLoadPercent(*last_, *sample);
    last_ = sample;
    lastTime_ = now;
}

std::uint32_t CpuLoadCounter::Start() {
    started_ = true;
    Advance();
    return load_;
}

std::uint32_t CpuLoadCounter::Load() {
    if (!started_) return 0;
    Advance();
    return load_;
}

}  // namespace platform
