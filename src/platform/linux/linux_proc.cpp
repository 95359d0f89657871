// LinuxSystem: memory and processor figures, the live HKEY_DYN_DATA counters, drives, processes.
#include <dirent.h>
#include <sys/statvfs.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>

#include "platform/common/text.h"
#include "platform/linux/files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/trash.h"

namespace platform {

namespace {

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

// One line of /proc/self/mounts, with the octal escapes (\040 for a blank) decoded.
struct Mount {
    std::string device, point, type;
};

std::string Unescape(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size()) {
            const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

// udev's label links escape blanks and other bytes as \xHH.
std::string LabelUnescape(std::string_view s) {
    std::string out;
    const auto hex = [](char c) { return c >= '0' && c <= '9' ? c - '0' : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10 : -1; };
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && hex(s[i + 2]) >= 0 && hex(s[i + 3]) >= 0) {
            out += static_cast<char>(hex(s[i + 2]) * 16 + hex(s[i + 3]));
            i += 3;
            continue;
        }
        out += s[i];
    }
    return out;
}

std::vector<Mount> ReadMounts(const std::string& path) {
    std::vector<Mount> mounts;
    const auto text = linux_impl::ReadWholeFile(path, 4u << 20);
    if (!text) return mounts;
    for (const std::string& line : text::SplitLines(*text)) {
        std::string_view rest = line;
        std::string_view fields[3];
        int n = 0;
        while (n < 3 && !rest.empty()) {
            const auto blank = rest.find(' ');
            fields[n++] = rest.substr(0, blank);
            rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        }
        if (n == 3) mounts.push_back({Unescape(fields[0]), Unescape(fields[1]), std::string(fields[2])});
    }
    return mounts;
}

// File systems that hold the user's files: block devices and network shares; never the kernel's
// pseudo file systems, memory file systems or read-only package images.
bool RealFileSystem(const Mount& m) {
    static const char* const network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "ceph"};
    if (m.type == "squashfs") return false;
    for (const char* t : network)
        if (m.type == t) return true;
    return m.device.size() > 1 && m.device.front() == '/';
}

// The mount that holds `path`: the longest mount point that is a prefix of it, the last one
// mounted winning among equals.
const Mount* MountOf(const std::vector<Mount>& mounts, const std::string& path) {
    const Mount* best = nullptr;
    for (const Mount& m : mounts) {
        const bool holds = m.point == "/" || path == m.point ||
                           (path.size() > m.point.size() && path.compare(0, m.point.size(), m.point) == 0 &&
                            path[m.point.size()] == '/');
        if (holds && (!best || m.point.size() >= best->point.size())) best = &m;
    }
    return best;
}

}  // namespace

// HKEY_DYN_DATA, served live.
class LinuxSystem::Counters : public DynamicSource {
public:
    Counters(LinuxSystem& sys, linux_impl::CpuLoadCounter::Clock clock)
        : sys_(sys),
          cpu_([this] { return ReadCpu(); },
               clock ? std::move(clock) : linux_impl::CpuLoadCounter::Clock([] { return std::chrono::steady_clock::now(); })) {}

    bool KeyExists(const std::string& path) override {
        return path.empty() || text::EqualsNoCase(path, "PerfStats") || text::EqualsNoCase(path, kStatData) ||
               text::EqualsNoCase(path, kStartStat);
    }

    std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> Read(const std::string& path,
                                                                             const std::string& name) override {
        const bool statData = text::EqualsNoCase(path, kStatData);
        if ((statData || text::EqualsNoCase(path, kStartStat)) && text::EqualsNoCase(name, "KERNEL\\CPUUsage"))
            return std::pair{REG_BINARY, Dword(statData ? cpu_.Load() : cpu_.Start())};
        if (statData && text::EqualsNoCase(name, "VMM\\cpgDiskcache")) {
            // The page cache in bytes; a 32-bit figure saturates rather than wrapping to a small one.
            const auto info = sys_.ReadMemInfo();
            const std::uint64_t cache = info ? info->buffers + info->cached : 0;
            return std::pair{REG_DWORD, Dword(static_cast<std::uint32_t>(std::min<std::uint64_t>(cache, UINT32_MAX)))};
        }
        return std::nullopt;
    }

private:
    static constexpr const char* kStatData = "PerfStats\\StatData";
    static constexpr const char* kStartStat = "PerfStats\\StartStat";

    std::optional<linux_impl::CpuTimes> ReadCpu() {
        // The aggregate line comes first; the start of the file is enough.
        char buf[4096];
        const long n = linux_impl::ReadSmallFile(sys_.statPath_.c_str(), buf, sizeof buf);
        if (n <= 0) return std::nullopt;
        return linux_impl::ParseCpuTimes(std::string_view(buf, static_cast<std::size_t>(n)));
    }

    LinuxSystem& sys_;
    linux_impl::CpuLoadCounter cpu_;
};

LinuxSystem::LinuxSystem() : LinuxSystem(Options{}) {}

LinuxSystem::LinuxSystem(Options options) : options_(std::move(options)) {
    configHome_ = options_.configHome.empty() ? linux_impl::ConfigHome() : options_.configHome;
    meminfoPath_ = options_.procRoot + "/meminfo";
    statPath_ = options_.procRoot + "/stat";
    overcommitPath_ = options_.procRoot + "/sys/vm/overcommit_memory";
    mountsPath_ = options_.procRoot + "/self/mounts";
    counters_ = std::make_unique<Counters>(*this, options_.clock);
    registry_.SetDynamicRoot(HKEY_DYN_DATA, counters_.get());
}

LinuxSystem::~LinuxSystem() {
    if (trashWorker_.joinable()) trashWorker_.join();  // a half-emptied trash is finished first
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

// ---- drives -------------------------------------------------------------------------------------

std::vector<std::string> LinuxSystem::Drives() {
    std::vector<std::string> points{"/"};
    for (const Mount& m : ReadMounts(mountsPath_)) {
        if (!RealFileSystem(m) || std::find(points.begin(), points.end(), m.point) != points.end()) continue;
        struct stat st {};
        if (::stat(m.point.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) continue;  // file bind mounts
        points.push_back(m.point);
    }
    std::sort(points.begin() + 1, points.end());
    return points;
}

// The home trash and the trash of every mounted file system that holds files, as listed (the
// drive list's "/" is not assumed: a root the mount table does not show as real has no trash).
std::vector<std::string> LinuxSystem::TrashFolders() {
    std::vector<std::string> points;
    for (const Mount& m : ReadMounts(mountsPath_))
        if (RealFileSystem(m)) points.push_back(m.point);
    const std::string home = (options_.dataHome.empty() ? linux_impl::DataHome() : options_.dataHome) + "/Trash";
    return linux_impl::TrashFolders(home, points, ::getuid());
}

std::optional<DriveSpace> LinuxSystem::GetDiskFreeSpace(const std::string& drive) {
    struct statvfs vfs {};
    if (drive.empty() || ::statvfs(drive.c_str(), &vfs) != 0) return std::nullopt;
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    return DriveSpace{static_cast<std::uint64_t>(vfs.f_blocks) * unit, static_cast<std::uint64_t>(vfs.f_bavail) * unit};
}

std::optional<VolumeInfo> LinuxSystem::GetVolumeInformation(const std::string& drive) {
    struct statvfs vfs {};
    if (drive.empty() || ::statvfs(drive.c_str(), &vfs) != 0) return std::nullopt;
    VolumeInfo info;
    info.serial = static_cast<std::uint32_t>(vfs.f_fsid);
    const std::vector<Mount> mounts = ReadMounts(mountsPath_);
    const Mount* m = MountOf(mounts, drive);
    if (!m) return info;
    info.fileSystem = m->type;
    // The label, where udev publishes one for the device.
    if (DIR* labels = ::opendir("/dev/disk/by-label")) {
        char device[PATH_MAX];
        const bool known = ::realpath(m->device.c_str(), device) != nullptr;
        while (const dirent* e = known ? ::readdir(labels) : nullptr) {
            if (e->d_name[0] == '.') continue;
            char target[PATH_MAX];
            const std::string link = std::string("/dev/disk/by-label/") + e->d_name;
            if (::realpath(link.c_str(), target) && std::string_view(target) == device) {
                info.label = LabelUnescape(e->d_name);
                break;
            }
        }
        ::closedir(labels);
    }
    return info;
}

// ---- processes ----------------------------------------------------------------------------------

std::vector<ProcessEntry> LinuxSystem::ProcessSnapshot() {
    std::vector<ProcessEntry> list;
    DIR* proc = ::opendir(options_.procRoot.c_str());
    if (!proc) return list;
    while (const dirent* e = ::readdir(proc)) {
        const std::string_view name = e->d_name;
        if (name.empty() || !std::all_of(name.begin(), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        const std::string dir = options_.procRoot + "/" + std::string(name);
        char buf[4096];
        const long n = linux_impl::ReadSmallFile((dir + "/stat").c_str(), buf, sizeof buf);
        if (n <= 0) continue;  // gone meanwhile
        const auto st = linux_impl::ParseProcStat(std::string_view(buf, static_cast<std::size_t>(n)));
        if (!st) continue;
        ProcessEntry p;
        p.pid = static_cast<std::uint32_t>(std::strtoul(std::string(name).c_str(), nullptr, 10));
        p.parentPid = st->parentPid;
        p.threads = st->threads;
        char exe[PATH_MAX];
        const ssize_t len = ::readlink((dir + "/exe").c_str(), exe, sizeof exe - 1);
        p.exeFile = len > 0 ? std::string(exe, static_cast<std::size_t>(len)) : std::string(st->comm);
        list.push_back(std::move(p));
    }
    ::closedir(proc);
    std::sort(list.begin(), list.end(), [](const ProcessEntry& a, const ProcessEntry& b) { return a.pid < b.pid; });
    return list;
}

bool LinuxSystem::TerminateProcess(std::uint32_t pid) {
    // 0 and ids beyond pid_t would address process groups: never.
    if (pid == 0 || pid > static_cast<std::uint32_t>(INT_MAX)) return false;
    return ::kill(static_cast<pid_t>(pid), SIGTERM) == 0;
}

}  // namespace platform
