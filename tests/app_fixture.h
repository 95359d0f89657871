// A whole program on the fake system and the scripted host: 128 MB, /opt/tarnolux, an empty store.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/form5.h"
#include "app/program.h"
#include "forms/forms.h"
#include "host/scripted_host.h"
#include "platform/fake/fake_system.h"

namespace apptest {

inline const std::string kSection = "Software\\TALVO\\Tarnolux ";
inline const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Where a form or a control lies, in twips: "left,top,width,height".
template <typename Placed>
std::string Box(const Placed& c) {
    return std::to_string(c.left()) + "," + std::to_string(c.top()) + "," + std::to_string(c.width()) + "," +
           std::to_string(c.height());
}

// One run of the program on `sys`: started, `during` it, then ended by unloading its window, as an exit does.
inline void RunOnce(platform::System& sys,
                    const std::function<void(tarnolux::Program&, host::ScriptedHost&)>& during = {}) {
    forms::Application app;
    host::ScriptedHost host{app};
    tarnolux::Program program(app, sys, host);
    ASSERT_TRUE(program.Start());
    if (during) during(program, host);
    program.form5().Unload();
}

// A later start of the program: a process of its own, with its own host and system.
struct LaterStart {
    forms::Application app;
    host::ScriptedHost host{app};
    platform::FakeSystem sys;
    tarnolux::Program program{app, sys, host};
    explicit LaterStart(const std::vector<std::string>& args) {
        sys.prevInstance = true;
        program.Command = tarnolux::ParseCommandLine(args);
    }
};

struct ProgramTest : ::testing::Test {
    static constexpr std::uint64_t MiB = 1048576;
    forms::Application app;
    host::ScriptedHost host{app};
    platform::FakeSystem sys;
    std::unique_ptr<tarnolux::Program> program;

    ProgramTest() {
        sys.SetMemoryMB(128, 64, 256, 200, 2048, 1900);
        sys.CreateRegKey(platform::HKEY_LOCAL_MACHINE, kRunKey);
    }

    // Starts a run (a fresh one after an earlier run has ended).
    tarnolux::Form5& Start() {
        program.reset();
        host.quitCalled = false;  // a new process: the last run's end is not this one's
        program = std::make_unique<tarnolux::Program>(app, sys, host);
        program->Start();
        return program->form5();
    }
    tarnolux::Form5& form() { return program->form5(); }

    void Store(const std::string& key, const std::string& value) { sys.SetRegString(platform::HKEY_CURRENT_USER, kSection, key, value); }
    void Store(const std::map<std::string, std::string>& values) {
        for (const auto& [key, value] : values) Store(key, value);
    }
    std::optional<std::string> Stored(const std::string& key) const {
        return sys.RegString(platform::HKEY_CURRENT_USER, kSection, key);
    }
    std::optional<std::string> RunValue() const {
        return sys.RegString(platform::HKEY_LOCAL_MACHINE, kRunKey, "Tarnolux ");
    }
};

}  // namespace apptest
