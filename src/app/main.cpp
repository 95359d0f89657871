// Tarnolux: the Qt host, the platform's services and the program, put together.
#include "app/program.h"
#include "host/qt/qt_host.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    forms::Application app;
    qthost::QtHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    tarnolux::Program program(app, *sys, host);
    return program.Run();
}
