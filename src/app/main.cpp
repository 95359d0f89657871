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
#if defined(TARNOLUX_WIN32)
        win32host::AttachParentConsole();
#endif
        auto sys = platform::MakeSystem();
        const std::optional<std::string> report = tarnolux::ReportText(*sys);
        if (!report) {
            std::fputs("tarnolux: the free-up log cannot be read\n", stderr);
            return 1;
        }
        std::fputs(report->c_str(), stdout);
        return 0;
    }
    default:
        break;
    }
#if defined(TARNOLUX_WIN32)
    // What a free-up achieved is told to the console that started this one, when there is one.
    if (command.action != tarnolux::CommandLine::Action::Start) win32host::AttachParentConsole();
#endif
    forms::Application app;
    ProgramHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    tarnolux::Program program(app, *sys, host);
    program.Command = command;
    program.Say = [](const std::string& line) {
        std::puts(line.c_str());
        std::fflush(stdout);
    };
    const int rc = program.Run();
    if (!program.StartError.empty()) std::fprintf(stderr, "tarnolux: %s\n", program.StartError.c_str());
    return rc;
}
