// The desktop's services over D-Bus, on private buses with stand-ins that record every call: what
// each menu item asks of which service, what the menu offers when a service is there, gone,
// refusing or silent, and the desktop notices. And that nothing the program does waits for a bus,
// a display or a trash folder that never answers.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/mount.h>

#include <future>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "linux_bus.h"
#include "linux_options.h"
#include "tray/form6.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using platform::DesktopAction;
using platform::ExitWindowsMode;
using platform::LinuxSystem;
using testsupport::Eventually;
using testsupport::StubService;
using Answer = StubService::Answer;

// True when `fn` ends within `limit`. One that hangs is left behind (and fails the test).
bool EndsWithin(std::chrono::milliseconds limit, std::function<void()> fn) {
    auto done = std::make_shared<std::promise<void>>();
    auto ended = done->get_future();
    std::thread([fn = std::move(fn), done] {
        fn();
        done->set_value();
    }).detach();
    return ended.wait_for(limit) == std::future_status::ready;
}

struct DesktopBusTest : ::testing::Test {
    testsupport::TempDir dir;
    testsupport::PrivateBus session{dir.path(), "session"}, system{dir.path(), "system"};
    forms::Application app;
    host::ScriptedHost host{app};

    void SetUp() override {
        if (session.address().empty() || system.address().empty()) GTEST_SKIP() << "no dbus-daemon";
    }
    LinuxSystem::Options On(const std::string& sessionBus, const std::string& systemBus) {
        LinuxSystem::Options o = testsupport::In(dir);
        o.sessionBus = sessionBus;
        o.systemBus = systemBus;
        o.busLimit = 300ms;
        return o;
    }
};

// The program with its tray menu, the screen saver on the session bus and logind on the system bus.
struct DesktopExtrasTest : DesktopBusTest {
    std::unique_ptr<StubService> saver, login;
    std::unique_ptr<LinuxSystem> sys;
    std::unique_ptr<tarnolux::Program> program;
    tarnolux::Form6* menu = nullptr;
    void SetUp() override {
        DesktopBusTest::SetUp();
        if (IsSkipped()) return;
        saver = testsupport::ScreenSaverStub(session.address());
        login = testsupport::LoginStub(system.address());
        sys = std::make_unique<LinuxSystem>(On(session.address(), system.address()));
        program = std::make_unique<tarnolux::Program>(app, *sys, host);
        menu = &program->form6();
    }
    void TearDown() override { program.reset(); }
};

TEST_F(DesktopExtrasTest, EachItemAsksItsServiceForItsOwnMethodWithTheFlagsItNeeds) {
    struct Case {
        std::function<void()> click;
        StubService* service;
        StubService::Call call;
    };
    const Case cases[] = {
        {[&] { menu->extras1_menu_Click(9); }, saver.get(), {"SetActive", "(true,)", false}},
        {[&] { menu->restart_menu_Click(); }, login.get(), {"Reboot", "(true,)", true}},
        {[&] { menu->exit_windows_menu_Click(); }, login.get(), {"PowerOff", "(true,)", true}},
    };
    for (const Case& c : cases) {
        const std::size_t before = c.service->Calls().size();
        c.click();
        ASSERT_TRUE(c.service->WaitForCalls(before + 1)) << c.call.method;
        EXPECT_EQ(c.service->Calls().back(), c.call) << c.call.method;
    }
    EXPECT_EQ(saver->Calls().size() + login->Calls().size(), 3u);
}

TEST_F(DesktopExtrasTest, TheMenuOffersWhatIsThereStillWhenItRefusesAndGreysOutWhatLeft) {
    const auto offered = [&](bool saverWanted, bool loginWanted) {
        return Eventually([&] {
            menu->ShowAvailableExtras();
            return menu->extras1_menu(9).enabled() == saverWanted && menu->restart_menu->enabled() == loginWanted &&
                   menu->exit_windows_menu->enabled() == loginWanted;
        });
    };
    EXPECT_TRUE(offered(true, true));

    // A refusal (no password given) is logind's answer to show; the program claims nothing.
    login->answer = Answer::Refuse;
    menu->restart_menu_Click();
    ASSERT_TRUE(login->WaitForCalls(1));
    EXPECT_TRUE(offered(true, true));
    EXPECT_TRUE(host.msgBoxes.empty());

    saver->Leave();
    EXPECT_TRUE(offered(false, true));
    login->Leave();
    EXPECT_TRUE(offered(false, false));
}

TEST_F(DesktopBusTest, EachNoticeReplacesThePreviousOneAndASilentServerCostsTheCallerNothing) {
    auto notices = testsupport::NotificationStub(session.address());
    testsupport::WriteFile(dir / "data/icons/hicolor/scalable/apps/tarnolux.svg", "<svg/>");
    LinuxSystem sys(On(session.address(), ""));
    const auto notify = [&](const std::string& body) {
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_TRUE(sys.Notify("Tarnolux", body)); }));
    };
    notify("Freed 512 MB.");
    ASSERT_TRUE(notices->WaitForCalls(1));
    notify("Freed 256 MB.");
    ASSERT_TRUE(notices->WaitForCalls(2));
    // Never answered: the next one goes out once the limit has passed, with the last id known.
    notices->answer = Answer::Never;
    notify("Freed 128 MB.");
    ASSERT_TRUE(notices->WaitForCalls(3));
    notices->answer = Answer::Reply;
    notify("Freed 64 MB.");
    ASSERT_TRUE(notices->WaitForCalls(4));
    std::vector<std::string> args;
    for (const StubService::Call& call : notices->Calls()) args.push_back(call.method + call.args);
    EXPECT_EQ(args, (std::vector<std::string>{
                        "Notify('Tarnolux', 0, 'tarnolux', 'Tarnolux', 'Freed 512 MB.', [], {}, -1)",
                        "Notify('Tarnolux', 1, 'tarnolux', 'Tarnolux', 'Freed 256 MB.', [], {}, -1)",
                        "Notify('Tarnolux', 2, 'tarnolux', 'Tarnolux', 'Freed 128 MB.', [], {}, -1)",
                        "Notify('Tarnolux', 2, 'tarnolux', 'Tarnolux', 'Freed 64 MB.', [], {}, -1)",
                    }));

    // Without the icon in the icon theme the notice names none; without a session bus there is none.
    testsupport::TempDir bare;
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    const std::string savedDataDirs = dataDirs ? dataDirs : "";
    setenv("XDG_DATA_DIRS", (bare / "share").c_str(), 1);
    {
        LinuxSystem::Options o = testsupport::In(bare);
        o.sessionBus = session.address();
        LinuxSystem plain(o);
        EXPECT_TRUE(plain.Notify("Tarnolux", "Freed 32 MB."));
        ASSERT_TRUE(notices->WaitForCalls(5));
        EXPECT_EQ(notices->Calls().back().args, "('Tarnolux', 0, '', 'Tarnolux', 'Freed 32 MB.', [], {}, -1)");
    }
    if (dataDirs) setenv("XDG_DATA_DIRS", savedDataDirs.c_str(), 1);
    else unsetenv("XDG_DATA_DIRS");
    // Nobody to ask: no address at all, or a socket's path where no socket is.
    testsupport::WriteFile(bare / "left-over", "");
    for (const std::string& address : {std::string(), "unix:path=" + (bare / "left-over").string()}) {
        LinuxSystem::Options o = testsupport::In(bare);
        o.sessionBus = address;
        EXPECT_FALSE(LinuxSystem(o).Notify("Tarnolux", "Freed 16 MB.")) << address;
    }
}

// ---- peers that never answer --------------------------------------------------------------------

// A FUSE file system whose server never answers, as a share that stops answering; mounted() is
// false where this process may not mount one (not root, no /dev/fuse). Everything that waits on it
// is released when it goes.
class StalledMount {
public:
    explicit StalledMount(const fs::path& dir) : dir_(dir.string()) {
        fs::create_directories(dir);
        fd_ = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        const std::string options = "fd=" + std::to_string(fd_) + ",rootmode=40000,user_id=" + std::to_string(::getuid()) +
                                    ",group_id=" + std::to_string(::getgid());
        mounted_ = fd_ >= 0 && ::mount("tarnolux-stalled", dir_.c_str(), "fuse", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
    }
    ~StalledMount() {
        if (fd_ >= 0) ::close(fd_);
        if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

private:
    std::string dir_;
    int fd_ = -1;
    bool mounted_ = false;
};

TEST(LinuxUnanswered, NothingWaitsForABusADisplayOrATrashFolderThatNeverAnswers) {
    testsupport::TempDir dir;
    testsupport::SilentSocket bus((dir / "bus").string());
    testsupport::SilentDisplay display;
    StalledMount share(dir / "share");
    ASSERT_TRUE(bus.ok());
    // The home trash answers; the share's is on the mount that does not.
    testsupport::WriteFile(dir / "proc/self/mountinfo",
                           "30 1 0:40 / " + (dir / "share").string() + " rw - fuse.sshfs me@host: rw\n");

    struct Case {
        const char* what;
        bool possible;
        std::string sessionBus, systemBus, display;
    };
    const Case cases[] = {
        {"buses", true, bus.address(), bus.address(), ""},
        {"display", !display.name.empty(), "", "", display.name},
        {"trash on a share", share.mounted(), "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.possible) continue;
        LinuxSystem::Options o = testsupport::In(dir);
        o.sessionBus = c.sessionBus;
        o.systemBus = c.systemBus;
        o.display = c.display;
        testsupport::WriteFile(dir / "data/Trash/files/a.txt", "a");
        auto sys = std::make_unique<LinuxSystem>(o);
        // What the window does: open the menu twice and use the extras; the count runs aside.
        EXPECT_TRUE(EndsWithin(1s, [&] {
            for (int i = 0; i < 2; ++i) EXPECT_FALSE(sys->AvailableExtras().restart);
            sys->Desktop(DesktopAction::HideTaskbar);
            sys->Desktop(DesktopAction::RunScreenSaver);
            sys->ExitWindows(ExitWindowsMode::Restart);
            sys->Notify("Tarnolux", "Freed 512 MB.");
        }));
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_EQ(sys->RecycleBinItems(), 1u); }));
        EXPECT_TRUE(EndsWithin(1s, [&] { EXPECT_TRUE(sys->EmptyRecycleBin()); }));
        // The end of the program, which lets the home trash finish.
        EXPECT_TRUE(EndsWithin(1s, [&] { sys.reset(); }));
        EXPECT_TRUE(fs::is_empty(dir / "data/Trash/files"));
    }
}

}  // namespace
