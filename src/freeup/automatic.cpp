// Automatic free-up: the limit and periodic triggers, the processor gate, and the Free Memory page
// with its spin-button scroll bars.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "app/form5.h"
#include "common/convert.h"
#include "freeup/reporting.h"
#include "freeup/spin_bar.h"
#include "monitor/statistics.h"

namespace tarnolux {

namespace {

constexpr int kPeriodMs = 65535;
constexpr std::int32_t kFirstBackOffSeconds = 30;
constexpr std::int32_t kLongestBackOffSeconds = 300;

std::int64_t FreeMB(platform::System& sys) { return FreeMemory::FreePhysicalMemoryKB(sys) / 1024; }

// The processor gate: it lets a free-up through when it is off, or when the load is strictly below
// the threshold in Text2(7). A threshold that is not a whole number holds everything back, without
// a reading.
struct Gate {
    bool passes = true;
    std::int32_t load = -1;  // read, when it was
    std::int32_t threshold = 0;
};
Gate ProcessorGate(Form5& f) {
    if (f.Check7->value() != forms::vbChecked) return {};
    const std::optional<std::int32_t> threshold = ToInt32(f.Text2(7).text());
    if (!threshold) return {false};
    const std::int32_t cpu = CPU::ReadCPUUsage(f.P.sys);
    CPU::StartCPUUsage(f.P.sys);
    return {cpu < *threshold, cpu, *threshold};
}

// A free-up the gate held back after reading the load goes to the log.
void LogHeldBack(Form5& f, Trigger trigger, std::int64_t mb, const Gate& gate) {
    if (gate.load < 0) return;
    FreeUpOutcome o = HeldBack(f.P, trigger, mb, Reason::ProcessorGate);
    o.loadPercent = gate.load;
    o.thresholdPercent = gate.threshold;
    Report(f.P, o);
}

}  // namespace

void SpinBarChange(Form5& form, forms::Control& bar, forms::Control& box, const std::function<void()>& committed,
                   std::int64_t unit) {
    if (form.ScrollStepGuard == 1) return;
    std::int16_t result = 0;
    form.StepScrollValue(bar, result);
    if (result == 0) return;
    box.setText(Dec(bar.value() * unit));
    if (committed) committed();
    form.ScrollStepGuard = 0;
}

void Form5::Timer4_Timer() {
    if (Defragging) return;  // the free-up under way is judged once it is over
    if (FreeMB(P.sys) > LimitFreeMemoryMB) {
        LimitBackOffSeconds = 0;
        LimitWaitTicks = 0;
        LimitJustFreed = false;
        LimitGateNoted = false;
        return;
    }
    // Freeing again at once would only slow the machine down and show the pop-up every second.
    if (LimitJustFreed) {
        LimitJustFreed = false;
        LimitBackOffSeconds = LimitBackOffSeconds == 0 ? kFirstBackOffSeconds
                                                       : std::min(LimitBackOffSeconds * 2, kLongestBackOffSeconds);
        // This tick and the one that frees again are two of the seconds waited.
        LimitWaitTicks = LimitBackOffSeconds - 2;
        return;
    }
    if (LimitWaitTicks > 0) {
        --LimitWaitTicks;
        return;
    }
    const Gate gate = ProcessorGate(*this);
    if (!gate.passes) {
        // Once for each fall to the limit: the trigger asks every second.
        if (!LimitGateNoted) LogHeldBack(*this, Trigger::Limit, FreeUpMemoryMB, gate);
        LimitGateNoted = LimitGateNoted || gate.load >= 0;
        return;
    }
    FreeUpNow(P, Trigger::Limit, FreeUpMemoryMB);
    LimitJustFreed = true;
    LimitGateNoted = false;
}

void Form5::Timer5_Timer() {
    const std::optional<std::int32_t> period = ToInt32(Text4->text());
    if (!period) return;
    if (PeriodTickCount < std::numeric_limits<std::int16_t>::max()) ++PeriodTickCount;
    if (PeriodTickCount < *period) return;
    // The period is used up, whatever follows.
    PeriodTickCount = 0;
    const std::optional<std::int32_t> amount = ToInt32(Text3->text());
    if (!amount) return;
    if (FreeMB(P.sys) > *amount) return;
    const Gate gate = ProcessorGate(*this);
    if (!gate.passes) {
        LogHeldBack(*this, Trigger::Periodic, *amount, gate);
        return;
    }
    FreeUpNow(P, Trigger::Periodic, *amount);
}

void Form5::Check3_Click() {
    const bool on = Check3->value() != forms::vbUnchecked;
    for (forms::Control* c : {Label12, Label13, Label14, Text3, Text4, VScroll6}) c->setEnabled(on);
    if (!on) {
        Timer5->setEnabled(false);
        return;
    }
    Timer5->setInterval(kPeriodMs);
    PeriodTickCount = 0;
    Timer5->setEnabled(true);
}

void Form5::Check7_Click() {
    const bool on = Check7->value() == forms::vbChecked;
    VScroll10->setEnabled(on);
    Text2(7).setEnabled(on);
}

void Form5::SetScrollRanges() {
    const std::int64_t totalMB = FreeMemory::TotalPhysicalMemoryKB(P.sys) / 1024;
    const int t = static_cast<int>(std::clamp<std::int64_t>(totalMB, 0, std::numeric_limits<int>::max() - 1));
    const struct {
        forms::Control* bar;
        int min, max;
    } ranges[] = {
        {VScroll1, 0, t},     {VScroll2, 0, t},     {VScroll3, 0, 129},  {VScroll4, 0, t + 1}, {VScroll5, 0, t + 1},
        {VScroll6, 0, t + 1}, {VScroll7, -1, 97},   {VScroll8, -1, 9},   {VScroll9, 0, 60},    {VScroll10, 1, 99},
    };
    for (const auto& r : ranges) {
        r.bar->setMin(r.min);
        r.bar->setMax(r.max);
        r.bar->setLargeChange(1);
        r.bar->setSmallChange(1);
    }
}

void Form5::StepScrollValue(forms::Control& bar, std::int16_t& result) {
    ScrollStepGuard = 1;
    result = 1;
    const int v = bar.value();
    const std::optional<std::int32_t> t = ToInt32(bar.tag());
    bool ok = t.has_value();
    if (ok && *t > v) {
        // Moved up, by any distance: one up.
        if (*t == bar.max() - 1) {
            ok = bar.setValue(bar.max() - 1);
        } else {
            ok = *t < std::numeric_limits<int>::max() && bar.setValue(*t + 1);
            if (ok) bar.setTag(Dec(bar.value()));
        }
    } else if (ok) {
        // Moved down, or not moved: one down.
        if (*t == bar.min() + 1) {
            ok = bar.setValue(bar.min() + 1);
        } else {
            ok = *t > std::numeric_limits<int>::min() && bar.setValue(*t - 1);
            if (ok) bar.setTag(Dec(bar.value()));
        }
    }
    if (!ok) result = 0;
    ScrollStepGuard = 0;
}

void Form5::VScroll4_Change() {
    SpinBarChange(*this, *VScroll4, Text2(3), [this] { LimitFreeMemoryMB = ToInt32Or(Text2(3).text(), LimitFreeMemoryMB); });
}
void Form5::VScroll5_Change() {
    SpinBarChange(*this, *VScroll5, Text2(4), [this] { FreeUpMemoryMB = VScroll5->value(); });
}
void Form5::VScroll6_Change() { SpinBarChange(*this, *VScroll6, *Text3); }
void Form5::VScroll9_Change() { SpinBarChange(*this, *VScroll9, *Text4); }
void Form5::VScroll10_Change() { SpinBarChange(*this, *VScroll10, Text2(7)); }

}  // namespace tarnolux
