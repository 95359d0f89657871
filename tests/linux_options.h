// Linux test helpers: a LinuxSystem whose /proc, configuration, runtime and data folders all lie
// inside a test's folder, a look along PATH, and a private X server.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/linux/linux_system.h"
#include "support.h"

extern char** environ;

namespace testsupport {

inline platform::LinuxSystem::Options In(const TempDir& dir) {
    platform::LinuxSystem::Options o;
    o.procRoot = (dir / "proc").string();
    o.configHome = (dir / "config").string();
    o.runtimeDir = (dir / "run").string();
    o.dataHome = (dir / "data").string();
    o.stateHome = (dir / "state").string();
    return o;
}

inline bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "";
    for (std::size_t start = 0; start <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        if (::access((dirs.substr(start, end - start) + "/" + program).c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

// Sets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) ::setenv(name_, old_->c_str(), 1);
        else ::unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A private Xvfb for as long as the object lives (or until Stop), on a display number it picks
// itself; display() is empty when none could be started.
class XServer {
public:
    XServer() {
        int fds[2];
        if (!OnPath("Xvfb") || ::pipe(fds) != 0) return;
        posix_spawn_file_actions_t actions;
        ::posix_spawn_file_actions_init(&actions);
        ::posix_spawn_file_actions_addclose(&actions, fds[0]);  // first: it may be descriptor 3
        ::posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
        ::posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        ::posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("Xvfb"), const_cast<char*>("-displayfd"), const_cast<char*>("3"),
                        const_cast<char*>("-screen"), const_cast<char*>("0"), const_cast<char*>("640x480x24"),
                        const_cast<char*>("-nolisten"), const_cast<char*>("tcp"), nullptr};
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
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    const std::string& display() const { return display_; }
    // A server that stops answering, and answers again.
    void Pause(bool paused) { ::kill(pid_, paused ? SIGSTOP : SIGCONT); }
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

}  // namespace testsupport
