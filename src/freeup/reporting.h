// Every free-up tells what it did: the designed engine runs as it always has, measured around, and
// its outcome goes to the free-up log, to a desktop notice while "Show Pop-Up..." is on, and to the
// command line that asked for it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "app/program.h"
#include "freeup/outcome.h"

namespace tarnolux {

// Frees `mb` megabytes as `trigger` asks (nothing: the amount is not a number) through
// DefragMemoryNow, with the memory read before it and again once the claim has been given back;
// reports the outcome and returns it.
FreeUpOutcome FreeUpNow(Program& P, Trigger trigger, std::optional<std::int32_t> mb);

// A free-up that was asked for but not begun (switched off, held back by the processor gate).
FreeUpOutcome HeldBack(Program& P, Trigger trigger, std::int64_t mb, Reason reason);

// Logs `o` and, while "Show Pop-Up..." is on, tells it in a desktop notice (the tray icon's balloon
// where the desktop has no notification service); held-back automatic free-ups are only logged.
void Report(Program& P, const FreeUpOutcome& o);

// The notice's title and text, in the language in use.
std::pair<std::string, std::string> NoticeTexts(Program& P, const FreeUpOutcome& o);

// The latest free-ups of the log as `tarnolux --report` prints them; nothing when the log cannot
// be read.
inline constexpr std::size_t kReportRows = 20;
std::optional<std::string> ReportText(platform::System& sys);

}  // namespace tarnolux
