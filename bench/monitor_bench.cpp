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

void Prepare(tarnolux::Form5& f, platform::System& sys, host::ScriptedHost& host) {
    f.TotalMemoryMB = tarnolux::FreeMemory::TotalPhysicalMemoryKB(sys) / 1024;
    f.MonitorTexts = {"CPU Usage: ", "Total Memory: ", "Free Memory: ", "Swap Memory: ", "Swap Memory Used: ",
                      "Free Resources: ", ""};
    host.trayIconPresent = true;
}

// The scripted host keeps every tray call; a long run must not measure that record's growth.
void Trim(host::ScriptedHost& host) {
    if (host.trayCalls.size() >= 4096) host.trayCalls.clear();
}

void BM_MonitorTick(benchmark::State& state) {
    // Each iteration stands for a tick one second after the last, so that every tick reads the
    // kernel's figures afresh, as it does in the running program.
    auto now = std::chrono::steady_clock::now();
    platform::LinuxSystem::Options options;
    options.clock = [&now] { return now; };
    platform::LinuxSystem sys(options);
    forms::Application app;
    host::ScriptedHost host(app);
    tarnolux::Program program(app, sys, host);
    tarnolux::Form5& f = program.form5();
    Prepare(f, sys, host);
    for (auto _ : state) {
        now += std::chrono::seconds(1);
        f.Timer1_Timer();
        Trim(host);
    }
}
BENCHMARK(BM_MonitorTick)->Unit(benchmark::kMicrosecond);

// The tick's own share, on figures that cost nothing to read; a full graph is its worst case.
void BM_MonitorTickModelOnly(benchmark::State& state) {
    platform::FakeSystem sys;
    sys.memory.totalPhys = 8ull << 30;
    sys.memory.availPhys = 3ull << 30;
    sys.memory.totalPageFile = 2ull << 30;
    sys.memory.availPageFile = 1ull << 30;
    sys.memory.totalVirtual = 128ull << 40;
    sys.memory.availVirtual = 127ull << 40;
    sys.cpuLoad = static_cast<std::uint32_t>(state.range(0));
    forms::Application app;
    host::ScriptedHost host(app);
    tarnolux::Program program(app, sys, host);
    tarnolux::Form5& f = program.form5();
    Prepare(f, sys, host);
    for (auto _ : state) {
        f.Timer1_Timer();
        Trim(host);
        sys.counterReads.clear();
    }
}
BENCHMARK(BM_MonitorTickModelOnly)->Arg(0)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
