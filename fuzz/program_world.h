// One started program on the fake System, kept for a whole fuzzing run: each input is handed to it as
// a file, as a user would choose one.
#pragma once

#include <memory>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "platform/fake/fake_system.h"

struct ProgramWorld {
    forms::Application app;
    host::ScriptedHost host{app};
    platform::FakeSystem sys;
    std::unique_ptr<tarnolux::Program> program;
    ProgramWorld() {
        sys.SetMemoryMB(128, 64, 256, 200, 2048, 1900);
        program = std::make_unique<tarnolux::Program>(app, sys, host);
        program->Start();
    }
};
