// The built program, started offscreen in a private home: its ends, later starts and command lines.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "../linux_bus.h"
#include "../linux_options.h"
// Last: Xlib's None, Bool and Status macros would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::XServer;

const std::string kSection = "[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]";

struct Home {
    TempDir dir;
    fs::path home = dir.path() / "home";
    fs::path config = home / ".config";
    fs::path data = home / ".local/share";
    fs::path runtime = dir.path() / "run";
    fs::path state = home / ".local/state";
    fs::path hive = config / "tarnolux" / "HKEY_CURRENT_USER.reg";
    Home() {
        for (const fs::path& p : {config, data, runtime}) fs::create_directories(p);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    }
};

class Started {
public:
    // `display` empty: offscreen; `noDisplay`: the toolkit left to find one.
    explicit Started(const Home& h, const std::string& display = {}, std::vector<std::string> args = {},
                     bool noDisplay = false, const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string kv = *e;
            const std::string key = kv.substr(0, kv.find('='));
            if (!(key == "HOME" || key.rfind("XDG_", 0) == 0 || key == "DISPLAY" || key == "WAYLAND_DISPLAY" ||
                  key == "DBUS_SESSION_BUS_ADDRESS" || key == "QT_QPA_PLATFORM"))
                env.push_back(kv);
        }
        if (!noDisplay) env.push_back(display.empty() ? "QT_QPA_PLATFORM=offscreen" : "QT_QPA_PLATFORM=xcb");
        if (!display.empty()) env.push_back("DISPLAY=" + display);
        env.insert(env.end(), {"HOME=" + h.home.string(), "XDG_CONFIG_HOME=" + h.config.string(),
                               "XDG_DATA_HOME=" + h.data.string(), "XDG_CACHE_HOME=" + (h.home / ".cache").string(),
                               "XDG_RUNTIME_DIR=" + h.runtime.string(), "XDG_STATE_HOME=" + h.state.string()});
        env.insert(env.end(), extraEnv.begin(), extraEnv.end());
        std::vector<char*> envp;
        for (auto& kv : env) envp.push_back(kv.data());
        envp.push_back(nullptr);
        std::string program = TARNOLUX_PROGRAM;
        std::vector<char*> argv{program.data()};
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        static int starts = 0;
        output_ = (h.dir.path() / ("output-" + std::to_string(++starts))).string();
        posix_spawn_file_actions_t out;
        ::posix_spawn_file_actions_init(&out);
        ::posix_spawn_file_actions_addopen(&out, 1, output_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        ::posix_spawn_file_actions_addopen(&out, 2, (output_ + ".err").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (::posix_spawn(&pid_, program.c_str(), &out, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
        ::posix_spawn_file_actions_destroy(&out);
    }
    ~Started() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            int st = 0;
            ::waitpid(pid_, &st, 0);
        }
    }
    pid_t pid() const { return pid_; }
    std::string Output() const { return ReadFile(output_); }
    std::string Errors() const { return ReadFile(output_ + ".err"); }

    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        testsupport::Eventually([&] {
            int st = 0;
            if (!status_ && pid_ > 0 && ::waitpid(pid_, &st, WNOHANG) == pid_) status_ = st;
            return status_ || pid_ <= 0;
        }, limit);
        return status_;
    }

    // Running: it holds the instance lock and has its termination handler in place.
    bool WaitRunning(const Home& h) {
        const auto running = [&] { return pid_ > 0 && !WaitExit(0ms) && CatchesTerm() && HoldsFileIn(h.runtime); };
        return testsupport::Eventually([&] { return running() || status_ || pid_ <= 0; }, 30s) && running();
    }

private:
    bool CatchesTerm() const {
        std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
        for (std::string line; std::getline(status, line);)
            if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1;
        return false;
    }
    bool HoldsFileIn(const fs::path& folder) const {
        std::error_code ec;
        for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(pid_) + "/fd", ec)) {
            const fs::path target = fs::read_symlink(fd.path(), ec);
            if (!ec && target.parent_path() == folder) return true;
        }
        return false;
    }

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string output_;
};

bool ExitedWith(std::optional<int> status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}
bool SettingsSaved(const Home& h) { return ReadFile(h.hive).find(kSection) != std::string::npos; }

// Every file below the program's folders, with its contents and time of change.
using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;
Snapshot Take(const Home& h) {
    for (int walk = 1;; ++walk) {
        try {
            Snapshot s;
            for (const fs::path& root : {h.config, h.data, h.runtime}) {
                std::error_code ec;
                for (const auto& e : fs::recursive_directory_iterator(root, ec))
                    if (e.is_regular_file()) s[e.path().string()] = {ReadFile(e.path()), e.last_write_time()};
            }
            return s;
        } catch (const fs::filesystem_error&) {
            if (walk == 20) throw;  // else a file the program replaced went during the walk: walk again
        }
    }
}
Snapshot Settled(const Home& h) {
    Snapshot last = Take(h);
    for (int i = 0; i < 25; ++i) {
        std::this_thread::sleep_for(200ms);
        Snapshot now = Take(h);
        if (now == last) return now;
        last = std::move(now);
    }
    return last;
}

TEST(EndToEnd, EndsInOrderOnSigtermAndSavesItsSettings) {
    Home h;
    Started first(h, {}, {}, false, {"QT_STYLE_OVERRIDE=nosuchstyle"});
    ASSERT_TRUE(first.WaitRunning(h));
    ASSERT_EQ(::kill(first.pid(), SIGPIPE), 0);  // a write to a peer that went: no reason to end unsaved

    // A second start finds the first and ends at once, changing nothing.
    const Snapshot before = Settled(h);
    {
        Started second(h);
        EXPECT_TRUE(ExitedWith(second.WaitExit(2s), 0));
    }
    EXPECT_EQ(Take(h), before);

    ASSERT_EQ(::kill(first.pid(), SIGTERM), 0);
    EXPECT_TRUE(ExitedWith(first.WaitExit(3s), 0));
    EXPECT_TRUE(SettingsSaved(h));
    // What the toolkit said while the display was being tried still reaches the user.
    EXPECT_NE(first.Errors().find("'nosuchstyle'"), std::string::npos);
}

TEST(EndToEnd, CommandLineActionsGoToTheRunningInstance) {
    Home h;
    // Without a display, starting says so and ends with status 1 rather than aborting; failures go to stderr.
    const std::tuple<std::vector<std::string>, int, std::string> withoutDisplay[] = {
        {{"--version"}, 0, "Tarnolux 1.8\n"},
        {{"--free-up", "lots"}, 2, "tarnolux: 'lots' is not a number of megabytes\nUsage: tarnolux"},
        {{}, 1, "tarnolux: no display to show the window on"}};
    for (const auto& [args, status, said] : withoutDisplay) {
        Started start(h, {}, args, true);
        EXPECT_TRUE(ExitedWith(start.WaitExit(5s), status)) << said;
        EXPECT_EQ((status ? start.Errors() : start.Output()).substr(0, said.size()), said);
    }

    {  // A running instance that turns the request down after a sign of life: the reason goes to stderr.
        const int lock = ::open((h.runtime / "tarnolux.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        testsupport::SilentSocket instance((h.runtime / "tarnolux.socket").string());
        ASSERT_TRUE(::flock(lock, LOCK_EX | LOCK_NB) == 0 && instance.ok());
        std::thread refuses([&instance] {
            pollfd asked{instance.fd(), POLLIN, 0};
            const int c = ::poll(&asked, 1, 10000) == 1 ? ::accept(instance.fd(), nullptr, nullptr) : -1;
            char request[64];
            if (::read(c, request, sizeof request) <= 0 || ::write(c, "working\ntoo busy\n", 17) != 17) ADD_FAILURE();
            ::close(c);
        });
        Started refused(h, {}, {"--free-up"});
        EXPECT_TRUE(ExitedWith(refused.WaitExit(10s), 1));
        refuses.join();
        EXPECT_NE(refused.Errors().find("tarnolux: too busy\n"), std::string::npos) << refused.Errors();
        EXPECT_EQ(refused.Output(), "");
        ::close(lock);
        ::unlink((h.runtime / "tarnolux.socket").c_str());
    }
    testsupport::PrivateBus bus(h.dir.path());
    ASSERT_FALSE(bus.address().empty());
    const auto notices = testsupport::NotificationStub(bus.address());
    Started first(h, {}, {}, false, {"DBUS_SESSION_BUS_ADDRESS=" + bus.address()});
    ASSERT_TRUE(first.WaitRunning(h));
    // A free-up says what it achieved, and ends with a status that tells whether it could.
    const auto said = [&](std::vector<std::string> args, int status, const std::string& start, bool display = true) {
        Started asked(h, {}, std::move(args), !display);
        EXPECT_TRUE(ExitedWith(asked.WaitExit(20s), status)) << asked.Output();
        EXPECT_EQ(asked.Output().substr(0, start.size()), start);
        return asked.Output();
    };
    // Each tells the desktop too: what the notice says is the program's, tested with the fake System.
    said({"--free-up", "1"}, 0, "Freed 1 MB in ");
    said({"--free-up", "99999999"}, 3, "Nothing freed: at most ");
    ASSERT_TRUE(notices->WaitForCalls(2u));
    // --report reads the log where it lies, without a display (written a moment after the answer).
    std::string report;
    for (int i = 0; i < 20 && std::count(report.begin(), report.end(), '\n') < 3; ++i)
        report = said({"--report"}, 0, "", false);
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 3) << report;
    EXPECT_NE(report.find("command line"), std::string::npos) << report;
    EXPECT_FALSE(first.WaitExit(0ms));
    // --quit ends it in order: its answer comes once the settings are saved.
    EXPECT_TRUE(ExitedWith(Started(h, {}, {"--quit"}).WaitExit(10s), 0));
    EXPECT_TRUE(SettingsSaved(h));
    EXPECT_TRUE(ExitedWith(first.WaitExit(5s), 0));
    EXPECT_EQ(notices->Calls().size(), 2u);
}

TEST(EndToEnd, LosingTheDisplaySavesTheSettingsAndEndsWithoutFailure) {
    XServer x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    Home h;
    Started program(h, x.display());
    ASSERT_TRUE(program.WaitRunning(h)) << program.Errors();
    // Lost once the program's own window is there (the toolkit's helper windows come first); before,
    // it ends as a start without a display does.
    Display* d = XOpenDisplay(x.display().c_str());
    ASSERT_TRUE(d);
    bool shown = false;
    for (int i = 0; i < 1500 && !shown; ++i) {  // a busy machine may take long to start it
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count);
        for (unsigned w = 0; w < count && !shown; ++w) {
            char* name = nullptr;
            shown = XFetchName(d, children[w], &name) && std::string_view(name).starts_with("Tarnolux");
            if (name) XFree(name);
        }
        if (children) XFree(children);
        if (!shown) std::this_thread::sleep_for(20ms);
    }
    XCloseDisplay(d);
    EXPECT_TRUE(shown);
    x.Stop();
    EXPECT_TRUE(ExitedWith(program.WaitExit(10s), 0)) << program.Errors() << " status " << program.WaitExit(0ms).value_or(-1);
    EXPECT_TRUE(SettingsSaved(h));
}

// A session or accessibility bus that never answers holds the toolkit's start; SIGTERM still ends it.
TEST(EndToEnd, SigtermEndsTheProgramWithinTwoSecondsWhileABusHoldsItsStart) {
    XServer x;
    if (x.display().empty()) GTEST_SKIP() << "no Xvfb";
    TempDir dir;
    testsupport::SilentSocket silent((dir / "silent").string());
    testsupport::PrivateBus session(dir.path());
    // The server forgets its root window's properties when its last client goes: this one stays.
    Display* d = XOpenDisplay(x.display().c_str());
    ASSERT_TRUE(d && silent.ok() && !session.address().empty());
    const std::string a11y = silent.address();
    XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "AT_SPI_BUS", False), XA_STRING, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(a11y.data()), static_cast<int>(a11y.size()));
    XSync(d, False);
    for (const std::string& bus : {silent.address(), session.address()}) {
        for (const auto moment : {0ms, 1500ms}) {
            SCOPED_TRACE(bus + " after " + std::to_string(moment.count()) + " ms");
            Home h;
            Started program(h, x.display(), {}, false, {"DBUS_SESSION_BUS_ADDRESS=" + bus});
            std::this_thread::sleep_for(moment);
            ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);
            // A second signal does not put the end off.
            EXPECT_TRUE(program.WaitExit(1s) || (::kill(program.pid(), SIGTERM) == 0 && program.WaitExit(1s)));
        }
    }
    XCloseDisplay(d);
}

}  // namespace
