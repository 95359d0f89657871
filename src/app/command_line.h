// The command line: what a start of the program is asked to do, and the one-line requests a later
// start sends to the instance that already runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnolux {

struct CommandLine {
    enum class Action {
        Start,    // no action: start, or show the running instance
        Show,     // --show
        FreeUp,   // --free-up [MB]
        Quit,     // --quit
        Report,   // --report
        Help,     // -h, --help
        Version,  // --version
        Invalid,  // anything else: `error` says what
    };
    Action action = Action::Start;
    std::optional<std::int32_t> freeUpMB;  // FreeUp: none means the amount set on the Free Up Memory page
    std::string error;
};

// Reads the arguments after the program name. The toolkit's own options (-platform NAME, -display
// NAME, -style NAME, ...) are let through for the toolkit; the start-up registration's "/Start Up"
// marker changes nothing.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

std::string UsageText();    // for --help, and on stderr after a bad option
std::string VersionText();  // "Tarnolux 1.8"

// The request a later start sends to the running instance, one line without its line end, and its
// reading there (nothing for a request the running instance does not know).
std::string EncodeRequest(const CommandLine& command);
std::optional<CommandLine> DecodeRequest(const std::string& request);

// The running instance's answer, as the later start takes it: the status it ends with and the line
// it prints ("ok": 0 and nothing; "result N LINE"; anything else went wrong and is the error).
struct Answer {
    int status = 0;
    std::string line;
    std::string error;
    bool operator==(const Answer&) const = default;
};
std::string EncodeAnswer(int status, const std::string& line);
Answer DecodeAnswer(const std::string& answer);

}  // namespace tarnolux
