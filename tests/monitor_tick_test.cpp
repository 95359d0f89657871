// The monitor: memory and processor figures, and the tick's captions, bars, processor graph, tray
// tooltip and lamp icon; the current disk-cache size on the Cache page.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "app_fixture.h"
#include "monitor/statistics.h"
#include "monitor_fixture.h"

namespace {

using monitortest::kMB;

struct TickTest : monitortest::WindowTest {
    TickTest() {
        f.TotalMemoryMB = 1000;
        f.MonitorTexts[0] = "CPU Usage: ";
        f.MonitorTexts[2] = "Free Memory: ";
        f.MonitorTexts[3] = "Swap Memory: ";
        f.MonitorTexts[4] = "Swap Memory Used: ";
        f.MonitorTexts[5] = "Free Resources: ";
    }

    // The icons the tick gave the tray, in order.
    std::vector<int> TrayIcons() const {
        std::vector<int> icons;
        for (const auto& call : host.trayCalls)
            if (call.data.flags & host::NIF_ICON) {
                EXPECT_EQ(call.message, host::NIM_MODIFY);
                icons.push_back(call.data.icon.resource);
            }
        return icons;
    }

    std::string LastTip() const {
        for (auto it = host.trayCalls.rbegin(); it != host.trayCalls.rend(); ++it)
            if (it->data.flags & host::NIF_TIP) return it->data.tipText();
        return "(none)";
    }

    // Dashes printed in each graph column, by x.
    std::map<int, int> DashesPerColumn() const {
        std::map<int, int> columns;
        for (const auto& p : f.Picture2->printed()) {
            EXPECT_EQ(p.text, "-");
            ++columns[p.x];
        }
        return columns;
    }
};

// The lamp icon changes only when the free share enters another band: above 10 %, 5 to 10 %, below 5 %.
TEST_F(TickTest, LampsChangeOnlyWhenTheBandChanges) {
    const struct {
        int last, now, icon;
    } cases[] = {{50, 5, 102}, {50, 10, 102}, {50, 4, 103}, {0, 11, 101}, {0, 5, 102},
                 {4, 3, 0},    {11, 50, 0},   {8, 9, 0},    {5, 10, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.last << " -> " << c.now);
        host.trayCalls.clear();
        f.setIcon({1, {}});
        f.LastFreePercent = static_cast<std::int16_t>(c.last);
        SetFreeMB(c.now * 10);
        f.Timer1_Timer();
        EXPECT_EQ(f.LastFreePercent, c.now);
        EXPECT_EQ(TrayIcons(), c.icon ? std::vector<int>{c.icon} : std::vector<int>{});
        EXPECT_EQ(f.icon().resource, c.icon ? c.icon : 1);
    }
}

// The captions, the bars (3255 twips wide; the processor's 2415) and the tooltip of one tick: whole
// megabytes, the free share rounded half to even; no swap or no total divide by nothing and say
// nothing about the lamps. The counter is read, then restarted.
TEST_F(TickTest, CaptionsBarsAndTheTooltip) {
    const auto tick = [&](std::uint64_t freeKB, std::uint64_t swapMB, std::uint64_t swapFreeMB) {
        sys.memory.availPhys = freeKB * 1024;
        sys.memory.totalPageFile = swapMB * kMB;
        sys.memory.availPageFile = swapFreeMB * kMB;
        f.Shape1(2).setWidth(777);
        f.Timer1_Timer();
        return f.Label3->caption() + "|" + f.Label5->caption() + "|" + f.Label7->caption() + "|" + f.Label16->caption() +
               "|" + f.Label15->caption() + "|" + std::to_string(f.Shape1(6).width()) + " " +
               std::to_string(f.Shape1(1).width()) + " " + std::to_string(f.Shape1(2).width()) + "|" + LastTip();
    };
    sys.cpuLoad = 37;
    EXPECT_EQ(tick(124 * 1024 + 1023, 1000, 600), "CPU Usage: 37%|Free Memory: 124 MB.|Swap Memory Used: 400 MB.|40%|12%|"
                                                  "893 2864 1302|Free Memory: 124 MB. - - - CPU Usage: 37%");
    EXPECT_EQ(tick(135 * 1024, 0, 0), "CPU Usage: 37%|Free Memory: 135 MB.|Swap Memory Used: 0 MB.|0%|14%|"
                                      "893 2799 0|Free Memory: 135 MB. - - - CPU Usage: 37%");
    EXPECT_EQ(sys.counterReads, (std::vector<std::string>{"StatData\\KERNEL\\CPUUsage", "StartStat\\KERNEL\\CPUUsage",
                                                          "StatData\\KERNEL\\CPUUsage", "StartStat\\KERNEL\\CPUUsage"}));
    f.TotalMemoryMB = 0;
    f.setIcon({1, {}});
    host.trayCalls.clear();
    EXPECT_EQ(tick(500 * 1024, 0, 0).substr(0, 73), "CPU Usage: 37%|Free Memory: 500 MB.|Swap Memory Used: 0 MB.|0%|0%|893 0 0");
    EXPECT_TRUE(TrayIcons().empty());
    EXPECT_EQ(f.icon().resource, 1);
}

TEST_F(TickTest, GraphScrollsNewestAtTheLeft) {
    for (std::uint32_t load : {0u, 0u, 50u}) {
        sys.cpuLoad = load;
        f.Timer1_Timer();
    }
    const std::map<int, int> columns = DashesPerColumn();
    ASSERT_EQ(columns.size(), 24u);
    EXPECT_EQ(columns.at(0), 21);
    for (int i = 1; i < 24; ++i) EXPECT_EQ(columns.at(30 * i), 1) << "column " << i;
    int lowest = 1000, highest = -1000;
    for (const auto& p : f.Picture2->printed())
        if (p.x == 0) lowest = std::min(lowest, p.y), highest = std::max(highest, p.y);
    EXPECT_EQ(highest, 210);
    EXPECT_EQ(lowest, 10);
    EXPECT_EQ(f.CPUHistory[0], 50);
    EXPECT_EQ(f.CPUHistory[24], 0);

    sys.cpuLoad = 100;
    f.Timer1_Timer();
    EXPECT_EQ(DashesPerColumn().at(0), 41);  // drawn is redrawn, not added to
    EXPECT_EQ(DashesPerColumn().at(30), 21);
}

TEST_F(TickTest, TooltipFallsBackToTheShortFormPast63Characters) {
    sys.cpuLoad = 37;
    SetFreeMB(500);
    // "Free Memory: 500 MB." " - - - " + text 7 + "37%": 33 characters of text 7 make 63.
    f.MonitorTexts[0] = std::string(33, 'x');
    f.Timer1_Timer();
    EXPECT_EQ(LastTip(), "Free Memory: 500 MB. - - - " + std::string(33, 'x') + "37%");

    f.MonitorTexts[0] = std::string(34, 'x');
    f.Timer1_Timer();
    EXPECT_EQ(LastTip(), "500 MB. - - - 37%");

    // Characters, not bytes, count: 33 two-byte letters still make 63 characters.
    std::string accented;
    for (int i = 0; i < 33; ++i) accented += "é";
    f.MonitorTexts[0] = accented;
    f.Timer1_Timer();
    EXPECT_EQ(LastTip(), "Free Memory: 500 MB. - - - " + accented + "37%");
}

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
