// Memory and processor figures, and the current disk-cache size on the Cache page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "monitor/statistics.h"

namespace {

using namespace tarnolux;

struct StatisticsTest : ::testing::Test {
    platform::FakeSystem sys;
    void TearDown() override { EXPECT_EQ(sys.registry.OpenHandles(), 0u); }
};

TEST_F(StatisticsTest, MemoryFiguresTruncateAndDoNotOverflow) {
    sys.memory.totalPhys = 16ull << 30;
    sys.memory.availPhys = (1ull << 20) - 1;
    sys.memory.totalPageFile = 5ull << 30;
    sys.memory.availPageFile = 130023424;
    EXPECT_EQ(FreeMemory::TotalPhysicalMemoryKB(sys), 16ll << 20);
    EXPECT_EQ(FreeMemory::TotalPhysicalMemoryKB(sys) / 1024, 16384);
    EXPECT_EQ(FreeMemory::FreePhysicalMemoryKB(sys), 1023);
    EXPECT_EQ(FreeMemory::FreePhysicalMemoryKB(sys) / 1024, 0);
    EXPECT_EQ(FreeMemory::TotalSwapKB(sys), 5ll << 20);
    EXPECT_EQ(FreeMemory::FreeSwapKB(sys), 126976);
    EXPECT_EQ(sys.globalMemoryStatusCalls, 6);  // afresh on every call
}

TEST_F(StatisticsTest, FreeResourcesPercentIsFlooredShareOfAllThree) {
    const auto set = [&](std::uint64_t availKB, std::uint64_t totalKB) {
        // The shares are spread over the three fields; only the sums count.
        sys.memory.availPageFile = availKB / 2 * 1024;
        sys.memory.availPhys = (availKB - availKB / 2) * 1024;
        sys.memory.availVirtual = 0;
        sys.memory.totalPageFile = totalKB / 2 * 1024;
        sys.memory.totalPhys = (totalKB - totalKB / 2) * 1024;
        sys.memory.totalVirtual = 0;
    };
    set(4000, 5000);
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 80);
    set(7999, 10000);
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 79);
    set(29, 100);  // 0.29 * 100 is 28.999... in floating point
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 29);
    set(0, 0);
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 0);

    // Sums are rounded to whole KB, halves to even: 0.5 + 1.0 + 1.0 KB is 2 (2.5), of 4 -> 50.
    sys.memory = {};
    sys.memory.availPageFile = 512;
    sys.memory.availPhys = 1024;
    sys.memory.availVirtual = 1024;
    sys.memory.totalPhys = 4096;
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 50);

    // Machines far beyond 32 bits.
    sys.memory = {};
    sys.memory.totalPhys = 64ull << 30;
    sys.memory.availPhys = 16ull << 30;
    sys.memory.totalVirtual = 128ull << 40;
    sys.memory.availVirtual = 96ull << 40;
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 74);
}

TEST_F(StatisticsTest, ProcessorLoadIsTheCountersFirstByte) {
    std::vector<std::uint8_t> raw(1024, 0xAA);
    raw[0] = 37;
    sys.cpuCounterRaw = raw;
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 37);
    EXPECT_EQ(CPU::StartCPUUsage(sys), 37);
    EXPECT_EQ(sys.counterReads,
              (std::vector<std::string>{"StatData\\KERNEL\\CPUUsage", "StartStat\\KERNEL\\CPUUsage"}));

    sys.cpuCounterRaw.reset();
    sys.cpuLoad = 0x1234;  // only the low byte is the load
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 0x34);
    sys.cpuCounterRaw = std::vector<std::uint8_t>(1500, 5);  // too long for the buffer
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 0);
    EXPECT_EQ(CPU::StartCPUUsage(sys), -1);
}

TEST_F(StatisticsTest, MissingCounterGivesTheFailureValues) {
    sys.counterKeyMissing = true;
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CPU::ReadCPUUsage(sys), 0);
        EXPECT_EQ(CPU::StartCPUUsage(sys), -1);
    }
}

using apptest::ProgramTest;

TEST_F(ProgramTest, CacheSizeCaptionInMegabytes) {
    tarnolux::Form5& f = Start();
    f.CacheTexts[5] = "Current Cache Size: ";
    sys.diskCacheBytes = 3145728;
    f.Timer3_Timer();
    EXPECT_EQ(f.Label9->caption(), "Current Cache Size: 3.00 MB.");
    sys.diskCacheBytes = 0xC0000000u;  // 3 GB: a byte count, not a negative number
    f.Timer3_Timer();
    EXPECT_EQ(f.Label9->caption(), "Current Cache Size: 3072.00 MB.");
    sys.counterKeyMissing = true;
    f.Timer3_Timer();
    EXPECT_EQ(f.Label9->caption(), "Current Cache Size: 0.00 MB.");
}

}  // namespace
