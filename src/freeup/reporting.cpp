#include "freeup/reporting.h"

#include <vector>

#include "app/form5.h"
#include "appearance/texts.h"
#include "tray/taskbar_icon.h"

namespace tarnolux {

namespace {

constexpr std::uint64_t kMiB = 1048576;

FreeUpOutcome Begun(Program& P, Trigger trigger, std::int64_t mb) {
    FreeUpOutcome o;
    o.time = P.sys.UnixTime();
    o.trigger = trigger;
    o.askedMB = mb;
    return o;
}

}  // namespace

FreeUpOutcome HeldBack(Program& P, Trigger trigger, std::int64_t mb, Reason reason) {
    FreeUpOutcome o = Begun(P, trigger, mb);
    o.reason = reason;
    return o;
}

FreeUpOutcome FreeUpNow(Program& P, Trigger trigger, std::optional<std::int32_t> mb) {
    Form5& f = P.form5();
    FreeUpOutcome o = Begun(P, trigger, mb.value_or(0));
    if (!mb || f.Defragging) {
        o.reason = mb ? Reason::Busy : Reason::NoAmount;
        Report(P, o);
        return o;
    }
    o.before = P.sys.ReadMemory();
    std::int32_t amount = *mb;
    f.DefragMemoryNow(amount);
    o.after = P.sys.ReadMemory();
    o.claimedMB = static_cast<std::int64_t>(f.LastClaim.claimedBytes / kMiB);
    o.durationMs = f.LastClaim.ms;
    if (*mb <= 0) {
        o.reason = Reason::NoAmount;
    } else if (f.LastClaim.claimedBytes > 0) {
        o.reason = Reason::Claimed;
    } else if (f.LastClaim.stopped) {
        o.reason = Reason::Ending;
    } else {
        // Asked now that the claim has given up and given everything back: what it would have had.
        const std::optional<std::uint64_t> budget = P.sys.ClaimBudget();
        o.budgetMB = budget ? static_cast<std::int64_t>(*budget / kMiB) : -1;
        o.reason = budget && *budget < static_cast<std::uint64_t>(*mb) * kMiB ? Reason::SafeBudget : Reason::RanShort;
    }
    Report(P, o);
    return o;
}

std::pair<std::string, std::string> NoticeTexts(Program& P, const FreeUpOutcome& o) {
    const auto text = [&P](std::string_view key) -> const std::string& { return Text(P, key); };
    const std::string asked = std::to_string(o.askedMB);
    switch (o.reason) {
    case Reason::Claimed: {
        std::string body = FillIn(text("NoticeTook"), {Seconds(o.durationMs)});
        if (o.before && o.after) {
            const platform::MemoryReading& b = *o.before;
            const platform::MemoryReading& a = *o.after;
            body += " " + FillIn(text("NoticeFigures"),
                                 {std::to_string(WholeMB(b.unused)), std::to_string(WholeMB(a.unused)),
                                  std::to_string(WholeMB(b.available)), std::to_string(WholeMB(a.available)),
                                  SignedMB(b.cache, a.cache), SignedMB(b.swapUsed, a.swapUsed)});
        }
        return {FillIn(text("NoticeFreed"), {std::to_string(o.claimedMB)}), body};
    }
    case Reason::SafeBudget:
        return {text("NoticeNothing"), FillIn(text("NoticeBudget"), {std::to_string(o.budgetMB), asked})};
    case Reason::RanShort: return {text("NoticeNothing"), FillIn(text("NoticeRanShort"), {asked})};
    case Reason::Busy: return {text("NoticeNothing"), text("NoticeBusy")};
    case Reason::SwitchedOff: return {text("NoticeNothing"), text("NoticeOff")};
    default: return {text("NoticeNothing"), text("NoticeNoAmount")};
    }
}

void Report(Program& P, const FreeUpOutcome& o) {
    P.sys.AppendToLog(kFreeUpLog, kFreeUpLogHeader, LogLine(o), kFreeUpLogKeep);
    if (o.reason == Reason::ProcessorGate || o.reason == Reason::Ending) return;
    Form5& f = P.form5();
    if (!f.loaded() || f.Check4(2).value() != forms::vbChecked) return;
    const auto [summary, body] = NoticeTexts(P, o);
    if (!P.sys.Notify(summary, body)) TaskBar_Icon::TrayBalloon(P, summary, body);
}

std::optional<std::string> ReportText(platform::System& sys) {
    const std::optional<std::vector<std::string>> lines = sys.ReadLog(kFreeUpLog, kFreeUpLogHeader);
    if (!lines) return std::nullopt;
    std::vector<FreeUpOutcome> outcomes;
    for (const std::string& line : *lines)
        if (const std::optional<FreeUpOutcome> o = FromLogLine(line)) outcomes.push_back(*o);
    if (outcomes.empty()) return std::string("No free-ups recorded yet.\n");
    if (outcomes.size() > kReportRows) outcomes.erase(outcomes.begin(), outcomes.end() - kReportRows);
    return ReportTable(outcomes);
}

}  // namespace tarnolux
