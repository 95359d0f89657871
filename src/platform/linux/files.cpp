#include "platform/linux/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::linux_impl {

namespace {

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

std::atomic<unsigned long> g_filesWritten{0};
std::atomic<unsigned long> g_fsyncs{0};

int CountedFsync(int fd) {
    ++g_fsyncs;
    return ::fsync(fd);
}

// "<name>.tmp-<pid>-<n>": the pid, or 0 when `name` is not such a temporary.
long TemporaryOwner(const std::string& name) {
    const auto mark = name.rfind(".tmp-");
    if (mark == std::string::npos || mark == 0) return 0;
    const std::string rest = name.substr(mark + 5);
    const auto dash = rest.find('-');
    if (dash == 0 || dash == std::string::npos || dash + 1 == rest.size()) return 0;
    long pid = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        const char c = rest[i];
        if (i == dash) continue;
        if (c < '0' || c > '9') return 0;
        if (i < dash) {
            if (pid > 100000000) return 0;
            pid = pid * 10 + (c - '0');
        }
    }
    return pid;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home == '/') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) return pw->pw_dir;
    return "/tmp";
}

std::string XdgFolder(const char* variable, const char* fallback) {
    if (const char* v = std::getenv(variable); v && *v == '/') return v;
    return HomeFolder() + fallback;
}

}  // namespace

std::optional<std::string> ReadWholeFile(const std::string& path, std::size_t limit) {
    // Opened without blocking: a FIFO or a device put where a file belongs must not hold the
    // program. Only regular files are read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    if (static_cast<std::uint64_t>(st.st_size) > limit) return std::nullopt;
    std::string out;
    out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > limit) return std::nullopt;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return out;
}

WriteCounts FileWrites() { return {g_filesWritten.load(), g_fsyncs.load()}; }

long ReadSmallFile(const char* path, char* buf, std::size_t size) {
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::size_t used = 0;
    while (used < size) {
        const ssize_t n = ::read(fd, buf + used, size - used);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        used += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return static_cast<long>(used);
}

bool WriteFileAtomic(const std::string& path, std::string_view contents, unsigned mode) {
    static std::atomic<unsigned> counter{0};
    std::string target = path;
    char resolved[PATH_MAX];
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::realpath(path.c_str(), resolved)) target = resolved;
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        mode = st.st_mode & 07777;
        // Nothing changed: no write, no flush.
        if (static_cast<std::uint64_t>(st.st_size) == contents.size()) {
            if (const auto old = ReadWholeFile(target, contents.size()); old && *old == contents) return true;
        }
    }

    const std::string temp = target + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(++counter);
    Fd fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (fd.get() < 0) return false;
    const bool ok = WriteAll(fd.get(), contents) && ::fchmod(fd.get(), mode) == 0 && CountedFsync(fd.get()) == 0;
    if (!ok || ::close(fd.release()) != 0 || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself reaches the disk with the folder.
    const auto slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : target.substr(0, slash));
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0) CountedFsync(dir.get());
    ++g_filesWritten;
    return true;
}

bool MakeFolders(const std::string& path, unsigned mode) {
    if (path.empty()) return false;
    std::size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), mode) != 0 && errno != EEXIST) return false;
    }
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string ConfigHome() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string DataHome() { return XdgFolder("XDG_DATA_HOME", "/.local/share"); }
std::string StateHome() { return XdgFolder("XDG_STATE_HOME", "/.local/state"); }

std::string InstalledIconName(const std::string& name, const std::string& dataHome) {
    std::vector<std::string> folders{dataHome.empty() ? DataHome() : dataHome};
    const char* dirs = std::getenv("XDG_DATA_DIRS");
    std::string_view rest = dirs && *dirs ? dirs : "/usr/local/share:/usr/share";
    while (!rest.empty()) {
        const std::size_t colon = std::min(rest.find(':'), rest.size());
        if (rest.front() == '/') folders.emplace_back(rest.substr(0, colon));  // relative ones do not count
        rest.remove_prefix(std::min(colon + 1, rest.size()));
    }
    for (const std::string& folder : folders) {
        for (const std::string& icon : {"/icons/hicolor/scalable/apps/" + name + ".svg",
                                        "/icons/hicolor/48x48/apps/" + name + ".png"}) {
            struct stat st {};
            if (::stat((folder + icon).c_str(), &st) == 0 && S_ISREG(st.st_mode)) return name;
        }
    }
    return {};
}

void RemoveStaleTemporaries(const std::string& folder, const std::string& prefix) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const long pid = TemporaryOwner(name);
        if (pid <= 0) continue;
        // A save still under way in another process (or this one) is not ours to end.
        if (pid == ::getpid() || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        ::unlink(path.c_str());
    }
    ::closedir(dir);
}

std::optional<std::string> KeepAside(const std::string& path) {
    const std::time_t now = std::time(nullptr);
    std::tm tm {};
    ::localtime_r(&now, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &tm);
    const std::string base = path + ".damaged-" + stamp;
    for (int n = 0; n < 100; ++n) {
        const std::string name = n ? base + "-" + std::to_string(n) : base;
        struct stat st {};
        if (::lstat(name.c_str(), &st) == 0) continue;
        if (::rename(path.c_str(), name.c_str()) == 0) return name;
        return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace platform::linux_impl
