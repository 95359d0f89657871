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
    for (const std::string_view suffix : {std::string_view(".exe"), std::string_view()}) {
        const std::string exe = std::string(exeFile) + std::string(suffix);
        if (!exeFile.empty() && command.substr(0, exe.size()) == exe &&
            (command.size() == exe.size() || command[exe.size()] == ' '))
            return std::string(TrimLeft(command.substr(exe.size())));
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
