// The command line, and later starts of the program: each hands its command line to the running
// instance and ends.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/command_line.h"
#include "app_fixture.h"
#include "tray/form6.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

// The running program (the fixture's), and a later start of it: a process of its own, with its own
// host and system, that finds the first holding the instance lock.
struct LaterStartTest : apptest::ProgramTest {
    struct Later {
        forms::Application app;
        host::ScriptedHost host{app};
        platform::FakeSystem sys;
        tarnolux::Program program{app, sys, host};
        explicit Later(std::vector<std::string> args) {
            sys.prevInstance = true;
            program.Command = tarnolux::ParseCommandLine(args);
        }
    };

    tarnolux::Form5& f;
    LaterStartTest() : f(StartMinimized()) {}
    tarnolux::Form5& StartMinimized() {
        Store("StartMinimized", "1");
        Store("ShowPopUp", "0");
        Store("PlaySound", "0");
        return Start();
    }
    int Run(std::vector<std::string> args) {
        Later later(std::move(args));
        const int rc = later.program.Run();
        EXPECT_FALSE(later.program.form5().loaded());
        EXPECT_TRUE(later.host.trayCalls.empty());
        return rc;
    }
};

TEST_F(LaterStartTest, ASecondStartShowsAndRaisesTheRunningWindow) {
    ASSERT_FALSE(f.visible());
    EXPECT_EQ(Run({}), 0);
    EXPECT_TRUE(f.visible());
    // As the tray's Restore does, and the focus besides: the user asked for the window.
    ASSERT_EQ(host.windowPos.size(), 2u);
    EXPECT_EQ(host.windowPos[0].insertAfter, host::HWND_TOPMOST);
    EXPECT_EQ(host.activations, std::vector<forms::Form*>{&f});
}

TEST_F(LaterStartTest, FreeUpAndQuitReachTheRunningInstance) {
    sys.claimRequests.clear();
    EXPECT_EQ(Run({"--free-up", "512"}), 0);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{512 * MiB});
    // Without an amount, the Free Up Memory page's (21 MB on this 128 MB machine), typed or not.
    f.Text2(4).setText("33");
    EXPECT_EQ(Run({"--free-up"}), 0);
    EXPECT_EQ(sys.claimRequests.back(), 33 * MiB);
    EXPECT_FALSE(f.visible());

    f.Check4(0).setValue(0);
    EXPECT_EQ(Run({"--quit"}), 0);
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(Stored("StartonWindowsStartUp"), "0");  // saved on the way out
    EXPECT_FALSE(host.trayIconPresent);
}

TEST_F(LaterStartTest, WithoutAnInstanceThatAnswersTheStartFailsAndSaysSo) {
    host.LaterStart = nullptr;  // it holds the lock but answers nothing: hung, or ending
    Later later({"--show"});
    EXPECT_EQ(later.program.Run(), 1);
    EXPECT_EQ(later.program.StartError, "Tarnolux is running but does not answer");
    EXPECT_EQ(later.host.sentRequests, std::vector<std::string>{"show"});
}

// The first start does the action itself once it has started; --quit finds nothing to end.
TEST_F(LaterStartTest, AFirstStartCarriesOutItsOwnAction) {
    f.Unload();
    program.reset();
    const auto firstStart = [&](std::vector<std::string> args) {
        host.quitCalled = false;  // each start is a new process: the last one's end is not this one's
        program = std::make_unique<tarnolux::Program>(app, sys, host);
        program->Command = tarnolux::ParseCommandLine(args);
        return program->Run();
    };
    sys.claimRequests.clear();
    EXPECT_EQ(firstStart({"--show"}), 0);
    EXPECT_TRUE(form().visible());  // although "Start minimized." is on
    EXPECT_EQ(host.listeningOn, "fake-instance");
    form().Unload();

    EXPECT_EQ(firstStart({"--free-up", "64"}), 0);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{64 * MiB});
    form().Unload();

    sys.SetRegString(platform::HKEY_CURRENT_USER, apptest::kSection, "Left", "1234");
    EXPECT_EQ(firstStart({"--quit"}), 0);
    EXPECT_FALSE(form().loaded());
    EXPECT_EQ(Stored("Left"), "1234");
}

using tarnolux::CommandLine;
using tarnolux::ParseCommandLine;
using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string> args) { return ParseCommandLine(args); }

TEST(CommandLineTest, ActionsAndTheirAmounts) {
    // The toolkit's options and the start-up marker pass through.
    for (const auto& [args, action] : {std::pair{std::vector<std::string>{}, Action::Start},
                                      std::pair{std::vector<std::string>{"/Start Up"}, Action::Start},
                                      std::pair{std::vector<std::string>{"/Start", "Up"}, Action::Start},
                                      std::pair{std::vector<std::string>{"-platform", "offscreen", "--show"}, Action::Show},
                                      std::pair{std::vector<std::string>{"--quit"}, Action::Quit}})
        EXPECT_EQ(Parse(args).action, action) << testing::PrintToString(args);

    const CommandLine pageAmount = Parse({"--free-up"});
    EXPECT_EQ(pageAmount.action, Action::FreeUp);
    EXPECT_FALSE(pageAmount.freeUpMB);
    EXPECT_EQ(Parse({"--free-up", "512"}).freeUpMB, 512);
    EXPECT_EQ(Parse({"--free-up=64"}).freeUpMB, 64);
    // An option after it is not taken for its amount.
    const CommandLine then = Parse({"--free-up", "-platform", "offscreen"});
    EXPECT_EQ(then.action, Action::FreeUp);
    EXPECT_FALSE(then.freeUpMB);

    // Help and version win wherever they stand, even after a mistake would have been found.
    EXPECT_EQ(Parse({"--show", "--help"}).action, Action::Help);
    EXPECT_EQ(Parse({"--version"}).action, Action::Version);
    EXPECT_EQ(tarnolux::VersionText(), "Tarnolux 1.8");
}

TEST(CommandLineTest, MistakesAreNamed) {
    const auto error = [](std::vector<std::string> args) {
        const CommandLine c = ParseCommandLine(args);
        EXPECT_EQ(c.action, Action::Invalid);
        return c.error;
    };
    EXPECT_EQ(error({"--frobnicate"}), "unknown option '--frobnicate'");
    EXPECT_EQ(error({"notes.txt"}), "unexpected argument 'notes.txt'");
    EXPECT_EQ(error({"--show", "--quit"}), "only one of --show, --free-up and --quit can be given");
    for (const char* amount : {"0", "-5", "12MB", "1e3", "99999999999", ""})
        EXPECT_NE(error({std::string("--free-up=") + amount}).find("is not a number of megabytes"), std::string::npos)
            << amount;
    EXPECT_NE(error({"--free-up", "lots"}).find("'lots'"), std::string::npos);
}

TEST(CommandLineTest, RequestsSurviveTheTripToTheRunningInstance) {
    for (const CommandLine& c : {Parse({"--show"}), Parse({"--quit"}), Parse({"--free-up"}), Parse({"--free-up", "512"})})
        EXPECT_EQ(tarnolux::DecodeRequest(tarnolux::EncodeRequest(c)), c);
    // A plain second start asks the running instance to show itself.
    EXPECT_EQ(tarnolux::EncodeRequest(Parse({})), "show");
    for (const char* unknown : {"", "SHOW", "free-up x", "free-up 0", "quit now", "rm -rf"})
        EXPECT_FALSE(tarnolux::DecodeRequest(unknown)) << unknown;
}

}  // namespace
