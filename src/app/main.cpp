// Tarnolux: the platform's host and services and the program, put together.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
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
    default:
        break;
    }
    forms::Application app;
    ProgramHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    tarnolux::Program program(app, *sys, host);
    program.Command = command;
    const int rc = program.Run();
    if (!program.StartError.empty()) std::fprintf(stderr, "tarnolux: %s\n", program.StartError.c_str());
    return rc;
}
