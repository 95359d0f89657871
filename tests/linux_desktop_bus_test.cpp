// The desktop's services on private buses: menu requests, offers as services come and go, the notices.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>

#include <thread>

#include "app/program.h"
#include "host/scripted_host.h"
#include "linux_bus.h"
#include "tray/form6.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace platform;
using namespace testsupport;
using Answer = StubService::Answer;

LinuxSystem::Options On(const TempDir& dir, const std::string& sessionBus, const std::string& systemBus) {
    LinuxSystem::Options o = In(dir);
    o.sessionBus = sessionBus;
    o.systemBus = systemBus;
    o.busLimit = 300ms;
    return o;
}

// The tray menu, with the screen saver on a session bus, logind on a system bus, and an icon installed.
struct DesktopBusTest : ::testing::Test {
    TempDir dir;
    std::unique_ptr<PrivateBus> session, system;
    std::unique_ptr<StubService> saver, login;
    std::unique_ptr<LinuxSystem> sys;
    forms::Application app;
    host::ScriptedHost host{app};
    std::unique_ptr<tarnolux::Program> program;
    tarnolux::Form6* menu = nullptr;

    void SetUp() override {
        session = std::make_unique<PrivateBus>(dir.path(), "session");
        system = std::make_unique<PrivateBus>(dir.path(), "system");
        if (session->address().empty() || system->address().empty()) GTEST_SKIP() << "no dbus-daemon";
        saver = ScreenSaverStub(session->address());
        login = LoginStub(system->address());
        WriteFile(dir / "data/icons/hicolor/scalable/apps/tarnolux.svg", "<svg/>");  // installed
        sys = std::make_unique<LinuxSystem>(On(dir, session->address(), system->address()));
        program = std::make_unique<tarnolux::Program>(app, *sys, host);
        menu = &program->form6();
    }
    bool Offers(bool screenSaver, bool restart) {
        return Eventually([&] {
            menu->ShowAvailableExtras();
            return menu->extras1_menu(9).enabled() == screenSaver && menu->restart_menu->enabled() == restart &&
                   menu->exit_windows_menu->enabled() == restart;
        });
    }
};

TEST_F(DesktopBusTest, EachItemAsksItsServiceForItsOwnMethodWithTheFlagsItNeeds) {
    const struct {
        std::function<void()> click;
        StubService* service;
        StubService::Call call;
    } cases[] = {
        {[&] { menu->extras1_menu_Click(9); }, saver.get(), {"SetActive", "(true,)", false}},
        {[&] { menu->restart_menu_Click(); }, login.get(), {"Reboot", "(true,)", true}},
        {[&] { menu->exit_windows_menu_Click(); }, login.get(), {"PowerOff", "(true,)", true}},
    };
    for (const auto& c : cases) {
        const std::size_t before = c.service->Calls().size();
        c.click();
        ASSERT_TRUE(c.service->WaitForCalls(before + 1)) << c.call.method;
        EXPECT_EQ(c.service->Calls().back(), c.call);
    }
    EXPECT_EQ(saver->Calls().size() + login->Calls().size(), 3u);
    // Asked as the program ends, it still goes out.
    menu->restart_menu_Click();
    program.reset();
    sys.reset();
    EXPECT_TRUE(login->WaitForCalls(3));
}

TEST_F(DesktopBusTest, TheMenuOffersWhatIsThereAlsoWhenItRefusesAndGreysOutWhatLeft) {
    // A refusal (no password given) is logind's to show; the program claims nothing.
    login->answer = Answer::Refuse;
    menu->restart_menu_Click();
    ASSERT_TRUE(login->WaitForCalls(1));
    EXPECT_TRUE(Offers(true, true) && host.msgBoxes.empty());
    saver.reset();
    EXPECT_TRUE(Offers(false, true));
    login.reset();
    EXPECT_TRUE(Offers(false, false));
    // The system's bus started again, logind with it: the program finds them on the new bus.
    system.reset();
    system = std::make_unique<PrivateBus>(dir.path(), "system");
    login = LoginStub(system->address());
    EXPECT_TRUE(Offers(false, true));
}

TEST_F(DesktopBusTest, EachNoticeReplacesThePreviousOneAndASilentServerCostsTheCallerNothing) {
    auto notices = NotificationStub(session->address());
    const auto notify = [&](LinuxSystem& to, StubService& server, const std::string& body) {
        const std::size_t before = server.Calls().size();
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_TRUE(to.Notify("Tarnolux", body)); }));
        return server.WaitForCalls(before + 1) ? server.Calls().back().args : "no notice";
    };
    const auto notice = [](int replaces, const std::string& icon, const std::string& body) {
        return "('Tarnolux', " + std::to_string(replaces) + ", '" + icon + "', 'Tarnolux', '" + body + "', [], {}, -1)";
    };
    EXPECT_EQ(notify(*sys, *notices, "Freed 512 MB."), notice(0, "tarnolux", "Freed 512 MB."));
    EXPECT_EQ(notify(*sys, *notices, "Freed 256 MB."), notice(1, "tarnolux", "Freed 256 MB."));
    // Never answered: the next one goes out once the limit has passed, with the last id known.
    notices->answer = Answer::Never;
    EXPECT_EQ(notify(*sys, *notices, "Freed 128 MB."), notice(2, "tarnolux", "Freed 128 MB."));
    // Sixteen wait behind it, the oldest beyond them giving way; each then carries the id of the one before.
    notices->answer = Answer::Reply;
    for (int i = 0; i < 17; ++i) EXPECT_TRUE(sys->Notify("Tarnolux", std::to_string(i)));
    ASSERT_TRUE(notices->WaitForCalls(19));
    EXPECT_EQ(notices->Calls()[3].args, notice(2, "tarnolux", "1"));
    EXPECT_EQ(notices->Calls().back().args, notice(17, "tarnolux", "16"));

    // The session's bus in its usual place, unnamed; no icon in the icon theme (a relative folder is
    // none of its folders): the notice names none.
    TempDir bare;
    {
        PrivateBus usual(std::getenv("XDG_RUNTIME_DIR"), "bus");
        auto there = NotificationStub(usual.address());
        WriteFile(bare / "relative/icons/hicolor/48x48/apps/tarnolux.png", "");
        ScopedEnv dataDirs("XDG_DATA_DIRS", (bare / "share").string() + ":" + fs::relative(bare / "relative").string());
        LinuxSystem plain(On(bare, "", ""));
        EXPECT_EQ(notify(plain, *there, "Freed 32 MB."), notice(0, "", "Freed 32 MB."));
        WriteFile(bare / "share/icons/hicolor/48x48/apps/tarnolux.png", "");  // one in an absolute folder is
        LinuxSystem found(On(bare, "", ""));
        EXPECT_EQ(notify(found, *there, "Freed 16 MB."), notice(0, "tarnolux", "Freed 16 MB."));
    }
    // Nobody to ask: no address at all, or a socket's path where no socket is.
    WriteFile(bare / "left-over", "");
    for (const std::string& address : {std::string(), "unix:path=" + (bare / "left-over").string()})
        EXPECT_FALSE(LinuxSystem(On(bare, address, "")).Notify("Tarnolux", "Freed 16 MB.")) << address;
}

// A FUSE mount whose server never answers, as a share that hangs (where this process may mount one).
struct StalledMount {
    std::string dir;
    int fd = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    bool mounted = false;
    explicit StalledMount(const fs::path& at) : dir(at.string()) {
        fs::create_directories(at);
        const std::string options = "fd=" + std::to_string(fd) + ",rootmode=40000,user_id=" +
                                    std::to_string(::getuid()) + ",group_id=" + std::to_string(::getgid());
        mounted = fd >= 0 && ::mount("stalled", dir.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~StalledMount() {
        ::close(fd);
        if (mounted) ::umount2(dir.c_str(), MNT_DETACH);
    }
};

TEST(LinuxUnanswered, NothingWaitsForABusADisplayOrATrashFolderThatNeverAnswers) {
    TempDir dir;
    SilentSocket bus((dir / "bus").string());
    StalledMount share(dir / "share");
    ASSERT_TRUE(bus.ok());
    // An X display that never answers: Xlib tries the display's fileless socket first.
    std::unique_ptr<SilentSocket> x;
    std::string display;
    for (int n = 900; n < 1000 && display.empty(); ++n)
        if ((x = std::make_unique<SilentSocket>("@/tmp/.X11-unix/X" + std::to_string(n)))->ok())
            display = ":" + std::to_string(n);
    // The home trash answers; the share's is on the mount that does not.
    WriteFile(dir / "proc/self/mountinfo", "30 1 0:40 / " + dir.str() + "/share rw - fuse.sshfs me@host: rw\n");
    const struct {
        bool possible;
        std::string bus, display;
    } cases[] = {{true, bus.address(), ""}, {!display.empty(), "", display}, {share.mounted, "", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bus + c.display);
        if (!c.possible) continue;
        WriteFile(dir / "data/Trash/files/a.txt", "a");
        LinuxSystem::Options o = On(dir, c.bus, c.bus);
        o.display = c.display;
        auto sys = std::make_unique<LinuxSystem>(o);
        // The window opens the menu twice and uses the extras; the count runs aside.
        EXPECT_TRUE(EndsWithin(1s, [&] {
            for (int i = 0; i < 2; ++i) {  // nothing offered whose answer is not in
                const ExtrasAvailability a = sys->AvailableExtras();
                EXPECT_FALSE(a.desktopIcons || a.taskbar || a.minimizeAll || a.screenSaver || a.restart);
            }
            sys->Desktop(DesktopAction::HideTaskbar);
            sys->Desktop(DesktopAction::RunScreenSaver);
            sys->ExitWindows(ExitWindowsMode::Restart);
            sys->Notify("Tarnolux", "Freed 512 MB.");
        }));
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_EQ(sys->RecycleBinItems(), 1u); }));
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_TRUE(sys->EmptyRecycleBin()); }));
        std::this_thread::sleep_for(400ms);  // the bus is given up meanwhile
        // The end of the program, which lets the home trash finish.
        EXPECT_TRUE(EndsWithin(1s, [&] { sys.reset(); }));
        EXPECT_TRUE(fs::is_empty(dir / "data/Trash/files"));
    }
}

}  // namespace
