// One monitor tick: the figures read from this machine and every model update they cause (captions,
// bars, the graph's dashes, the tray record), without painting. Target: 100 us or less per tick.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "monitor/statistics.h"
#include "platform/fake/fake_system.h"
#include "platform/linux/linux_system.h"
#include "platform/system.h"

namespace {

// Ticks the main window of a program on `sys` once per iteration; `beforeTick` runs before each one.
template <typename BeforeTick>
void RunTicks(benchmark::State& state, platform::System& sys, BeforeTick beforeTick) {
    forms::Application app;
    host::ScriptedHost host(app);
    tarnolux::Program program(app, sys, host);
    tarnolux::Form5& f = program.form5();
    f.TotalMemoryMB = tarnolux::FreeMemory::TotalPhysicalMemoryKB(sys) / 1024;
    f.MonitorTexts = {"CPU Usage: ", "Total Memory: ", "Free Memory: ", "Swap Memory: ", "Swap Memory Used: ",
                      "Free Resources: ", ""};
    host.trayIconPresent = true;
    for (auto _ : state) {
        beforeTick();
        f.Timer1_Timer();
        // The scripted host keeps every tray call; a long run must not measure that record's growth.
        if (host.trayCalls.size() >= 4096) host.trayCalls.clear();
    }
}

void BM_MonitorTick(benchmark::State& state) {
    // Each iteration stands for a tick one second after the last, so that every tick reads the
    // kernel's figures afresh, as it does in the running program.
    auto now = std::chrono::steady_clock::now();
    platform::LinuxSystem::Options options;
    options.clock = [&now] { return now; };
    platform::LinuxSystem sys(options);
    RunTicks(state, sys, [&now] { now += std::chrono::seconds(1); });
}
BENCHMARK(BM_MonitorTick)->Unit(benchmark::kMicrosecond);

// The tick's own share, on figures that cost nothing to read; a full graph is its worst case.
void BM_MonitorTickModelOnly(benchmark::State& state) {
    platform::FakeSystem sys;
    sys.SetMemoryMB(8ull << 10, 3ull << 10, 2ull << 10, 1ull << 10, 128ull << 20, 127ull << 20);
    sys.cpuLoad = static_cast<std::uint32_t>(state.range(0));
    RunTicks(state, sys, [&sys] { sys.counterReads.clear(); });
}
BENCHMARK(BM_MonitorTickModelOnly)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
