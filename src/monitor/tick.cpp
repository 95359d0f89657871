// The one-second monitor tick: processor load with its bar and graph, memory and swap with their
// bars, the resources line, and the tray tooltip and icon.
#include <algorithm>

#include "app/form5.h"
#include "common/convert.h"
#include "monitor/statistics.h"
#include "tray/taskbar_icon.h"

namespace tarnolux {

namespace {

// The percentage `part` makes of `whole`, rounded to the nearest, halves to even; 0 when the whole
// is unknown or empty (no swap at all, say).
std::int16_t Percent(std::int64_t part, std::int64_t whole) {
    if (whole <= 0) return 0;
    const double p = RoundHalfEven(static_cast<double>(part) / static_cast<double>(whole) * 100.0);
    return static_cast<std::int16_t>(std::clamp(p, -32768.0, 32767.0));
}

std::int16_t ScaledWidth(int trackWidth, int percent) {
    const double w = RoundHalfEven(static_cast<double>(trackWidth) * percent / 100.0);
    return static_cast<std::int16_t>(std::clamp(w, 0.0, 32767.0));
}

enum class Band { Red, Yellow, Green };
Band BandOf(int freePercent) {
    if (freePercent < 5) return Band::Red;
    if (freePercent <= 10) return Band::Yellow;
    return Band::Green;
}

constexpr int kIconOf[] = {103, 102, 101};  // by Band

}  // namespace

void Form5::Timer1_Timer() {
    platform::System& sys = P.sys;

    const std::int32_t load = CPU::ReadCPUUsage(sys);
    CPU::StartCPUUsage(sys);
    const std::string loadText = Dec(load) + "%";
    Label3->setCaption(MonitorTexts[0] + loadText);

    const double loadWidth = RoundHalfEven(static_cast<double>(Label19(0).width()) * load);
    Shape1(6).setWidth(static_cast<int>(std::clamp(loadWidth, 0.0, 2147483647.0)) / 100);

    std::copy_backward(CPUHistory.begin(), CPUHistory.begin() + 23, CPUHistory.begin() + 24);
    CPUHistory[0] = static_cast<std::int16_t>(load);
    DrawCPUGraph();

    const std::int64_t freeMB = FreeMemory::FreePhysicalMemoryKB(sys) / 1024;
    const std::string freeText = Dec(freeMB) + " MB.";
    Label5->setCaption(MonitorTexts[2] + freeText);

    // Without a known total there is no share to show: the bar stays empty and the lamps as they are.
    const bool totalKnown = TotalMemoryMB > 0;
    const std::int16_t freePercent = Percent(freeMB, TotalMemoryMB);
    Label15->setCaption(Dec(freePercent) + "%");
    Shape1(1).setWidth(totalKnown ? ScaledWidth(Label19(1).width(), 100 - freePercent) : 0);

    std::string tip = MonitorTexts[2] + freeText + " - - - " + MonitorTexts[0] + loadText;
    if (Utf8Length(tip) > 63) tip = freeText + " - - - " + loadText;
    TaskBar_Icon::TraySetTip(P, tip);

    if (totalKnown) {
        const Band band = BandOf(freePercent);
        if (band != BandOf(LastFreePercent)) {
            setIcon(forms::Picture{kIconOf[static_cast<int>(band)], {}});
            TaskBar_Icon::TraySetIcon(P, icon(), false);
        }
        LastFreePercent = freePercent;
    }

    const std::int64_t totalSwapKB = FreeMemory::TotalSwapKB(sys);
    const std::int64_t freeSwapKB = FreeMemory::FreeSwapKB(sys);
    const std::int64_t usedSwapMB = (totalSwapKB - freeSwapKB) / 1024;
    const std::int64_t totalSwapMB = totalSwapKB / 1024;
    Label6->setCaption(MonitorTexts[3] + Dec(totalSwapMB) + " MB.");
    Label7->setCaption(MonitorTexts[4] + Dec(usedSwapMB) + " MB.");
    const std::int16_t swapPercent = Percent(usedSwapMB, totalSwapMB);
    Label16->setCaption(Dec(swapPercent) + "%");
    Shape1(2).setWidth(ScaledWidth(Label19(2).width(), swapPercent));

    Label8->setCaption(MonitorTexts[5] + "  " + Dec(FreeMemory::FreeResourcesPercent(sys)) + "%");
}

void Form5::DrawCPUGraph() {
    static const std::string kDash = "-";
    forms::Control& graph = *Picture2;
    graph.cls();
    for (int i = 0; i < 24; ++i) {
        // A load above 100 % from a misbehaving counter would only print dashes outside the box.
        const int load = std::min<int>(CPUHistory[i], 100);
        const int top = 300 - 4 * load;
        graph.setCurrentX(30 * i);
        for (int y = 300; y >= top; y -= 10) {
            graph.setCurrentY(y - 90);
            graph.print(kDash);
        }
    }
}

}  // namespace tarnolux
