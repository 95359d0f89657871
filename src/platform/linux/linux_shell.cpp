// LinuxSystem: the shell, the trash, the desktop extras and the instance lock.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/locale_env.h"
#include "platform/linux/spawn.h"

namespace platform {

bool LinuxSystem::ShellExecute(const std::string& file) {
    if (file.empty()) return false;
    // A name that starts with '-' would be taken for an option.
    return linux_impl::SpawnDetached({"xdg-open", file.front() == '-' ? "./" + file : file});
}

bool LinuxSystem::EmptyRecycleBin() {
    namespace fs = std::filesystem;
    const fs::path trash =
        fs::path(options_.dataHome.empty() ? linux_impl::DataHome() : options_.dataHome) / "Trash";
    bool ok = true;
    // The trashed files first, then their records, so an interruption leaves no record without a file.
    for (const char* part : {"files", "info", "expunged"}) {
        std::error_code ec;
        fs::directory_iterator it(trash / part, ec);
        if (ec) {
            if (ec != std::errc::no_such_file_or_directory) ok = false;
            continue;
        }
        for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
            std::error_code rm;
            fs::remove_all(it->path(), rm);  // a symbolic link is removed, not followed
            if (rm) ok = false;
        }
        if (ec) ok = false;
    }
    std::error_code ec;
    fs::remove(trash / "directorysizes", ec);
    return ok;
}

bool LinuxSystem::Desktop(DesktopAction action) {
    if (action == DesktopAction::RunScreenSaver) return linux_impl::SpawnDetached({"xdg-screensaver", "activate"});
    return false;
}

bool LinuxSystem::ExitWindows(ExitWindowsMode) { return false; }

std::string LinuxSystem::LockFolder() const {
    if (!options_.runtimeDir.empty()) return options_.runtimeDir;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run == '/') return run;
    return "/tmp/tarnolux-" + std::to_string(::getuid());
}

bool LinuxSystem::PrevInstance() {
    if (lockFd_ >= 0) return false;  // this process holds the lock
    const std::string folder = LockFolder();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return false;
    // A shared fallback folder must be ours, or anyone could hold our lock.
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    const std::string path = folder + "/tarnolux.lock";
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;  // no lock to be had: run rather than refuse to start
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        lockFd_ = fd;  // held until this process ends; the kernel drops it if the process dies
        return false;
    }
    const bool held = errno == EWOULDBLOCK;
    ::close(fd);
    return held;
}

// Beside the lock, in the same private folder: only this user can reach it.
std::string LinuxSystem::InstanceChannel() { return LockFolder() + "/tarnolux.socket"; }

std::vector<std::string> LinuxSystem::PreferredLanguages() {
    return linux_impl::LanguagesFromLocale([](const char* name) { return std::getenv(name); });
}

}  // namespace platform
