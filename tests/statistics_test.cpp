// Memory and processor figures, and the current disk-cache size on the Cache page.
#include <gtest/gtest.h>

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
    sys.memory.availPageFile = 130023424;
    EXPECT_EQ((std::vector<std::int64_t>{FreeMemory::TotalPhysicalMemoryKB(sys) / 1024, FreeMemory::FreePhysicalMemoryKB(sys),
                                         FreeMemory::FreeSwapKB(sys)}),
              (std::vector<std::int64_t>{16384, 1023, 126976}));
}

TEST_F(StatisticsTest, FreeResourcesPercentIsTheFlooredShare) {
    const auto percent = [&](std::uint64_t availKB, std::uint64_t totalKB) {
        sys.memory = {};
        sys.memory.availPageFile = availKB / 2 * 1024;
        sys.memory.availPhys = (availKB - availKB / 2) * 1024;
        sys.memory.totalPageFile = totalKB / 2 * 1024;
        sys.memory.totalPhys = (totalKB - totalKB / 2) * 1024;
        return FreeMemory::FreeResourcesPercent(sys);
    };
    // 0.29 * 100 is 28.999... in floating point.
    EXPECT_EQ((std::vector<int>{percent(4000, 5000), percent(7999, 10000), percent(29, 100), percent(0, 0)}),
              (std::vector<int>{80, 79, 29, 0}));

    // Sums round to whole KB, halves to even: 0.5 + 1 + 1 KB is 2 of 4.
    sys.memory = {};
    sys.memory.availPageFile = 512;
    sys.memory.availPhys = sys.memory.availVirtual = 1024;
    sys.memory.totalPhys = 4096;
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 50);
    // An address space of terabytes.
    sys.memory = {};
    sys.memory.totalVirtual = 128ull << 40;
    sys.memory.availVirtual = 96ull << 40;
    EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), 75);
}

TEST_F(StatisticsTest, ProcessorLoadIsTheCountersFirstByte) {
    std::vector<std::uint8_t> raw(1024, 0xAA);
    raw[0] = 37;
    sys.cpuCounterRaw = raw;
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 37);
    EXPECT_EQ(CPU::StartCPUUsage(sys), 37);
    sys.cpuCounterRaw = std::vector<std::uint8_t>(1500, 5);  // too long for the buffer
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 0);
    sys.counterKeyMissing = true;
    EXPECT_EQ(CPU::ReadCPUUsage(sys), 0);
    EXPECT_EQ(CPU::StartCPUUsage(sys), -1);
}

using apptest::ProgramTest;

TEST_F(ProgramTest, CacheSizeCaptionInMegabytes) {
    tarnolux::Form5& f = Start();
    f.CacheTexts[5] = "Current Cache Size: ";
    sys.diskCacheBytes = 0xC0000000u;  // 3 GB: a byte count, not a negative number
    f.Timer3_Timer();
    EXPECT_EQ(f.Label9->caption(), "Current Cache Size: 3072.00 MB.");
    sys.counterKeyMissing = true;
    f.Timer3_Timer();
    EXPECT_EQ(f.Label9->caption(), "Current Cache Size: 0.00 MB.");
}

}  // namespace
