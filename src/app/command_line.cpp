#include "app/command_line.h"

#include <array>
#include <charconv>
#include <limits>
#include <string_view>

namespace tarnolux {

namespace {

// Options the toolkit reads itself, with the value each takes; they pass through untouched.
constexpr std::array<std::string_view, 14> kToolkitOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "qwindowicon",
    "qwindowtitle", "display", "geometry", "style", "stylesheet", "session", "name", "title"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

// "-platform" and "--platform" alike, as the toolkit takes both.
std::optional<std::string_view> ToolkitName(std::string_view arg) {
    if (arg.starts_with("--")) arg.remove_prefix(2);
    else if (arg.starts_with("-")) arg.remove_prefix(1);
    else return std::nullopt;
    return arg;
}

template <std::size_t N>
bool OneOf(std::string_view name, const std::array<std::string_view, N>& names) {
    for (std::string_view n : names)
        if (n == name) return true;
    return false;
}

// A whole number of megabytes, 1 or more, digits only.
std::optional<std::int32_t> Megabytes(std::string_view text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return std::nullopt;
    std::int32_t mb = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), mb);
    if (ec != std::errc() || end != text.data() + text.size() || mb < 1) return std::nullopt;
    return mb;
}

CommandLine Invalid(std::string error) {
    CommandLine c;
    c.action = CommandLine::Action::Invalid;
    c.error = std::move(error);
    return c;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& args) {
    CommandLine result;
    bool haveAction = false;
    const auto setAction = [&](CommandLine::Action action) {
        if (haveAction) return false;
        haveAction = true;
        result.action = action;
        return true;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") return CommandLine{CommandLine::Action::Help, {}, {}};
        if (arg == "--version") return CommandLine{CommandLine::Action::Version, {}, {}};
        if (arg == "/Start Up") continue;
        if (arg == "/Start" && i + 1 < args.size() && args[i + 1] == "Up") {
            ++i;
            continue;
        }
        if (arg == "--show" || arg == "--quit" || arg == "--report" || arg == "--free-up" ||
            arg.starts_with("--free-up=")) {
            const CommandLine::Action action = arg == "--show"     ? CommandLine::Action::Show
                                               : arg == "--quit"   ? CommandLine::Action::Quit
                                               : arg == "--report" ? CommandLine::Action::Report
                                                                   : CommandLine::Action::FreeUp;
            if (!setAction(action)) return Invalid("only one of --show, --free-up, --quit and --report can be given");
            if (action != CommandLine::Action::FreeUp) continue;
            std::optional<std::string_view> amount;
            if (arg.size() > 9) amount = std::string_view(arg).substr(10);
            else if (i + 1 < args.size() && !args[i + 1].starts_with("-") && !args[i + 1].starts_with("/"))
                amount = args[++i];
            if (amount) {
                result.freeUpMB = Megabytes(*amount);
                if (!result.freeUpMB) return Invalid(std::string(1, '\'').append(*amount).append("' is not a number of megabytes"));
            }
            continue;
        }
        if (const auto name = ToolkitName(arg)) {
            if (OneOf(*name, kToolkitFlags)) continue;
            if (OneOf(*name, kToolkitOptionsWithValue)) {
                if (i + 1 >= args.size()) return Invalid("option '" + arg + "' needs a value");
                ++i;
                continue;
            }
            return Invalid("unknown option '" + arg + "'");
        }
        return Invalid("unexpected argument '" + arg + "'");
    }
    return result;
}

std::string UsageText() {
    return "Usage: tarnolux [--show | --free-up [MB] | --quit | --report]\n"
           "Shows processor load and memory in the notification area, and frees memory.\n"
           "An action goes to the running Tarnolux; it is started first if none runs.\n"
           "\n"
           "  --show          show the window and bring it to the front\n"
           "  --free-up [MB]  free MB megabytes of memory now, or the amount set on the\n"
           "                  Free Up Memory page, and print what it achieved\n"
           "  --quit          end the running Tarnolux, saving its settings\n"
           "  --report        print the latest free-ups and what each achieved\n"
           "  -h, --help      show this help and exit\n"
           "  --version       show the version and exit\n"
           "\n"
           "Exit status:\n"
           "  0  done; for --free-up: the whole amount was freed\n"
           "  1  no display, the running Tarnolux did not answer, or the log is unreadable\n"
           "  2  the command line was not understood\n"
           "  3  nothing freed: not that much memory can be claimed safely now, or it\n"
           "     ran short while being claimed\n"
           "  4  nothing freed: another free-up is under way, or Tarnolux is ending\n"
           "  5  nothing freed: Tarnolux is switched off (Enable in its menu)\n";
}

std::string VersionText() {
    return "Tarnolux " + std::to_string(TARNOLUX_VERSION_MAJOR) + "." + std::to_string(TARNOLUX_VERSION_MINOR);
}

std::string EncodeRequest(const CommandLine& command) {
    switch (command.action) {
    case CommandLine::Action::FreeUp:
        return command.freeUpMB ? "free-up " + std::to_string(*command.freeUpMB) : "free-up";
    case CommandLine::Action::Quit:
        return "quit";
    default:
        return "show";
    }
}

std::string EncodeAnswer(int status, const std::string& line) { return "result " + std::to_string(status) + " " + line; }

Answer DecodeAnswer(const std::string& answer) {
    if (answer == "ok") return {};
    if (answer.starts_with("result ")) {
        const std::string_view rest = std::string_view(answer).substr(7);
        int status = 0;
        const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), status);
        if (ec == std::errc() && end != rest.data() && end < rest.data() + rest.size() && *end == ' ')
            return {status, std::string(end + 1, rest.data() + rest.size()), {}};
    }
    return {1, {}, answer};
}

std::optional<CommandLine> DecodeRequest(const std::string& request) {
    CommandLine c;
    if (request == "show") {
        c.action = CommandLine::Action::Show;
    } else if (request == "quit") {
        c.action = CommandLine::Action::Quit;
    } else if (request == "free-up") {
        c.action = CommandLine::Action::FreeUp;
    } else if (request.starts_with("free-up ")) {
        c.action = CommandLine::Action::FreeUp;
        c.freeUpMB = Megabytes(std::string_view(request).substr(8));
        if (!c.freeUpMB) return std::nullopt;
    } else {
        return std::nullopt;
    }
    return c;
}

}  // namespace tarnolux
