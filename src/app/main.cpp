// Tarnolux: the Qt host, the platform's services and the program, put together.
#include <cstdio>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/program.h"
#include "host/qt/qt_host.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    // The command line is read before any window exists: --help and --version need no display.
    const tarnolux::CommandLine command = tarnolux::ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (command.action) {
    case tarnolux::CommandLine::Action::Help:
        std::fputs(tarnolux::UsageText().c_str(), stdout);
        return 0;
    case tarnolux::CommandLine::Action::Version:
        std::puts(tarnolux::VersionText().c_str());
        return 0;
    case tarnolux::CommandLine::Action::Invalid:
        std::fprintf(stderr, "tarnolux: %s\n%s", command.error.c_str(), tarnolux::UsageText().c_str());
        return 2;
    default:
        break;
    }

    forms::Application app;
    qthost::QtHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    if (!sys) {
        std::fputs("tarnolux: no platform services for this system\n", stderr);
        return 1;
    }
    tarnolux::Program program(app, *sys, host);
    program.Command = command;
    const int rc = program.Run();
    if (!program.StartError.empty()) std::fprintf(stderr, "tarnolux: %s\n", program.StartError.c_str());
    return rc;
}
