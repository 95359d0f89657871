// What a free-up did: the amount asked for and claimed, or why nothing was claimed, how long it
// took, and the memory figures before and after it; with the texts that tell it on the command
// line and in the report, and the line that keeps it in the free-up log.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/system.h"

namespace tarnolux {

enum class Trigger { Menu, Limit, Periodic, CommandLine };

enum class Reason {
    Claimed,        // the whole amount was claimed, written and given back
    NoAmount,       // the amount is not a whole number of megabytes above 0
    SafeBudget,     // more than can be claimed safely now (budgetMB)
    RanShort,       // memory ran short while it was being claimed
    Busy,           // another free-up was under way
    SwitchedOff,    // monitoring and automatic freeing are switched off (Disable)
    ProcessorGate,  // an automatic free-up held back: the load was not below the threshold
    Ending,         // the program was ending
};

struct FreeUpOutcome {
    std::int64_t time = 0;  // seconds since 1970, UTC
    Trigger trigger = Trigger::Menu;
    std::int64_t askedMB = 0;
    std::int64_t claimedMB = 0;
    Reason reason = Reason::Claimed;
    std::int64_t budgetMB = -1;  // SafeBudget, RanShort: what could be claimed safely then; -1 unknown
    std::int64_t loadPercent = 0, thresholdPercent = 0;  // ProcessorGate
    std::int64_t durationMs = 0;                          // from the claim to the memory given back
    std::optional<platform::MemoryReading> before, after;
    bool operator==(const FreeUpOutcome&) const = default;
};

// The status a later start ends with: 0 when the whole amount was freed; 3 when it could not be
// (not a number, more than can be claimed safely, memory ran short); 4 when another free-up was
// under way or Tarnolux was ending; 5 when Tarnolux is switched off.
int ExitStatus(const FreeUpOutcome& o);

// "Freed 1024 MB in 0.4 s: unused memory 2048 → 3010 MB, available 9120 → 9050 MB, page cache
// −950 MB, swap +0 MB", or "Nothing freed: " and the reason.
std::string OutcomeLine(const FreeUpOutcome& o);
// Why nothing was freed, as the command line and the report say it; empty when it was.
std::string ReasonText(const FreeUpOutcome& o);

// Whole megabytes of a reading, and the change between two as "+12" or "−950".
std::int64_t WholeMB(std::uint64_t bytes);
std::string SignedMB(std::uint64_t before, std::uint64_t after);
// Milliseconds as seconds with one decimal, "0.4"; the same in every locale.
std::string Seconds(std::int64_t ms);

// The free-up log: its file in the state folder, first line and length.
inline const std::string kFreeUpLog = "free-ups.log";
inline const std::string kFreeUpLogHeader = "Tarnolux free-ups 1";
inline constexpr std::size_t kFreeUpLogKeep = 300;
// One outcome as a line of the log, and back; nothing for a line that is not one.
std::string LogLine(const FreeUpOutcome& o);
std::optional<FreeUpOutcome> FromLogLine(const std::string& line);

// The outcomes as a table for `tarnolux --report`, times in local time (UTC when `utc`).
std::string ReportTable(const std::vector<FreeUpOutcome>& outcomes, bool utc = false);

}  // namespace tarnolux
