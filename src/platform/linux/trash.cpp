#include "platform/linux/trash.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace platform::linux_impl {

namespace {

// Owns a file descriptor.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK;

int OpenDirAt(int dirFd, const char* name) { return ::openat(dirFd, name, kDirFlags); }

// The names in an open folder, without "." and "..". The descriptor stays open.
bool ListDir(int dirFd, std::vector<std::string>& names) {
    const int dup = ::fcntl(dirFd, F_DUPFD_CLOEXEC, 0);
    if (dup < 0) return false;
    DIR* d = ::fdopendir(dup);
    if (!d) {
        ::close(dup);
        return false;
    }
    ::rewinddir(d);
    errno = 0;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) names.emplace_back(e->d_name);
    }
    const bool ok = errno == 0;
    ::closedir(d);
    return ok;
}

// Removes `name` inside `dirFd`: a file or link by unlinking it (a link is never followed), a
// folder by emptying it first. Folders are opened relative to their parent with O_NOFOLLOW, so a
// link swapped in meanwhile fails to open instead of leading elsewhere.
bool RemoveAt(int dirFd, const std::string& name) {
    if (::unlinkat(dirFd, name.c_str(), 0) == 0 || errno == ENOENT) return true;
    if (errno != EISDIR && errno != EPERM) return false;  // EPERM: Linux's answer for a folder
    Fd sub(OpenDirAt(dirFd, name.c_str()));
    if (!sub) return false;
    // A read-only folder of ours cannot lose its entries until it is writable again.
    struct stat st {};
    if (::fstat(sub.get(), &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(sub.get(), (st.st_mode & 07777) | S_IRWXU);
    std::vector<std::string> names;
    bool ok = ListDir(sub.get(), names);
    for (const std::string& n : names) ok = RemoveAt(sub.get(), n) && ok;
    sub.reset();
    return ::unlinkat(dirFd, name.c_str(), AT_REMOVEDIR) == 0 && ok;
}

bool RealFolderOf(const std::string& path, uid_t uid, bool needSticky) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    if (needSticky) return (st.st_mode & S_ISVTX) != 0;
    return st.st_uid == uid;
}

bool EndsWith(const std::string& s, const std::string& suffix) {
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::vector<std::string> TrashFolders(const std::string& homeTrash, const std::vector<std::string>& mountPoints,
                                      uid_t uid) {
    std::vector<std::string> out;
    const auto addIf = [&](const std::string& path, bool ok) {
        if (ok && std::find(out.begin(), out.end(), path) == out.end()) out.push_back(path);
    };
    // The home trash may be reached through links the user set up; the rest is opened without
    // following any, so it is named here by its real path.
    if (!homeTrash.empty()) {
        if (char* real = ::realpath(homeTrash.c_str(), nullptr)) {
            struct stat st {};
            addIf(real, ::stat(real, &st) == 0 && S_ISDIR(st.st_mode));
            std::free(real);
        }
    }
    const std::string id = std::to_string(uid);
    for (std::string top : mountPoints) {
        if (top.empty()) continue;
        if (top.back() != '/') top += '/';
        // The shared ".Trash" is only trusted as the standard allows: a real, sticky folder,
        // whose per-user folder is a real folder of this user.
        const std::string shared = top + ".Trash";
        addIf(shared + "/" + id, RealFolderOf(shared, uid, true) && RealFolderOf(shared + "/" + id, uid, false));
        addIf(top + ".Trash-" + id, RealFolderOf(top + ".Trash-" + id, uid, false));
    }
    return out;
}

std::uint64_t CountTrashItems(const std::vector<std::string>& folders) {
    std::uint64_t n = 0;
    for (const std::string& folder : folders) {
        Fd top(::open(folder.c_str(), kDirFlags));
        if (!top) continue;
        Fd files(OpenDirAt(top.get(), "files"));
        std::vector<std::string> names;
        if (files && ListDir(files.get(), names)) n += names.size();
    }
    return n;
}

bool EmptyTrash(const std::vector<std::string>& folders) {
    bool ok = true;
    for (const std::string& folder : folders) {
        Fd top(::open(folder.c_str(), kDirFlags));
        if (!top) {
            ok = false;
            continue;
        }
        Fd files(OpenDirAt(top.get(), "files"));
        Fd info(OpenDirAt(top.get(), "info"));
        // Each item before its record, so an interruption never leaves an item without a record.
        std::vector<std::string> items;
        if (files && !ListDir(files.get(), items)) ok = false;
        for (const std::string& item : items) {
            if (!RemoveAt(files.get(), item)) {
                ok = false;
                continue;
            }
            if (info && ::unlinkat(info.get(), (item + ".trashinfo").c_str(), 0) != 0 && errno != ENOENT) ok = false;
        }
        // Records whose item is gone; nothing else in "info" is touched.
        std::vector<std::string> records;
        if (info && ListDir(info.get(), records)) {
            for (const std::string& r : records) {
                struct stat st {};
                if (!EndsWith(r, ".trashinfo") || ::fstatat(info.get(), r.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 ||
                    S_ISDIR(st.st_mode))
                    continue;
                if (::unlinkat(info.get(), r.c_str(), 0) != 0 && errno != ENOENT) ok = false;
            }
        }
        // What another trash implementation left half-deleted, and the cache of folder sizes.
        if (Fd expunged(OpenDirAt(top.get(), "expunged")); expunged) {
            std::vector<std::string> rest;
            if (ListDir(expunged.get(), rest))
                for (const std::string& r : rest) ok = RemoveAt(expunged.get(), r) && ok;
        }
        if (::unlinkat(top.get(), "directorysizes", 0) != 0 && errno != ENOENT && errno != EISDIR) ok = false;
    }
    return ok;
}

}  // namespace platform::linux_impl
