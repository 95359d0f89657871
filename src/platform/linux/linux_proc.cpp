// LinuxSystem: memory and processor figures, the live HKEY_DYN_DATA counters, drives, processes.
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include "platform/common/perf_stats.h"
#include "platform/common/text.h"
#include "platform/linux/drives.h"
#include "platform/linux/files.h"
#include "platform/linux/linux_system.h"

namespace platform {

// HKEY_DYN_DATA, served live from /proc/stat and /proc/meminfo.
class LinuxSystem::Counters : public PerfStats {
public:
    Counters(LinuxSystem& sys, CpuLoadCounter::Clock clock)
        : PerfStats([&sys] { return sys.ReadCpuTimes(); }, std::move(clock), [&sys]() -> std::uint64_t {
              const auto info = sys.ReadMemInfo();
              return info ? info->buffers + info->cached : 0;  // the page cache
          }) {}
};

std::optional<CpuTimes> LinuxSystem::ReadCpuTimes() {
    // The aggregate line comes first; the start of the file is enough.
    char buf[4096];
    const long n = linux_impl::ReadSmallFile(statPath_.c_str(), buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    return linux_impl::ParseCpuTimes(std::string_view(buf, static_cast<std::size_t>(n)));
}

LinuxSystem::LinuxSystem() : LinuxSystem(Options{}) {}

LinuxSystem::LinuxSystem(Options options) : options_(std::move(options)) {
    configHome_ = options_.configHome.empty() ? linux_impl::ConfigHome() : options_.configHome;
    meminfoPath_ = options_.procRoot + "/meminfo";
    statPath_ = options_.procRoot + "/stat";
    overcommitPath_ = options_.procRoot + "/sys/vm/overcommit_memory";
    drives_ = std::make_unique<linux_impl::DriveTable>(options_.procRoot + "/self/mountinfo", options_.driveLimit);
    counters_ = std::make_unique<Counters>(*this, options_.clock);
    registry_.SetDynamicRoot(HKEY_DYN_DATA, counters_.get());
}

LinuxSystem::~LinuxSystem() {
    // The extras' work gets a moment together to finish (panels shown again, a trash emptied, a
    // request sent); whatever hangs longer must not hold up the end of the program.
    const auto deadline = linux_impl::Clock::now() + kPatienceAtEnd;
    // Closing the display talks to it too: that happens on the worker, after what it still has to do.
    if (x11_) desktop_.Post([x11 = std::move(x11_)] {});
    desktop_.Finish(deadline);
    for (const auto& run : emptying_) run->WaitUntil(deadline);
    if (bus_) bus_->Stop(deadline);
    // An update left open still reaches the disk.
    if (updateDepth_ > 0) {
        updateDepth_ = 1;
        EndUpdate();
    }
    registry_.SetDynamicRoot(HKEY_DYN_DATA, nullptr);
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::optional<linux_impl::MemInfo> LinuxSystem::ReadMemInfo() {
    char buf[8192];
    const long n = linux_impl::ReadSmallFile(meminfoPath_.c_str(), buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    return linux_impl::ParseMeminfo(std::string_view(buf, static_cast<std::size_t>(n)));
}

std::chrono::steady_clock::time_point LinuxSystem::Now() const {
    return options_.clock ? options_.clock() : std::chrono::steady_clock::now();
}

MemoryStatus LinuxSystem::GlobalMemoryStatus() {
    const auto now = Now();
    if (lastMemory_ && now >= lastMemoryTime_ && now - lastMemoryTime_ < kMemoryBurst) return *lastMemory_;
    const auto info = ReadMemInfo();
    if (!info) {
        lastMemory_.reset();
        return {};
    }
    int mode = 0;
    if (info->commitLimit > 0) {
        char buf[16];
        const long n = linux_impl::ReadSmallFile(overcommitPath_.c_str(), buf, sizeof buf);
        if (n > 0) mode = linux_impl::ParseOvercommitMode(std::string_view(buf, static_cast<std::size_t>(n)));
    }
    lastMemory_ = linux_impl::ToMemoryStatus(*info, mode);
    lastMemoryTime_ = now;
    return *lastMemory_;
}

std::optional<MemoryReading> LinuxSystem::ReadMemory() {
    const auto info = ReadMemInfo();
    if (!info || info->memTotal == 0) return std::nullopt;
    return linux_impl::ToMemoryReading(*info);
}

// ---- drives -------------------------------------------------------------------------------------

std::vector<std::string> LinuxSystem::Drives() { return drives_->List(); }
bool LinuxSystem::DriveReady(const std::string& drive) { return drives_->Ready(drive); }
std::optional<DriveSpace> LinuxSystem::GetDiskFreeSpace(const std::string& drive) { return drives_->Space(drive); }
std::optional<VolumeInfo> LinuxSystem::GetVolumeInformation(const std::string& drive) { return drives_->Volume(drive); }

// ---- processes ----------------------------------------------------------------------------------

namespace {

// Reads a small file below the /proc folder `dir`; the bytes read, or -1.
long ReadAt(int dir, const char* name, char* buf, std::size_t size) {
    const int fd = ::openat(dir, name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return -1;
    ssize_t n;
    do n = ::read(fd, buf, size); while (n < 0 && errno == EINTR);
    ::close(fd);
    return n;
}

// For a process whose executable cannot be read (another user's): an absolute first argument of
// its command line, else its command name. Nothing for a kernel thread (an empty command line).
std::optional<std::string> BestName(int proc, const std::string& pid) {
    char buf[4096];
    const long n = ReadAt(proc, (pid + "/cmdline").c_str(), buf, sizeof buf);
    if (n <= 0) return std::nullopt;
    const std::string first(buf, ::strnlen(buf, static_cast<std::size_t>(n)));
    if (!first.empty() && first.front() == '/') return first;
    const long c = ReadAt(proc, (pid + "/comm").c_str(), buf, sizeof buf);
    if (c <= 0) return first.empty() ? std::nullopt : std::optional<std::string>(first);
    std::string comm(buf, static_cast<std::size_t>(c));
    while (!comm.empty() && comm.back() == '\n') comm.pop_back();
    return comm;
}

}  // namespace

std::vector<ProcessEntry> LinuxSystem::ProcessSnapshot() {
    static constexpr std::string_view kDeleted = " (deleted)";
    std::vector<ProcessEntry> list;
    const int procFd = ::open(options_.procRoot.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0) return list;
    DIR* proc = ::fdopendir(procFd);
    if (!proc) {
        ::close(procFd);
        return list;
    }
    list.reserve(512);
    char path[32];
    char exe[PATH_MAX];
    while (const dirent* e = ::readdir(proc)) {
        // Process folders are named by their id; everything else in /proc is not a process.
        std::uint64_t pid = 0;
        std::size_t len = 0;
        for (; e->d_name[len] >= '0' && e->d_name[len] <= '9' && len < 10; ++len) pid = pid * 10 + (e->d_name[len] - '0');
        if (len == 0 || e->d_name[len] != '\0' || pid > UINT32_MAX) continue;
        std::memcpy(path, e->d_name, len);
        std::memcpy(path + len, "/exe", 5);
        const ssize_t n = ::readlinkat(procFd, path, exe, sizeof exe);
        ProcessEntry p;
        p.pid = static_cast<std::uint32_t>(pid);
        if (n > 0 && static_cast<std::size_t>(n) < sizeof exe) {
            std::string_view target(exe, static_cast<std::size_t>(n));
            // The program file was replaced or removed while it runs: the path it had.
            if (target.size() > kDeleted.size() && target.ends_with(kDeleted)) target.remove_suffix(kDeleted.size());
            p.exeFile.assign(target);
        } else if (n < 0 && errno == ENOENT) {
            continue;  // a kernel thread, a process that has ended, or gone meanwhile
        } else {
            auto name = BestName(procFd, std::string(e->d_name, len));
            if (!name) continue;
            p.exeFile = std::move(*name);
        }
        list.push_back(std::move(p));
    }
    ::closedir(proc);
    // The kernel lists the folders by id already; sort only when it did not.
    const auto byPid = [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; };
    if (!std::is_sorted(list.begin(), list.end(), byPid)) std::sort(list.begin(), list.end(), byPid);
    return list;
}

bool LinuxSystem::TerminateProcess(std::uint32_t pid) {
    // 0 and ids beyond pid_t would address process groups: never.
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

std::uint32_t LinuxSystem::CurrentProcessId() { return static_cast<std::uint32_t>(::getpid()); }

}  // namespace platform
