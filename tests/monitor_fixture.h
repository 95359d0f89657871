// A main window on the fake system, not loaded, so that one handler at a time can be driven.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/form5.h"
#include "app/program.h"
#include "forms/forms.h"
#include "host/scripted_host.h"
#include "platform/fake/fake_system.h"

namespace monitortest {

constexpr std::uint64_t kMB = 1ull << 20;

struct WindowTest : ::testing::Test {
    platform::FakeSystem sys;
    forms::Application app;
    host::ScriptedHost host{app};
    tarnolux::Program program{app, sys, host};
    tarnolux::Form5& f = program.form5();

    WindowTest() { sys.SetMemoryMB(1000, 500, 0, 0, 2048, 2048); }

    std::string AddLanguage(const std::string& name, const std::string& contents) {
        const std::string path = sys.appPath + "/Language/" + name + ".ini";
        sys.AddFile(path, contents);
        return path;
    }
    void Choose(const std::string& name) {
        f.Combo1->addItem(name);
        f.Combo1->setListIndex(f.Combo1->listCount() - 1);
    }
};

}  // namespace monitortest
