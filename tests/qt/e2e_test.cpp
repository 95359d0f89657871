// The built program, started offscreen in a private home: it starts, ends in order on SIGTERM with
// its settings saved, refuses a second instance without touching a file, survives a damaged
// settings hive, which it keeps aside, or a FIFO in its place, and saves and ends cleanly when its
// X display goes away.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "../support.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

const std::string kSection = "[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]";

// A private home for one run of the program.
struct Home {
    TempDir dir;
    fs::path home = dir.path() / "home";
    fs::path config = home / ".config";
    fs::path data = home / ".local/share";
    fs::path runtime = dir.path() / "run";
    fs::path hive = config / "tarnolux" / "HKEY_CURRENT_USER.reg";
    Home() {
        fs::create_directories(config);
        fs::create_directories(data);
        fs::create_directories(runtime);
        fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    }
};

class Started {
public:
    // `display` empty: offscreen; otherwise the X display to open.
    explicit Started(const Home& h, const std::string& display = {}) {
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e) {
            const std::string kv = *e;
            const std::string key = kv.substr(0, kv.find('='));
            if (key == "HOME" || key.rfind("XDG_", 0) == 0 || key == "DISPLAY" || key == "WAYLAND_DISPLAY" ||
                key == "DBUS_SESSION_BUS_ADDRESS" || key == "QT_QPA_PLATFORM")
                continue;
            env.push_back(kv);
        }
        if (display.empty()) {
            env.push_back("QT_QPA_PLATFORM=offscreen");
        } else {
            env.push_back("QT_QPA_PLATFORM=xcb");
            env.push_back("DISPLAY=" + display);
        }
        env.push_back("HOME=" + h.home.string());
        env.push_back("XDG_CONFIG_HOME=" + h.config.string());
        env.push_back("XDG_DATA_HOME=" + h.data.string());
        env.push_back("XDG_CACHE_HOME=" + (h.home / ".cache").string());
        env.push_back("XDG_RUNTIME_DIR=" + h.runtime.string());
        std::vector<char*> envp;
        for (auto& kv : env) envp.push_back(kv.data());
        envp.push_back(nullptr);
        std::string program = TARNOLUX_PROGRAM;
        char* argv[] = {program.data(), nullptr};
        if (::posix_spawn(&pid_, program.c_str(), nullptr, nullptr, argv, envp.data()) != 0) pid_ = -1;
    }
    ~Started() {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL);
            int st = 0;
            ::waitpid(pid_, &st, 0);
        }
    }
    pid_t pid() const { return pid_; }

    // The exit status, once the program has ended within `limit`.
    std::optional<int> WaitExit(std::chrono::milliseconds limit) {
        const auto until = std::chrono::steady_clock::now() + limit;
        while (!status_) {
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_) status_ = st;
            else if (std::chrono::steady_clock::now() > until) break;
            else std::this_thread::sleep_for(10ms);
        }
        return status_;
    }

    // Running: it holds the instance lock and has its termination handler in place.
    bool WaitRunning(const Home& h) {
        const auto until = std::chrono::steady_clock::now() + 30s;
        while (std::chrono::steady_clock::now() < until) {
            if (WaitExit(0ms)) return false;
            if (CatchesTerm() && HoldsFileIn(h.runtime)) return true;
            std::this_thread::sleep_for(20ms);
        }
        return false;
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
};

bool ExitedWith(std::optional<int> status, int code) {
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == code;
}

// A private X server, for as long as the object lives (or until Stop).
class XServer {
public:
    XServer() {
        int fds[2];
        if (::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        ::posix_spawn_file_actions_addclose(&actions, fds[0]);
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::string name = "Xvfb", fd = "-displayfd", three = "3", screen = "-screen", zero = "0",
                    size = "320x240x24", listen = "-nolisten", tcp = "tcp";
        char* argv[] = {name.data(), fd.data(), three.data(), screen.data(), zero.data(), size.data(),
                        listen.data(), tcp.data(), nullptr};
        if (::posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv, environ) != 0) pid_ = -1;
        ::posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        // The server writes its display number once it accepts connections.
        pollfd p{fds[0], POLLIN, 0};
        std::string number;
        char c = 0;
        while (pid_ > 0 && ::poll(&p, 1, 10000) == 1 && ::read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        ::close(fds[0]);
        if (!number.empty()) display_ = ":" + number;
    }
    ~XServer() { Stop(); }
    const std::string& display() const { return display_; }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int st = 0;
        ::waitpid(pid_, &st, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string display_;
};

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    for (std::size_t start = 0; start <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Every file below the program's folders, with its contents and time of change.
using Snapshot = std::map<std::string, std::pair<std::string, fs::file_time_type>>;
Snapshot Take(const Home& h) {
    Snapshot s;
    for (const fs::path& root : {h.config, h.data, h.runtime}) {
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(root, ec))
            if (e.is_regular_file()) s[e.path().string()] = {ReadFile(e.path()), e.last_write_time()};
    }
    return s;
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
    Started first(h);
    ASSERT_GT(first.pid(), 0);
    ASSERT_TRUE(first.WaitRunning(h));

    // A second start finds the first and ends at once, changing nothing.
    const Snapshot before = Settled(h);
    {
        Started second(h);
        ASSERT_GT(second.pid(), 0);
        EXPECT_TRUE(ExitedWith(second.WaitExit(2s), 0));
    }
    EXPECT_EQ(Take(h), before);

    ASSERT_EQ(::kill(first.pid(), SIGTERM), 0);
    EXPECT_TRUE(ExitedWith(first.WaitExit(3s), 0));
    EXPECT_NE(ReadFile(h.hive).find(kSection), std::string::npos);
}

TEST(EndToEnd, LosingTheDisplaySavesTheSettingsAndEndsWithoutFailure) {
    if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    Home h;
    XServer x;
    ASSERT_FALSE(x.display().empty());
    Started program(h, x.display());
    ASSERT_GT(program.pid(), 0);
    ASSERT_TRUE(program.WaitRunning(h));
    x.Stop();
    EXPECT_TRUE(ExitedWith(program.WaitExit(3s), 0));
    EXPECT_NE(ReadFile(h.hive).find(kSection), std::string::npos);
}

TEST(EndToEnd, ADamagedHiveDoesNotStopTheProgramAndIsKeptAside) {
    Home h;
    static const char kGarbage[] = "\x01\xff\xfe garbage [[[ REGEDIT9\n\0\0 not a hive";
    const std::string garbage(kGarbage, sizeof kGarbage - 1);
    WriteFile(h.hive, garbage);
    Started program(h);
    ASSERT_GT(program.pid(), 0);
    ASSERT_TRUE(program.WaitRunning(h));
    ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);
    EXPECT_TRUE(ExitedWith(program.WaitExit(3s), 0));

    EXPECT_NE(ReadFile(h.hive).find(kSection), std::string::npos);
    bool keptAside = false;
    for (const auto& e : fs::directory_iterator(h.hive.parent_path()))
        if (e.path() != h.hive && ReadFile(e.path()) == garbage) keptAside = true;
    EXPECT_TRUE(keptAside);
}

TEST(EndToEnd, AFifoWhereTheHivesBelongNeitherBlocksStartUpNorTheEnd) {
    Home h;
    fs::create_directories(h.hive.parent_path());
    ASSERT_EQ(::mkfifo(h.hive.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((h.hive.parent_path() / "HKEY_LOCAL_MACHINE.reg").c_str(), 0600), 0);
    Started program(h);
    ASSERT_GT(program.pid(), 0);
    ASSERT_TRUE(program.WaitRunning(h));
    ASSERT_EQ(::kill(program.pid(), SIGTERM), 0);
    EXPECT_TRUE(ExitedWith(program.WaitExit(3s), 0));
    EXPECT_NE(ReadFile(h.hive).find(kSection), std::string::npos);  // the FIFO was put aside
}

}  // namespace
