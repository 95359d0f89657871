// The platform calls the monitor makes several times a second, on this machine's /proc: the
// memory status (one /proc/meminfo read and parse, or the reading shared by callers in the same
// instant) and the processor counter (within a window, no file is read). Target: a few
// microseconds each. And the reading taken before and after every free-up, which must stay well
// under a millisecond: held against the bare open, read and close of /proc/meminfo it costs.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <chrono>

#include "platform/linux/linux_system.h"
#include "platform/linux/proc_parse.h"

namespace {

// A real reading every time: the system's clock moves a second between calls, so no reading is
// shared.
void BM_GlobalMemoryStatus(benchmark::State& state) {
    platform::LinuxSystem::Options options;
    auto now = std::chrono::steady_clock::now();
    options.clock = [&now] { return now += std::chrono::seconds(1); };
    platform::LinuxSystem sys(options);
    for (auto _ : state) benchmark::DoNotOptimize(sys.GlobalMemoryStatus());
}
BENCHMARK(BM_GlobalMemoryStatus);

// Callers within the same instant (the tick and the limit trigger) share one reading.
void BM_GlobalMemoryStatusShared(benchmark::State& state) {
    platform::LinuxSystem::Options options;
    const auto now = std::chrono::steady_clock::now();
    options.clock = [now] { return now; };
    platform::LinuxSystem sys(options);
    for (auto _ : state) benchmark::DoNotOptimize(sys.GlobalMemoryStatus());
}
BENCHMARK(BM_GlobalMemoryStatusShared);

// The reading around a free-up: never shared, always the kernel's figures of this moment.
void BM_ReadMemory(benchmark::State& state) {
    platform::LinuxSystem sys;
    for (auto _ : state) benchmark::DoNotOptimize(sys.ReadMemory());
}
BENCHMARK(BM_ReadMemory);

// The yardstick: what the kernel's side of it costs, with nothing parsed.
void BM_ReadMeminfoBare(benchmark::State& state) {
    char buf[8192];
    for (auto _ : state) {
        const int fd = ::open("/proc/meminfo", O_RDONLY | O_CLOEXEC);
        benchmark::DoNotOptimize(::read(fd, buf, sizeof buf));
        ::close(fd);
    }
}
BENCHMARK(BM_ReadMeminfoBare);

void BM_ParseMeminfo(benchmark::State& state) {
    const char* text =
        "MemTotal:       16318412 kB\nMemFree:         1052372 kB\nMemAvailable:    9174232 kB\n"
        "Buffers:          611236 kB\nCached:          7639532 kB\nSwapCached:        12340 kB\n"
        "Active:          6012344 kB\nInactive:        7712004 kB\nSwapTotal:       2097148 kB\n"
        "SwapFree:        2001000 kB\nDirty:               312 kB\nCommitLimit:    10256352 kB\n"
        "Committed_AS:   14120004 kB\nVmallocTotal:   34359738367 kB\nHugePages_Total:       0\n";
    for (auto _ : state) benchmark::DoNotOptimize(platform::linux_impl::ParseMeminfo(text));
}
BENCHMARK(BM_ParseMeminfo);

void BM_CpuCounterRead(benchmark::State& state) {
    platform::LinuxSystem sys;
    std::array<std::uint8_t, 1024> buf{};
    for (auto _ : state) {
        platform::HKEY key = 0;
        sys.RegOpenKeyEx(platform::HKEY_DYN_DATA, "PerfStats\\StatData", 0x2003F, key);
        std::uint32_t size = 1024;
        sys.RegQueryValueEx(key, "KERNEL\\CPUUsage", nullptr, buf.data(), &size);
        sys.RegCloseKey(key);
        benchmark::DoNotOptimize(buf[0]);
    }
}
BENCHMARK(BM_CpuCounterRead);

}  // namespace

BENCHMARK_MAIN();
