// Tarnolux: the platform's host and services and the program, put together.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "freeup/reporting.h"
#include "platform/system.h"
#if defined(TARNOLUX_WIN32)
#include "host/win32/win32_host.h"
using ProgramHost = win32host::Win32Host;
#else
#include "host/qt/qt_host.h"
using ProgramHost = qthost::QtHost;
#endif

namespace {

// What a start of the program has to say on the command line, at once.
void Tell(const std::string& text, bool error) {
#if defined(TARNOLUX_WIN32)
    win32host::TellStarter(text, error);
#else
    std::FILE* to = error ? stderr : stdout;
    std::fputs(text.c_str(), to);
    std::fflush(to);
#endif
}

}  // namespace

int main(int argc, char** argv) {
    // The command line is read before any window exists: --help and --version need no display.
    const tarnolux::CommandLine command = tarnolux::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case tarnolux::CommandLine::Action::Help:
        std::fputs(tarnolux::UsageText().c_str(), stdout);
        return 0;
    case tarnolux::CommandLine::Action::Version:
#if defined(TARNOLUX_WIN32)
        win32host::AttachParentConsole();
#endif
        std::puts(tarnolux::VersionText().c_str());
        return 0;
    case tarnolux::CommandLine::Action::Invalid:
        std::fprintf(stderr, "tarnolux: %s\n%s", command.error.c_str(), tarnolux::UsageText().c_str());
        return 2;
    case tarnolux::CommandLine::Action::Report: {
        // The log is read where it lies: no display, and no running Tarnolux, is needed.
        auto sys = platform::MakeSystem();
        const std::optional<std::string> report = tarnolux::ReportText(*sys);
        Tell(report ? *report : "tarnolux: the free-up log cannot be read\n", !report);
        return report ? 0 : 1;
    }
    default:
        break;
    }
    forms::Application app;
    ProgramHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    tarnolux::Program program(app, *sys, host);
    program.Command = command;
    program.Say = [](const std::string& line) { Tell(line + "\n", false); };
    const int rc = program.Run();
    if (!program.StartError.empty()) Tell("tarnolux: " + program.StartError + "\n", true);
    return rc;
}
