// Tarnolux: the platform's host and services and the program, put together.
#include <cstdio>
#include <cstring>

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
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
#if defined(TARNOLUX_WIN32)
        win32host::AttachParentConsole();
#endif
        std::printf("Tarnolux %d.%d\n", TARNOLUX_VERSION_MAJOR, TARNOLUX_VERSION_MINOR);
        return 0;
    }
    forms::Application app;
    ProgramHost host(app, argc, argv);
    auto sys = platform::MakeSystem();
    tarnolux::Program program(app, *sys, host);
    return program.Run();
}
