// The program on the real Windows System, where paths follow Windows's rules.
#include <gtest/gtest.h>

#include <cctype>

#include "app_fixture.h"
#include "platform/win32/win32_system.h"
#include "support.h"
#include "tray/form3.h"

namespace {

// Windows writes the program's own folder "Z:\...", its drive list "z:".
TEST(Win32Program, TheSoundChooserOpensOnTheDriveOfItsFolderWhateverTheLettersCase) {
    testsupport::TempDir dir;
    platform::Win32System::Options options;
    options.windowsDir = dir.str();
    options.instanceName = "TarnoluxTests.program." + dir.path().filename().string();
    platform::Win32System sys(options);
    std::string folder, drive;
    apptest::RunOnce(sys, [&](tarnolux::Program& program, host::ScriptedHost& host) {
        host.onModal = [&](forms::Form& form) {
            auto& chooser = static_cast<tarnolux::Form3&>(form);
            folder = chooser.Dir1->path();
            drive = chooser.Drive1->path();
            chooser.Unload(0);
        };
        program.form5().Command2->userClick();
    });
    ASSERT_GE(folder.size(), 3u);
    const std::string letter = {static_cast<char>(std::tolower(static_cast<unsigned char>(folder[0]))), ':'};
    EXPECT_EQ(drive, letter) << folder;
}

}  // namespace
