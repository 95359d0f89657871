// Tarnolux: the Qt host, the platform's services and the program, put together.
#include <cstdio>

#include "app/program.h"
#include "host/qt/qt_host.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    forms::Application app;
    qthost::QtHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    if (!sys) {
        std::fputs("tarnolux: no platform services for this system\n", stderr);
        return 1;
    }
    tarnolux::Program program(app, *sys, host);
    return program.Run();
}
