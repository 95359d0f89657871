// The drives of the Linux desktop: the mounted real file systems, read from the mount table and
// named by drive letters the way the program's pages expect ("c:" is always "/"). Parsing is kept
// apart from I/O so the tests can feed sample tables.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/linux/worker.h"
#include "platform/system.h"

struct statvfs;

namespace platform::linux_impl {

// One line of /proc/self/mountinfo, with the octal escapes (\040 for a blank) decoded.
struct MountEntry {
    std::string root;    // the folder of the file system that is mounted here ("/" unless a bind)
    std::string point;   // where it is mounted
    std::string type;    // "ext4", "nfs4", "fuse.sshfs", ...
    std::string source;  // "/dev/sda1", "server:/export", ...
};

// The entries of a mountinfo text in mount order; malformed lines are skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// True for a file system that holds the user's files and deserves a drive of its own: block-device
// file systems, removable media and network shares; never the kernel's pseudo file systems, memory
// file systems, overlays, read-only package images or bind mounts of a folder of another drive.
bool IsDriveMount(const MountEntry& m);

// The file-system name a drive shows: the mount table's type, a FUSE file system by its own name.
std::string FileSystemName(const MountEntry& m);

// A label as udev's /dev/disk/by-label links name it, with their \xHH escapes decoded.
std::string LabelUnescape(std::string_view s);

// The label of a block device: the name of the link in `labelLinks` that leads to it; "" for none.
std::string LabelOf(const std::string& device, const std::string& labelLinks = "/dev/disk/by-label");

// Size and free space of a file system as the user sees them: the blocks kept for the
// administrator are not free to anyone else.
DriveSpace SpaceOf(const struct statvfs& vfs);

// Drive letters for mount points. "c" is "/" from the start; every other mount point takes the next
// free letter (d to z) the first time it is seen and keeps it as long as the object lives, also
// while it is not mounted, so a letter never changes its meaning while the program runs.
class DriveLetters {
public:
    DriveLetters();
    // Letters for the given mount points, in their order, new ones assigned; those without a free
    // letter left are dropped. Returns the pairs (letter, mount point) for "/" first, then the rest.
    std::vector<std::pair<char, std::string>> Assign(const std::vector<std::string>& points);
    // The mount point of a letter (either case); nothing when the letter was never given out.
    std::optional<std::string> PointOf(char letter) const;

private:
    std::vector<std::string> points_;  // index 0 is 'c'
};

// Runs `work` on a thread of its own and waits at most `limit` for it. Nothing when it did not finish
// in time (the thread then runs on by itself and its result is dropped) or could not be started.
// While `busy` (when given) is set, an earlier call is still stuck and nothing new is started: a
// hanging share costs one waiting thread, not one per refresh.
template <class T>
std::optional<T> RunBounded(std::function<T()> work, std::chrono::milliseconds limit,
                            const std::shared_ptr<std::atomic<bool>>& busy = {}) {
    const auto pending = StartAside<T>(std::move(work), busy);
    return pending ? pending->WaitUntil(Clock::now() + limit) : std::nullopt;
}

// The drives of this machine as the Linux System serves them. Every call reads the mount table
// afresh (a drive unmounted meanwhile is not ready); calls that reach into a file system are bounded
// in time.
class DriveTable {
public:
    DriveTable(std::string mountInfoPath, std::chrono::milliseconds limit);

    // "c: /", "d: /home", ...: the letter, a colon, a blank and the mount point.
    std::vector<std::string> List();
    // The mount points of the file systems that are drives, in mount order; "/" only when it is one.
    std::vector<std::string> MountPoints();
    // The mount behind a drive text's letter, when it is mounted now.
    std::optional<MountEntry> Mounted(std::string_view drive);
    // The mount point can be listed within the time limit.
    bool Ready(std::string_view drive);
    std::optional<DriveSpace> Space(std::string_view drive);
    std::optional<VolumeInfo> Volume(std::string_view drive);

private:
    std::shared_ptr<std::atomic<bool>> BusyFlag(const std::string& point);

    std::string mountInfoPath_;
    std::chrono::milliseconds limit_;
    DriveLetters letters_;
    std::map<std::string, std::shared_ptr<std::atomic<bool>>> busy_;
};

}  // namespace platform::linux_impl
