#include "freeup/outcome.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <ctime>
#include <string_view>

#include "common/convert.h"

namespace tarnolux {

namespace {

constexpr std::uint64_t kMiB = 1048576;
constexpr std::string_view kMinus = "\u2212";
constexpr std::string_view kArrow = " \u2192 ";

constexpr std::array<std::string_view, 4> kTriggerWords = {"menu", "limit", "periodic", "command-line"};
constexpr std::array<std::string_view, 8> kReasonWords = {"claimed", "no-amount", "budget", "ran-short",
                                                         "busy",    "off",       "gate",   "ending"};

template <typename Enum, std::size_t N>
std::optional<Enum> FromWord(std::string_view word, const std::array<std::string_view, N>& words) {
    for (std::size_t i = 0; i < N; ++i)
        if (words[i] == word) return static_cast<Enum>(i);
    return std::nullopt;
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    while (!line.empty()) {
        const std::size_t blank = std::min(line.find(' '), line.size());
        fields.push_back(line.substr(0, blank));
        line.remove_prefix(std::min(blank + 1, line.size()));
    }
    return fields;
}

template <typename T>
std::optional<T> Number(std::string_view text) {
    T v{};
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return v;
}

std::string Figures(const std::optional<platform::MemoryReading>& r) {
    if (!r) return "- - - -";
    return std::to_string(r->unused) + " " + std::to_string(r->available) + " " + std::to_string(r->cache) + " " +
           std::to_string(r->swapUsed);
}

// Four fields from `at`: a reading, nothing when all four are "-"; false when they are neither.
bool ReadFigures(const std::vector<std::string_view>& f, std::size_t at, std::optional<platform::MemoryReading>& r) {
    if (f[at] == "-" && f[at + 1] == "-" && f[at + 2] == "-" && f[at + 3] == "-") return true;
    const auto unused = Number<std::uint64_t>(f[at]), available = Number<std::uint64_t>(f[at + 1]);
    const auto cache = Number<std::uint64_t>(f[at + 2]), swap = Number<std::uint64_t>(f[at + 3]);
    if (!unused || !available || !cache || !swap) return false;
    r = platform::MemoryReading{*unused, *available, *cache, *swap};
    return true;
}

std::string Change(const std::optional<platform::MemoryReading>& before,
                   const std::optional<platform::MemoryReading>& after, std::uint64_t platform::MemoryReading::*field) {
    return before && after ? SignedMB((*before).*field, (*after).*field) : "-";
}

std::string FromTo(const std::optional<platform::MemoryReading>& before,
                   const std::optional<platform::MemoryReading>& after, std::uint64_t platform::MemoryReading::*field) {
    if (!before || !after) return "-";
    return std::to_string(WholeMB((*before).*field)) + std::string(kArrow) + std::to_string(WholeMB((*after).*field));
}

std::string TimeText(std::int64_t time, bool utc) {
    const auto t = static_cast<std::time_t>(time);
    std::tm tm{};
#if defined(_WIN32)
    const bool ok = (utc ? ::gmtime_s(&tm, &t) : ::localtime_s(&tm, &t)) == 0;
#else
    const bool ok = (utc ? ::gmtime_r(&t, &tm) : ::localtime_r(&t, &tm)) != nullptr;
#endif
    char text[32];
    if (!ok || std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &tm) == 0) return std::to_string(time);
    return text;
}

}  // namespace

int ExitStatus(const FreeUpOutcome& o) {
    switch (o.reason) {
    case Reason::Claimed: return 0;
    case Reason::NoAmount:
    case Reason::SafeBudget:
    case Reason::RanShort: return 3;
    case Reason::SwitchedOff: return 5;
    default: return 4;
    }
}

std::int64_t WholeMB(std::uint64_t bytes) { return static_cast<std::int64_t>(bytes / kMiB); }

std::string SignedMB(std::uint64_t before, std::uint64_t after) {
    const std::int64_t change = WholeMB(after) - WholeMB(before);
    return change < 0 ? std::string(kMinus) + std::to_string(-change) : "+" + std::to_string(change);
}

std::string Seconds(std::int64_t ms) {
    const std::int64_t tenths = (std::max<std::int64_t>(ms, 0) + 50) / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string ReasonText(const FreeUpOutcome& o) {
    const std::string budget = std::to_string(o.budgetMB);
    switch (o.reason) {
    case Reason::Claimed: return {};
    case Reason::NoAmount: return "the amount to free is not a whole number of megabytes";
    case Reason::SafeBudget: return "at most " + budget + " MB can be claimed safely now";
    case Reason::RanShort:
        return o.budgetMB < 0 ? "memory ran short while it was being claimed"
                              : "memory ran short while it was being claimed; at most " + budget +
                                    " MB can be claimed safely now";
    case Reason::Busy: return "another free-up is under way";
    case Reason::SwitchedOff: return "Tarnolux is switched off; Enable in its menu switches it on";
    case Reason::ProcessorGate:
        return "held back: the processor load of " + std::to_string(o.loadPercent) + " % is not below " +
               std::to_string(o.thresholdPercent) + " %";
    case Reason::Ending: return "Tarnolux is ending";
    }
    return {};
}

std::string OutcomeLine(const FreeUpOutcome& o) {
    if (o.reason != Reason::Claimed) return "Nothing freed: " + ReasonText(o);
    std::string line = "Freed " + std::to_string(o.claimedMB) + " MB in " + Seconds(o.durationMs) + " s";
    if (!o.before || !o.after) return line + " (the memory figures could not be read)";
    using R = platform::MemoryReading;
    return line + ": unused memory " + FromTo(o.before, o.after, &R::unused) + " MB, available " +
           FromTo(o.before, o.after, &R::available) + " MB, page cache " + Change(o.before, o.after, &R::cache) +
           " MB, swap " + Change(o.before, o.after, &R::swapUsed) + " MB";
}

std::string LogLine(const FreeUpOutcome& o) {
    return std::to_string(o.time) + " " + std::string(kTriggerWords[static_cast<std::size_t>(o.trigger)]) + " " +
           std::to_string(o.askedMB) + " " + std::to_string(o.claimedMB) + " " +
           std::string(kReasonWords[static_cast<std::size_t>(o.reason)]) + " " + std::to_string(o.budgetMB) + " " +
           std::to_string(o.loadPercent) + " " + std::to_string(o.thresholdPercent) + " " +
           std::to_string(o.durationMs) + " " + Figures(o.before) + " " + Figures(o.after);
}

std::optional<FreeUpOutcome> FromLogLine(const std::string& line) {
    const std::vector<std::string_view> f = Fields(line);
    if (f.size() != 17) return std::nullopt;
    FreeUpOutcome o;
    const auto time = Number<std::int64_t>(f[0]);
    const auto trigger = FromWord<Trigger>(f[1], kTriggerWords);
    const auto reason = FromWord<Reason>(f[4], kReasonWords);
    const std::optional<std::int64_t> numbers[] = {Number<std::int64_t>(f[2]), Number<std::int64_t>(f[3]),
                                                   Number<std::int64_t>(f[5]), Number<std::int64_t>(f[6]),
                                                   Number<std::int64_t>(f[7]), Number<std::int64_t>(f[8])};
    if (!time || !trigger || !reason) return std::nullopt;
    for (const auto& n : numbers)
        if (!n) return std::nullopt;
    o.time = *time;
    o.trigger = *trigger;
    o.reason = *reason;
    o.askedMB = *numbers[0];
    o.claimedMB = *numbers[1];
    o.budgetMB = *numbers[2];
    o.loadPercent = *numbers[3];
    o.thresholdPercent = *numbers[4];
    o.durationMs = *numbers[5];
    if (!ReadFigures(f, 9, o.before) || !ReadFigures(f, 13, o.after)) return std::nullopt;
    return o;
}

std::string ReportTable(const std::vector<FreeUpOutcome>& outcomes, bool utc) {
    using R = platform::MemoryReading;
    static constexpr std::array<std::string_view, 4> kTriggerNames = {"menu", "limit", "periodic", "command line"};
    std::vector<std::array<std::string, 10>> rows = {{"Time", "Trigger", "Asked MB", "Claimed MB", "Took",
                                                      "Unused MB", "Available MB", "Cache MB", "Swap MB", "Outcome"}};
    for (const FreeUpOutcome& o : outcomes) {
        const bool claimed = o.reason == Reason::Claimed;
        rows.push_back({TimeText(o.time, utc), std::string(kTriggerNames[static_cast<std::size_t>(o.trigger)]),
                        std::to_string(o.askedMB), std::to_string(o.claimedMB), Seconds(o.durationMs) + " s",
                        FromTo(o.before, o.after, &R::unused), FromTo(o.before, o.after, &R::available),
                        Change(o.before, o.after, &R::cache), Change(o.before, o.after, &R::swapUsed),
                        claimed ? "freed" : ReasonText(o)});
    }
    // Numbers stand right-aligned under their headings, texts left-aligned; the last column, never
    // empty, runs on unpadded.
    constexpr std::array<bool, 10> kRight = {false, false, true, true, true, true, true, true, true, false};
    std::array<std::size_t, 10> width{};
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], Utf8Length(row[c]));
    std::string table;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string pad(width[c] - Utf8Length(row[c]), ' ');
            if (c > 0) line += "  ";
            line += kRight[c] ? pad + row[c] : c + 1 < row.size() ? row[c] + pad : row[c];
        }
        table += line + "\n";
    }
    return table;
}

}  // namespace tarnolux
