#include "platform/linux/drives.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/common/text.h"
#include "platform/linux/files.h"

namespace platform::linux_impl {

namespace {

constexpr char kFirstLetter = 'c';
constexpr char kLastLetter = 'z';

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

}  // namespace

std::string LabelUnescape(std::string_view s) {
    std::string out;
    const auto hex = [](char c) {
        const char l = static_cast<char>(c | 0x20);
        return c >= '0' && c <= '9' ? c - '0' : l >= 'a' && l <= 'f' ? l - 'a' + 10 : -1;
    };
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

DriveSpace SpaceOf(const struct statvfs& vfs) {
    const std::uint64_t unit = vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize;
    return {static_cast<std::uint64_t>(vfs.f_blocks) * unit, static_cast<std::uint64_t>(vfs.f_bavail) * unit};
}

namespace {

std::optional<char> LetterOf(std::string_view drive) {
    if (drive.empty()) return std::nullopt;
    const char c = text::AsciiLower(drive.front());
    if (c < 'a' || c > 'z') return std::nullopt;
    return c;
}

}  // namespace

std::string LabelOf(const std::string& device, const std::string& labelLinks) {
    char resolved[PATH_MAX];
    if (device.empty() || device.front() != '/' || !::realpath(device.c_str(), resolved)) return {};
    std::string label;
    if (DIR* labels = ::opendir(labelLinks.c_str())) {
        while (const dirent* e = ::readdir(labels)) {
            if (e->d_name[0] == '.') continue;
            char target[PATH_MAX];
            const std::string link = labelLinks + "/" + e->d_name;
            if (::realpath(link.c_str(), target) && std::string_view(target) == resolved) {
                label = LabelUnescape(e->d_name);
                break;
            }
        }
        ::closedir(labels);
    }
    return label;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
    std::vector<MountEntry> mounts;
    for (const std::string& line : text::SplitLines(text)) {
        std::vector<std::string_view> fields;
        std::string_view rest = line;
        while (!rest.empty()) {
            const auto blank = rest.find(' ');
            if (blank != 0) fields.push_back(rest.substr(0, blank));
            rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
        }
        // id parent major:minor root point options [optional fields...] - type source super-options
        const auto dash = std::find(fields.begin() + std::min<std::size_t>(fields.size(), 6), fields.end(), "-");
        if (fields.size() < 6 || fields.end() - dash < 3) continue;
        mounts.push_back({Unescape(fields[3]), Unescape(fields[4]), Unescape(dash[1]), Unescape(dash[2])});
    }
    return mounts;
}

bool IsDriveMount(const MountEntry& m) {
    static const char* const network[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "ceph", "davfs"};
    for (const char* t : network)
        if (m.type == t) return true;
    if (m.type == "squashfs") return false;  // package images
    // A folder of another drive mounted elsewhere again; btrfs mounts its subvolumes so, and they
    // are drives in their own right.
    if (m.root != "/" && m.type != "btrfs") return false;
    return m.type == "zfs" || (m.source.size() > 1 && m.source.front() == '/');
}

std::string FileSystemName(const MountEntry& m) {
    if (m.type.rfind("fuse.", 0) == 0 && m.type.size() > 5) return m.type.substr(5);
    return m.type;
}

// ---- drive letters ------------------------------------------------------------------------------

DriveLetters::DriveLetters() : points_{"/"} {}

std::vector<std::pair<char, std::string>> DriveLetters::Assign(const std::vector<std::string>& points) {
    std::vector<std::pair<char, std::string>> out{{kFirstLetter, "/"}};
    for (const std::string& point : points) {
        if (point == "/") continue;
        auto it = std::find(points_.begin(), points_.end(), point);
        if (it == points_.end()) {
            if (points_.size() > static_cast<std::size_t>(kLastLetter - kFirstLetter)) continue;  // no letter left
            points_.push_back(point);
            it = points_.end() - 1;
        }
        const char letter = static_cast<char>(kFirstLetter + (it - points_.begin()));
        if (std::none_of(out.begin(), out.end(), [&](const auto& p) { return p.first == letter; }))
            out.emplace_back(letter, point);
    }
    std::sort(out.begin() + 1, out.end());
    return out;
}

std::optional<std::string> DriveLetters::PointOf(char letter) const {
    const char l = text::AsciiLower(letter);
    if (l < kFirstLetter || l > kLastLetter) return std::nullopt;
    const auto i = static_cast<std::size_t>(l - kFirstLetter);
    if (i >= points_.size()) return std::nullopt;
    return points_[i];
}

// ---- the drive table ----------------------------------------------------------------------------

DriveTable::DriveTable(std::string mountInfoPath, std::chrono::milliseconds limit)
    : mountInfoPath_(std::move(mountInfoPath)), limit_(limit) {}

std::vector<std::string> DriveTable::MountPoints() {
    std::vector<std::string> points;
    if (const auto text = ReadWholeFile(mountInfoPath_, 4u << 20)) {
        for (const MountEntry& m : ParseMountInfo(*text))
            if (IsDriveMount(m) && std::find(points.begin(), points.end(), m.point) == points.end())
                points.push_back(m.point);
    }
    return points;
}

std::vector<std::string> DriveTable::List() {
    std::vector<std::string> entries;
    for (const auto& [letter, point] : letters_.Assign(MountPoints()))
        entries.push_back(std::string{letter, ':', ' '} + point);
    return entries;
}

std::optional<MountEntry> DriveTable::Mounted(std::string_view drive) {
    const auto letter = LetterOf(drive);
    const auto point = letter ? letters_.PointOf(*letter) : std::nullopt;
    if (!point) return std::nullopt;
    const auto text = ReadWholeFile(mountInfoPath_, 4u << 20);
    if (!text) return std::nullopt;
    // The mount seen at that point is the last one mounted there.
    std::optional<MountEntry> found;
    for (MountEntry& m : ParseMountInfo(*text))
        if (m.point == *point) found = std::move(m);
    // "/" is always drive c, whatever it is; anything else must still be a drive.
    if (found && *point != "/" && !IsDriveMount(*found)) return std::nullopt;
    return found;
}

std::shared_ptr<std::atomic<bool>> DriveTable::BusyFlag(const std::string& point) {
    auto& flag = busy_[point];
    if (!flag) flag = std::make_shared<std::atomic<bool>>(false);
    return flag;
}

bool DriveTable::Ready(std::string_view drive) {
    const auto m = Mounted(drive);
    if (!m) return false;
    const std::string point = m->point;
    const auto listed = RunBounded<bool>(
        [point] {
            const int fd = ::open(point.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
            if (fd < 0) return false;
            DIR* dir = ::fdopendir(fd);
            if (!dir) {
                ::close(fd);
                return false;
            }
            errno = 0;
            const bool ok = ::readdir(dir) != nullptr || errno == 0;
            ::closedir(dir);
            return ok;
        },
        limit_, BusyFlag(point));
    return listed.value_or(false);
}

std::optional<DriveSpace> DriveTable::Space(std::string_view drive) {
    const auto m = Mounted(drive);
    if (!m) return std::nullopt;
    const std::string point = m->point;
    const auto space = RunBounded<std::optional<DriveSpace>>(
        [point]() -> std::optional<DriveSpace> {
            struct statvfs vfs {};
            if (::statvfs(point.c_str(), &vfs) != 0) return std::nullopt;
            return SpaceOf(vfs);
        },
        limit_, BusyFlag(point));
    return space ? *space : std::nullopt;
}

std::optional<VolumeInfo> DriveTable::Volume(std::string_view drive) {
    const auto m = Mounted(drive);
    if (!m) return std::nullopt;
    VolumeInfo info;
    info.fileSystem = FileSystemName(*m);
    info.label = LabelOf(m->source);
    return info;
}

}  // namespace platform::linux_impl
