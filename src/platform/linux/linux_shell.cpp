// LinuxSystem: the shell, the trash, the desktop extras and the instance lock.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string_view>
#include <system_error>

#include "platform/linux/drives.h"
#include "platform/linux/files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/trash.h"
#include "platform/linux/locale_env.h"
#include "platform/linux/spawn.h"
#include "platform/linux/trash.h"

namespace platform {

bool LinuxSystem::ShellExecute(const std::string& file) {
    if (file.empty()) return false;
    // A name that starts with '-' would be taken for an option.
    return linux_impl::SpawnDetached({"xdg-open", file.front() == '-' ? "./" + file : file});
}

bool LinuxSystem::EmptyRecycleBin() {
    // Deleting a large trash takes long; the user interface must not wait for it. One run at a time.
    if (emptying_.exchange(true)) return true;
    if (trashWorker_.joinable()) trashWorker_.join();
    std::vector<std::string> folders = TrashFolders();
    try {
        trashWorker_ = std::thread([this, folders = std::move(folders)] {
            linux_impl::EmptyTrash(folders);
            emptying_ = false;
        });
    } catch (const std::system_error&) {
        emptying_ = false;
        return false;
    }
    return true;
}

std::uint64_t LinuxSystem::RecycleBinItems() {
    // A trash folder on a share that stops answering is left out of the count rather than holding
    // the caller until it answers.
    constexpr std::chrono::seconds kPerFolder{5};
    std::uint64_t items = 0;
    for (const std::string& folder : TrashFolders())
        items += linux_impl::RunBounded<std::uint64_t>([folder] { return linux_impl::CountTrashItems({folder}); }, kPerFolder)
                     .value_or(0);
    return items;
}

linux_impl::X11Desktop* LinuxSystem::X11() {
    if (!x11Tried_) {
        x11Tried_ = true;
        // Under Wayland the panels are not X11 windows, even when an X server runs beside it.
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        const char* session = std::getenv("XDG_SESSION_TYPE");
        const bool waylandSession = (wayland && *wayland) || (session && std::string_view(session) == "wayland");
        if (!options_.display.empty() || !waylandSession)
            x11_ = std::make_unique<linux_impl::X11Desktop>(options_.display);
    }
    return x11_.get();
}

linux_impl::DesktopBus& LinuxSystem::Bus() {
    if (!bus_) bus_ = std::make_unique<linux_impl::DesktopBus>("", "");
    return *bus_;
}

bool LinuxSystem::Desktop(DesktopAction action) {
    using Kind = linux_impl::X11Desktop::Kind;
    linux_impl::X11Desktop* x = nullptr;
    switch (action) {
    case DesktopAction::HideDesktopIcons:
    case DesktopAction::ShowDesktopIcons:
        x = X11();
        return x && x->SetShown(Kind::Desktop, action == DesktopAction::ShowDesktopIcons);
    case DesktopAction::HideTaskbar:
    case DesktopAction::ShowTaskbar:
        x = X11();
        return x && x->SetShown(Kind::Dock, action == DesktopAction::ShowTaskbar);
    case DesktopAction::MinimizeAll:
        x = X11();
        return x && x->ShowDesktop();
    case DesktopAction::RunScreenSaver:
        return Bus().ActivateScreenSaver();
    case DesktopAction::DisableStartButton:
    case DesktopAction::EnableStartButton:
        return false;  // Linux desktops have no start button of their own to switch
    }
    return false;
}

bool LinuxSystem::ExitWindows(ExitWindowsMode mode) {
    return mode == ExitWindowsMode::Restart ? Bus().Reboot() : Bus().PowerOff();
}

ExtrasAvailability LinuxSystem::AvailableExtras() {
    using Kind = linux_impl::X11Desktop::Kind;
    ExtrasAvailability a;
    if (linux_impl::X11Desktop* x = X11()) {
        a.desktopIcons = x->Has(Kind::Desktop);
        a.taskbar = x->Has(Kind::Dock);
        a.minimizeAll = x->CanShowDesktop();
    }
    a.screenSaver = Bus().HasScreenSaver();
    a.recycleBin = true;  // the home trash can always be emptied, even before it first exists
    a.restart = a.shutDown = Bus().HasLogin();
    return a;
}

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
