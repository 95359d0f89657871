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
#include "platform/linux/locale_env.h"
#include "platform/linux/spawn.h"
#include "platform/linux/trash.h"

namespace platform {

bool LinuxSystem::ShellExecute(const std::string& file) {
    if (file.empty()) return false;
    // A name that starts with '-' would be taken for an option.
    return linux_impl::SpawnDetached({"xdg-open", file.front() == '-' ? "./" + file : file});
}

namespace {

// The trash folders below one top: the home trash itself, or a mount point's.
std::vector<std::string> FoldersBelow(const std::string& top, bool home) {
    return home ? linux_impl::TrashFolders(top, {}, ::getuid()) : linux_impl::TrashFolders("", {top}, ::getuid());
}

using FolderCounts = std::vector<std::pair<std::string, std::uint64_t>>;

FolderCounts CountBelow(const std::string& top, bool home) {
    FolderCounts out;
    for (const std::string& folder : FoldersBelow(top, home)) out.emplace_back(folder, linux_impl::CountTrashItems({folder}));
    return out;
}

}  // namespace

// The home trash and the trash of every mounted file system that holds files, as listed (the
// drive list's "/" is not assumed: a root the mount table does not show as real has no trash).
std::vector<std::string> LinuxSystem::TrashTops() {
    std::vector<std::string> tops{(options_.dataHome.empty() ? linux_impl::DataHome() : options_.dataHome) + "/Trash"};
    for (std::string& point : drives_->MountPoints()) tops.push_back(std::move(point));
    return tops;
}

std::shared_ptr<std::atomic<bool>> LinuxSystem::TrashBusy(const std::string& top) {
    const std::lock_guard lock(trashMutex_);
    auto& busy = trashBusy_[top];
    if (!busy) busy = std::make_shared<std::atomic<bool>>(false);
    return busy;
}

bool LinuxSystem::EmptyRecycleBin() {
    // Each top on a thread of its own: a large trash takes long, and one on a share that stops
    // answering would otherwise hold the rest, the window or the end of the program. A top still
    // busy from before is left to that run.
    std::erase_if(emptying_, [](const auto& run) { return run->WaitUntil(linux_impl::Clock::now()).has_value(); });
    const std::vector<std::string> tops = TrashTops();
    bool started = true;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const std::string top = tops[i];
        const bool home = i == 0;
        const auto busy = TrashBusy(top);
        auto run = linux_impl::StartAside<bool>([top, home] { return linux_impl::EmptyTrash(FoldersBelow(top, home)); }, busy);
        if (run) emptying_.push_back(std::move(run));
        else started = started && busy->load();  // no thread to be had, unless a run is still at it
    }
    return started;
}

std::uint64_t LinuxSystem::RecycleBinItems() {
    // Every top is asked at once; one that does not answer within the drive limit (or is still busy)
    // is left out of the count rather than holding the caller.
    const std::vector<std::string> tops = TrashTops();
    std::vector<std::shared_ptr<linux_impl::Pending<FolderCounts>>> counts;
    for (std::size_t i = 0; i < tops.size(); ++i) {
        const std::string top = tops[i];
        const bool home = i == 0;
        counts.push_back(linux_impl::StartAside<FolderCounts>([top, home] { return CountBelow(top, home); }, TrashBusy(top)));
    }
    const auto deadline = linux_impl::Clock::now() + options_.driveLimit;
    std::map<std::string, std::uint64_t> byFolder;  // a folder reached from two tops counts once
    for (const auto& count : counts) {
        if (!count) continue;
        if (const auto found = count->WaitUntil(deadline))
            for (const auto& [folder, items] : *found) byFolder[folder] = items;
    }
    std::uint64_t items = 0;
    for (const auto& [folder, n] : byFolder) items += n;
    return items;
}

// The X11 desktop, asked on the desktop worker only.
struct LinuxSystem::X11State {
    explicit X11State(std::string display) : x11(std::move(display)) {}
    linux_impl::X11Desktop x11;
    std::atomic<bool> desktopIcons{false}, taskbar{false}, minimizeAll{false};
    std::atomic<bool> asking{false};
};

std::shared_ptr<LinuxSystem::X11State> LinuxSystem::X11() {
    if (!x11Tried_) {
        x11Tried_ = true;
        // Under Wayland the panels are not X11 windows, even when an X server runs beside it.
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        const char* session = std::getenv("XDG_SESSION_TYPE");
        const bool waylandSession = (wayland && *wayland) || (session && std::string_view(session) == "wayland");
        const char* display = std::getenv("DISPLAY");
        if (!options_.display.empty() || (!waylandSession && display && *display))
            x11_ = std::make_shared<X11State>(options_.display);
    }
    return x11_;
}

bool LinuxSystem::AskX11(std::function<void(X11State&)> job) {
    const std::shared_ptr<X11State> x = X11();
    return x && desktop_.Post([x, job = std::move(job)] { job(*x); });
}

linux_impl::DesktopBus& LinuxSystem::Bus() {
    if (!bus_)
        bus_ = std::make_unique<linux_impl::DesktopBus>(
            options_.sessionBus, options_.systemBus, options_.busLimit,
            [dataHome = options_.dataHome] { return linux_impl::InstalledIconName("tarnolux", dataHome); });
    return *bus_;
}

bool LinuxSystem::Desktop(DesktopAction action) {
    using Kind = linux_impl::X11Desktop::Kind;
    switch (action) {
    case DesktopAction::HideDesktopIcons:
    case DesktopAction::ShowDesktopIcons:
        return AskX11([shown = action == DesktopAction::ShowDesktopIcons](X11State& x) {
            x.x11.SetShown(Kind::Desktop, shown);
        });
    case DesktopAction::HideTaskbar:
    case DesktopAction::ShowTaskbar:
        return AskX11([shown = action == DesktopAction::ShowTaskbar](X11State& x) { x.x11.SetShown(Kind::Dock, shown); });
    case DesktopAction::MinimizeAll:
        return AskX11([](X11State& x) { x.x11.ShowDesktop(); });
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
    if (const std::shared_ptr<X11State> x = X11()) {
        a.desktopIcons = x->desktopIcons;
        a.taskbar = x->taskbar;
        a.minimizeAll = x->minimizeAll;
        // One question at a time: a display that hangs keeps one waiting, not one per menu.
        if (!x->asking.exchange(true) && !AskX11([](X11State& s) {
                s.desktopIcons = s.x11.Has(Kind::Desktop);
                s.taskbar = s.x11.Has(Kind::Dock);
                s.minimizeAll = s.x11.CanShowDesktop();
                s.asking = false;
            }))
            x->asking = false;
    }
    const linux_impl::DesktopBus::Presence bus = Bus().Known();
    Bus().Refresh();
    a.screenSaver = bus.screenSaver;
    a.recycleBin = true;  // the home trash can always be emptied, even before it first exists
    a.restart = a.shutDown = bus.login;
    return a;
}

bool LinuxSystem::Notify(const std::string& summary, const std::string& body) { return Bus().Notify(summary, body); }

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
