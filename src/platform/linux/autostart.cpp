#include "platform/linux/autostart.h"

namespace platform::linux_impl {

namespace {
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";

std::string_view TrimLeft(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    return s;
}
}  // namespace

std::string DesktopExecArgument(std::string_view arg) {
    std::string quoted;
    const bool needsQuotes = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
    if (needsQuotes) {
        quoted += '"';
        for (char c : arg) {
            if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
            quoted += c;
        }
        quoted += '"';
    } else {
        quoted = arg;
    }
    // The Exec value is also a desktop-entry string, where '\' and line breaks are escaped, and
    // '%' starts a field code.
    std::string out;
    for (char c : quoted) {
        switch (c) {
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '%': out += "%%"; break;
            default: out += c;
        }
    }
    return out;
}

std::string RunCommandArguments(std::string_view command, std::string_view exeFile) {
    // This program, quoted as it registers itself or bare as earlier versions did; its own path
    // first, which may hold a quote or ".exe " of its own.
    if (!exeFile.empty()) {
        for (const std::string_view suffix : {std::string_view(".exe"), std::string_view()}) {
            const std::string exe = std::string(exeFile) + std::string(suffix);
            for (const std::string& head : {"\"" + exe + "\"", exe}) {
                if (command.substr(0, head.size()) == head && (command.size() == head.size() || command[head.size()] == ' '))
                    return std::string(TrimLeft(command.substr(head.size())));
            }
        }
    }
    // Registered from elsewhere: a quoted path ends at its closing quote, a bare one at ".exe ".
    if (command.starts_with('"')) {
        const auto close = command.find('"', 1);
        return close == std::string_view::npos ? std::string() : std::string(TrimLeft(command.substr(close + 1)));
    }
    if (const auto exe = command.find(".exe "); exe != std::string_view::npos)
        return std::string(TrimLeft(command.substr(exe + 5)));
    return {};
}

std::string AutostartEntry(std::string_view exeFile, std::string_view arguments) {
    std::string exec = DesktopExecArgument(exeFile);
    if (!arguments.empty()) exec += " " + DesktopExecArgument(arguments);
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Tarnolux\n"
           "Exec=" + exec + "\n"
           "Icon=tarnolux\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

}  // namespace platform::linux_impl
