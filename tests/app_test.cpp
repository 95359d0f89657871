// The program's life: start-up, pages, title strip and shutdown, later starts and the command line.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "app/command_line.h"
#include "app_fixture.h"
#include "support.h"
#include "tray/form6.h"

namespace {

using apptest::ProgramTest;
using tarnolux::Form5;

// Exactly one page shows and its button alone is pressed; 5 is the Options page.
void ExpectPage(Form5& f, int page) {
    for (int i = 0; i <= 5; ++i) {
        const forms::Control& shown = i < 5 ? f.Frame1(i) : *f.Frame2;
        const forms::Control& pressed = i < 5 ? f.Check1(i) : *f.Check2;
        EXPECT_EQ(std::pair(shown.visible(), pressed.value()), std::pair(i == page, i == page ? 1 : 0)) << i;
    }
}

TEST_F(ProgramTest, StartUpThePageButtonsAndTheTitleStrip) {
    Form5& f = Start();
    // Every control where the design puts it: a digest of the layout, printed whole when it differs.
    std::string layout = std::to_string(f.width()) + "," + std::to_string(f.height()) + "\n";
    for (const auto& c : f.controls())
        layout += c->displayName() + " " + apptest::Box(*c) + "\n";
    EXPECT_EQ(std::hash<std::string>{}(layout), 11406843490676953043ull) << layout;
    ExpectPage(f, 0);
    // The icon is added with the window's own icon and titled before the first tick retitles it.
    ASSERT_GE(host.trayCalls.size(), 2u);
    EXPECT_EQ(std::pair(host.trayCalls[0].data.icon.resource, host.trayCalls[1].data.tipText()),
              std::pair(1, std::string("Tarnolux ")));
    EXPECT_TRUE(host.Running(*f.Timer1) && host.Running(*f.Timer4));
    EXPECT_FALSE(host.Running(*f.Timer2) || host.Running(*f.Timer3) || host.Running(*f.Timer5));
    // Without a language file too: the total, and names for a screen reader.
    f.CacheTexts[5] = "Cache: ";
    EXPECT_EQ(std::pair(f.TotalMemoryMB, f.Picture2->accessibleName().empty()), std::pair(std::int64_t{128}, false));

    f.Check1(1).userClick();  // Disk
    ExpectPage(f, 1);
    EXPECT_TRUE(host.Running(*f.Timer2));

    // Pressed again, it sets its page up again: the timer restarts.
    host.Advance(1500);
    f.Check1(1).userClick();
    ExpectPage(f, 1);
    EXPECT_EQ(host.DueIn(*f.Timer2), 2000);

    f.Check1(4).userClick();  // Cache: the size shows at once and is refreshed while the page shows
    ExpectPage(f, 4);
    EXPECT_TRUE(!host.Running(*f.Timer2) && f.Label9->caption() == "Cache: 0.00 MB.") << f.Label9->caption();
    sys.diskCacheBytes = 0xC0000000u;  // 3 GB: a byte count, not a negative number
    host.Advance(2000);
    EXPECT_EQ(f.Label9->caption(), "Cache: 3072.00 MB.");

    f.List2->addItem("left over");
    f.Check2->userClick();  // Options
    ExpectPage(f, 5);
    EXPECT_EQ(std::pair(host.Running(*f.Timer3), f.List2->listCount()), std::pair(false, 0));
    f.Check2->userClick();
    ExpectPage(f, 5);
    f.Check1(0).userClick();
    ExpectPage(f, 0);

    f.Label20->MouseMove(forms::vbRightButton, 0, 100, 100);
    EXPECT_TRUE(host.drags.empty());
    f.Label20->MouseMove(forms::vbLeftButton, 0, 100, 100);
    EXPECT_EQ(host.drags, std::vector<forms::Form*>{&f});

    f.Check6->userClick();  // "...": the tray menu, then the button comes up again
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, program->form6().file_menu);
    f.Check8->userClick();  // "__": hidden, still running in the notification area
    EXPECT_EQ(std::tuple(f.visible(), f.Check6->value(), f.Check8->value()), std::tuple(false, 0, 0));
    const int samples = sys.globalMemoryStatusCalls;
    host.Advance(1000);
    EXPECT_TRUE(sys.globalMemoryStatusCalls > samples && host.trayIconPresent);
}

// Exit from the "..." button's menu leaves the button alone (its window is gone).
TEST_F(ProgramTest, ExitFromTheMenuButtonOrTheCloseButtonEndsTheProgram) {
    for (const int left : {1200, 1500}) {
        const bool viaMenu = left == 1200;
        Form5& f = Start();
        program->form2();
        f.move(left, 900);
        host.onPopupMenu = [&](forms::MenuItem&, forms::MenuItem*) { program->form6().exit_menu->userClick(); };
        (viaMenu ? f.Check6 : f.Check5)->userClick();
        EXPECT_TRUE(f.Check6->value() == (viaMenu ? 1 : 0) && host.trayCalls.back().message == host::NIM_DELETE);
        EXPECT_TRUE(host.quitCalled && !app.anyLoaded() && !host.trayIconPresent);
        EXPECT_EQ(Stored("Left").value_or("") + "," + Stored("Top").value_or(""), std::to_string(left) + ",900");
    }
}

struct LaterStartTest : apptest::ProgramTest {
    using Later = apptest::LaterStart;
    LaterStartTest() {
        Store({{"StartMinimized", "1"}, {"ShowPopUp", "0"}, {"PlaySound", "0"}});
        Start();
    }
    int Run(const std::vector<std::string>& args) {
        Later later(args);
        const int rc = later.program.Run();
        EXPECT_FALSE(later.program.form5().loaded() || !later.host.trayCalls.empty());
        return rc;
    }
};

TEST_F(LaterStartTest, FreeUpShowAndQuitReachTheRunningInstance) {
    Form5& f = form();
    sys.claimRequests.clear();
    EXPECT_EQ(Run({"--free-up", "512"}), 0);
    // Without an amount, the Free Up Memory page's (21 MB on this 128 MB machine), typed or not.
    f.Text2(4).setText("33");
    EXPECT_EQ(Run({"--free-up"}), 0);
    EXPECT_EQ(std::pair(f.visible(), sys.claimRequests), std::pair(false, std::vector{512 * MiB, 33 * MiB}));

    // A plain later start restores the window and gives it the focus: the user asked for it.
    host.windowPos.clear();
    EXPECT_EQ(Run({}), 0);
    EXPECT_TRUE(f.visible() && host.windowPos.size() == 2 && host.windowPos[0].insertAfter == host::HWND_TOPMOST);
    EXPECT_EQ(host.activations, std::vector<forms::Form*>{&f});

    f.Check4(0).setValue(0);
    EXPECT_EQ(Run({"--quit"}), 0);
    EXPECT_TRUE(host.quitCalled && !f.loaded() && !host.trayIconPresent);
    EXPECT_EQ(Stored("StartonWindowsStartUp"), "0");  // saved on the way out
}

TEST_F(LaterStartTest, ARefusalOfTheRunningInstanceReachesTheUser) {
    const std::pair<std::function<void()>, std::string> cases[] = {
        {[&] { form().Unload(); }, "Tarnolux is ending"},
        {[&] { host.LaterStart = nullptr; }, "Tarnolux is running but does not answer"},  // hung
    };
    for (const auto& [prepare, error] : cases) {
        prepare();
        Later later({"--show"});
        EXPECT_EQ(later.program.Run(), 1) << error;
        EXPECT_EQ(later.program.StartError, error);
        EXPECT_EQ(later.host.sentRequests, std::vector<std::string>{"show"});
    }
}

// The first start does the action itself once it has started; --quit finds nothing to end.
TEST_F(LaterStartTest, AFirstStartCarriesOutItsOwnAction) {
    form().Unload();
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
    form().Unload();

    EXPECT_EQ(firstStart({"--free-up", "64"}), 0);
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{64 * MiB});
    form().Unload();

    Store("Left", "1234");
    host.exitCode = 9;                     // what an entered loop would end with
    EXPECT_EQ(firstStart({"--quit"}), 0);  // nothing to run: the loop is never entered
    EXPECT_TRUE(!form().loaded() && Stored("Left") == "1234");
}

using tarnolux::CommandLine;
using Action = CommandLine::Action;

CommandLine Parse(std::vector<std::string> args) { return tarnolux::ParseCommandLine(args); }

TEST(CommandLineTest, EachCommandLineGivesItsActionOrNamesTheMistake) {
    const std::string both = "only one of --show, --free-up, --quit and --report can be given";
    const std::optional<std::int32_t> none;
    const std::tuple<std::vector<std::string>, Action, std::optional<std::int32_t>, std::string> cases[] = {
        // The toolkit's options and the start-up marker pass through, before an action or after it.
        {{"/Start Up"}, Action::Start, none, ""},
        {{"/Start Up", "--free-up", "64"}, Action::FreeUp, 64, ""},
        {{"--show", "/Start", "Up"}, Action::Show, none, ""},
        {{"--free-up", "/Start", "Up"}, Action::FreeUp, none, ""},  // the marker is no amount
        {{"-platform", "offscreen", "--show"}, Action::Show, none, ""},
        {{"--quit", "-reverse"}, Action::Quit, none, ""},
        // An option after --free-up is not taken for its amount.
        {{"--free-up=64"}, Action::FreeUp, 64, ""},
        {{"--free-up", "-platform", "offscreen"}, Action::FreeUp, none, ""},
        // Help and version win wherever they stand.
        {{"--show", "--help"}, Action::Help, none, ""},
        {{"-platform", "x", "--version"}, Action::Version, none, ""},
        {{"--frobnicate"}, Action::Invalid, none, "unknown option '--frobnicate'"},
        {{"-"}, Action::Invalid, none, "unknown option '-'"},
        {{"notes.txt"}, Action::Invalid, none, "unexpected argument 'notes.txt'"},
        {{"/Start"}, Action::Invalid, none, "unexpected argument '/Start'"},
        {{"--show", "-platform"}, Action::Invalid, none, "option '-platform' needs a value"},
        {{"--display"}, Action::Invalid, none, "option '--display' needs a value"},
        {{"--report", "-platform", "offscreen"}, Action::Report, none, ""},
        {{"--show", "--quit"}, Action::Invalid, none, both},
        {{"--report", "--free-up"}, Action::Invalid, none, both},
        {{"--free-up=1", "--free-up=2"}, Action::Invalid, none, both},
        {{"--free-up", "lots"}, Action::Invalid, none, "'lots' is not a number of megabytes"},
    };
    for (const auto& [args, action, mb, error] : cases) {
        const CommandLine got = Parse(args);
        EXPECT_EQ(std::tuple(got.action, got.freeUpMB, got.error), std::tuple(action, mb, error))
            << testing::PrintToString(args);
    }
    for (const char* amount : {"0", "-5", "12MB", "1e3", "99999999999", ""})
        EXPECT_EQ(Parse({std::string("--free-up=") + amount}).error, "'" + std::string(amount) + "' is not a number of megabytes");
}

TEST(CommandLineTest, TheRunningInstanceKnowsNoOtherRequests) {
    for (const char* unknown : {"", "SHOW", "free-up x", "free-up 0", "quit now", "rm -rf"})
        EXPECT_FALSE(tarnolux::DecodeRequest(unknown)) << unknown;
}

TEST(CommandLineTest, TheExitStatusesAreDocumentedAlikeEverywhere) {
    // The words between `mark` and `end` from `after` on, up to `before`.
    const auto statuses = [](const std::string& text, const char* after, const char* before, const char* mark,
                             const char* end) {
        std::set<std::string> found;
        const std::size_t from = text.find(after), to = text.find(before, from), m = std::string(mark).size();
        for (std::size_t at = text.find(mark, from); at < to; at = text.find(mark, at + 1))
            if (const std::size_t stop = text.find(end, at + m); stop > at + m) found.insert(text.substr(at + m, stop - at - m));
        return found;
    };
    const std::set<std::string> help = statuses(tarnolux::UsageText(), "Exit status:", "\x01", "\n  ", "  ");
    EXPECT_EQ(help, (std::set<std::string>{"0", "1", "2", "3", "4", "5"}));
    const std::string source = TARNOLUX_SOURCE_DIR;
    EXPECT_EQ(statuses(testsupport::ReadFile(source + "/README.md"), "| Status |", "\n\n", "\n| ", " |"), help);
    EXPECT_EQ(statuses(testsupport::ReadFile(source + "/packaging/tarnolux.1"), ".SH EXIT", ".SH ENV", "\n.B ", "\n"), help);
}

}  // namespace
