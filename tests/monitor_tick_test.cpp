// The monitor: memory and processor figures, the tick and its tray tooltip and lamps.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "monitor/statistics.h"
#include "monitor_fixture.h"

namespace {

using monitortest::kMB;

struct TickTest : monitortest::WindowTest {
    TickTest() {
        f.TotalMemoryMB = 1000;
        f.MonitorTexts = {"CPU Usage: ", "", "Free Memory: ", "Swap Memory: ", "Swap Memory Used: ",
                          "Free Resources: "};
    }

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
    const std::tuple<int, int, int> cases[] = {{50, 5, 102}, {50, 10, 102}, {50, 4, 103}, {0, 11, 101}, {0, 5, 102},
                                               {4, 3, 0},    {11, 50, 0},   {8, 9, 0},    {5, 10, 0}};
    for (const auto& [last, now, icon] : cases) {
        SCOPED_TRACE(testing::Message() << last << " -> " << now);
        host.trayCalls.clear();
        f.LastFreePercent = static_cast<std::int16_t>(last);
        sys.memory.availPhys = now * 10 * kMB;
        f.Timer1_Timer();
        EXPECT_EQ(f.LastFreePercent, now);
        EXPECT_EQ(TrayIcons(), icon ? std::vector<int>{icon} : std::vector<int>{});
    }
}

// Bars of 3255 twips (the processor's 2415); past 63 characters the tooltip has the figures alone.
TEST_F(TickTest, CaptionsBarsAndTheTooltip) {
    const auto tick = [&](std::uint64_t freeKB, std::uint64_t swapMB, std::uint64_t swapFreeMB) {
        sys.memory.availPhys = freeKB * 1024;
        sys.memory.totalPageFile = swapMB * kMB;
        sys.memory.availPageFile = swapFreeMB * kMB;
        f.Shape1(2).setWidth(777);
        f.Timer1_Timer();
        std::string shown;
        for (forms::Control* label : {f.Label3, f.Label5, f.Label6, f.Label7, f.Label16, f.Label15, f.Label8})
            shown += label->caption() + "|";
        return shown + std::to_string(f.Shape1(6).width()) + " " + std::to_string(f.Shape1(1).width()) + " " +
               std::to_string(f.Shape1(2).width()) + "|" + LastTip();
    };
    sys.cpuLoad = 37;  // on a machine of 1000 MB
    EXPECT_EQ(tick(124 * 1024 + 1023, 1000, 600),
              "CPU Usage: 37%|Free Memory: 124 MB.|Swap Memory: 1000 MB.|Swap Memory Used: 400 MB.|40%|12%|"
              "Free Resources:   68%|893 2864 1302|Free Memory: 124 MB. - - - CPU Usage: 37%");
    EXPECT_EQ(tick(135 * 1024, 0, 0),
              "CPU Usage: 37%|Free Memory: 135 MB.|Swap Memory: 0 MB.|Swap Memory Used: 0 MB.|0%|14%|"
              "Free Resources:   71%|893 2799 0|Free Memory: 135 MB. - - - CPU Usage: 37%");
    const std::string read = "StatData\\KERNEL\\CPUUsage", restart = "StartStat\\KERNEL\\CPUUsage";
    EXPECT_EQ(sys.counterReads, (std::vector<std::string>{read, restart, read, restart}));
    f.TotalMemoryMB = 0;
    host.trayCalls.clear();
    EXPECT_EQ(tick(500 * 1024, 0, 0),
              "CPU Usage: 37%|Free Memory: 500 MB.|Swap Memory: 0 MB.|Swap Memory Used: 0 MB.|0%|0%|"
              "Free Resources:   83%|893 0 0|Free Memory: 500 MB. - - - CPU Usage: 37%");
    EXPECT_TRUE(TrayIcons().empty());

    std::string accented;
    for (int i = 0; i < 33; ++i) accented += "é";
    const std::string full = "Free Memory: 500 MB. - - - ";  // with 33 characters of text and "37%": 63
    const std::pair<std::string, std::string> tips[] = {{std::string(33, 'x'), full + std::string(33, 'x') + "37%"},
                                                        {std::string(34, 'x'), "500 MB. - - - 37%"},
                                                        {accented, full + accented + "37%"}};
    for (const auto& [text, tip] : tips) {
        f.MonitorTexts[0] = text;
        f.Timer1_Timer();
        EXPECT_EQ(LastTip(), tip);
    }
}

TEST_F(TickTest, GraphScrollsNewestAtTheLeft) {
    for (std::uint32_t load : {0u, 0u, 50u}) {
        sys.cpuLoad = load;
        f.Timer1_Timer();
    }
    std::map<int, int> columns{{0, 21}};
    for (int i = 1; i < 24; ++i) columns[30 * i] = 1;
    EXPECT_EQ(DashesPerColumn(), columns);
    std::vector<int> ys;
    for (const auto& p : f.Picture2->printed())
        if (p.x == 0) ys.push_back(p.y);
    EXPECT_EQ(std::pair(ys.front(), ys.back()), std::pair(210, 10));

    sys.cpuLoad = 100;
    f.Timer1_Timer();
    const std::map<int, int> redrawn = DashesPerColumn();  // redrawn, not added to
    EXPECT_EQ(std::pair(redrawn.at(0), redrawn.at(30)), std::pair(41, 21));
}

using namespace tarnolux;

// Floored: 0.29 * 100 is 28.999... in floating point. Sums round to whole KB, halves to even.
TEST(StatisticsTest, MemoryFiguresTruncateAndTheFreeResourcesShareIsFloored) {
    platform::FakeSystem sys;
    sys.memory.availPhys = (1ull << 20) - 1;
    EXPECT_EQ(FreeMemory::FreePhysicalMemoryKB(sys), 1023);
    constexpr std::uint64_t K = 1024;
    const std::pair<platform::MemoryStatus, int> cases[] = {  // each total, then its free part
        {{2500 * K, 2000 * K, 2500 * K, 2000 * K, 0, 0}, 80},
        {{5000 * K, 4000 * K, 5000 * K, 3999 * K, 0, 0}, 79},
        {{50 * K, 15 * K, 50 * K, 14 * K, 0, 0}, 29},
        {{}, 0},
        {{4096, 1024, 0, 512, 0, 1024}, 50},
        {{0, 0, 0, 0, 128ull << 40, 96ull << 40}, 75}};  // an address space of terabytes
    for (const auto& [memory, percent] : cases) {
        sys.memory = memory;
        EXPECT_EQ(FreeMemory::FreeResourcesPercent(sys), percent) << memory.availPhys;
    }
}

}  // namespace
