// Linux test helpers: a LinuxSystem in a test's folder, environment, helper programs, a hung peer.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/linux/linux_system.h"
#include "support.h"

namespace testsupport {

// Its /proc too, unless `procRoot` names another (the live one: "/proc").
inline platform::LinuxSystem::Options In(const TempDir& dir, const std::string& procRoot = "") {
    platform::LinuxSystem::Options o;
    o.procRoot = procRoot.empty() ? (dir / "proc").string() : procRoot;
    o.configHome = (dir / "config").string();
    o.runtimeDir = (dir / "run").string();
    o.dataHome = (dir / "data").string();
    o.stateHome = (dir / "state").string();
    return o;
}

// Accepts every connection (into the kernel's backlog) and never says a word; a path "@..." has no file.
class SilentSocket {
public:
    explicit SilentSocket(const std::string& path) : path_(path) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        if (path.front() == '@') a.sun_path[0] = '\0';
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size());
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), size) != 0 || ::listen(fd_, 128) != 0) path_.clear();
    }
    ~SilentSocket() { ::close(fd_); }
    bool ok() const { return !path_.empty(); }
    std::string address() const { return "unix:path=" + path_; }
    int fd() const { return fd_; }  // for a peer that takes a connection itself

private:
    std::string path_;
    int fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
};

class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// A program the shell `exec`s (its id the shell's), errors silenced; unreaped until Stop, lest its id be reused.
class Process {
public:
    explicit Process(const std::string& command)
        : out_(::popen(("echo $$; exec " + command + " 2>/dev/null").c_str(), "r")), pid_(std::atoi(Line().c_str())) {}
    ~Process() { Stop(); }
    // The next line it prints; empty once it has ended.
    std::string Line() {
        char line[512];
        return out_ && std::fgets(line, sizeof line, out_) ? std::string(line, std::strcspn(line, "\n")) : "";
    }
    void Signal(int signal) {
        if (pid_ > 0) ::kill(pid_, signal);
    }
    void Stop() {
        Signal(SIGTERM);
        Signal(SIGCONT);  // also when it was paused
        if (out_) ::pclose(std::exchange(out_, nullptr));
        pid_ = 0;
    }

private:
    FILE* out_;
    pid_t pid_;
};

// A private Xvfb on a display it picks and tells once it accepts connections (empty: none started).
class XServer : public Process {
public:
    XServer() : Process("Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp") {
        if (const std::string number = Line(); !number.empty()) display_ = ":" + number;
    }
    const std::string& display() const { return display_; }
    // A server that stops answering, and answers again.
    void Pause(bool paused) { Signal(paused ? SIGSTOP : SIGCONT); }

private:
    std::string display_;
};

}  // namespace testsupport
