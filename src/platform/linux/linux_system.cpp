// LinuxSystem: the registry hives, the Run-key mirror, profile files, folders and the program.
#include "platform/linux/linux_system.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <utility>

#include "platform/common/profile.h"
#include "platform/common/reg_file.h"
#include "platform/common/text.h"
#include "platform/linux/autostart.h"
#include "platform/linux/files.h"
#include "platform/linux/memory_claim.h"
#include "platform/linux/wave_player.h"

namespace platform {

namespace {
constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string SelfExe() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string();
}
}  // namespace

// ---- registry -----------------------------------------------------------------------------------

void LinuxSystem::EnsureLoaded() {
    if (loaded_) return;
    loaded_ = true;
    // Saves cut short (power lost, killed) leave their temporaries; they are of no use now.
    linux_impl::RemoveStaleTemporaries(configHome_ + "/tarnolux");
    linux_impl::RemoveStaleTemporaries(configHome_ + "/tarnolux/Windows");
    linux_impl::RemoveStaleTemporaries(configHome_ + "/autostart", "tarnolux.desktop.tmp-");
    LoadHive(HKEY_CURRENT_USER);
    LoadHive(HKEY_LOCAL_MACHINE);
    registry_.onChange = [this](const Registry::Change& change) { OnRegistryChange(change); };
}

std::string LinuxSystem::HiveFile(HKEY root) const {
    if (root != HKEY_CURRENT_USER && root != HKEY_LOCAL_MACHINE) return {};
    return configHome_ + "/tarnolux/" + regfile::RootName(root) + ".reg";
}

void LinuxSystem::LoadHive(HKEY root) {
    const std::string path = HiveFile(root);
    persistable_[root] = true;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return;  // first run: an empty hive
    const auto text = linux_impl::ReadWholeFile(path);
    if (text && regfile::Parse(*text, regfile::RootName(root), *registry_.Root(root))) return;
    // Unreadable (damaged, too large, not a file at all): keep it aside for the user and start
    // empty; if it cannot even be moved, leave it alone and keep this hive in memory only.
    if (auto aside = linux_impl::KeepAside(path)) {
        damagedHives_.push_back(*aside);
        std::fprintf(stderr, "tarnolux: %s could not be read; it is kept as %s\n", path.c_str(), aside->c_str());
    } else {
        persistable_[root] = false;
        std::fprintf(stderr, "tarnolux: %s could not be read; settings of this run will not be saved there\n",
                     path.c_str());
    }
}

void LinuxSystem::SaveHive(HKEY root) {
    const std::string path = HiveFile(root);
    if (path.empty() || !persistable_[root]) return;
    linux_impl::MakeFolders(configHome_ + "/tarnolux", 0700);
    // A failed write leaves the previous file intact; the next change writes the whole hive again.
    linux_impl::WriteFileAtomic(path, regfile::Serialize(*registry_.Root(root), regfile::RootName(root)), 0600);
}

void LinuxSystem::OnRegistryChange(const Registry::Change& change) {
    if (updateDepth_ > 0)
        dirtyHives_[change.root] = true;
    else
        SaveHive(change.root);
}

void LinuxSystem::BeginUpdate() { ++updateDepth_; }

void LinuxSystem::EndUpdate() {
    if (updateDepth_ == 0 || --updateDepth_ > 0) return;
    const auto hives = std::exchange(dirtyHives_, {});
    for (const auto& [root, dirty] : hives)
        if (dirty) SaveHive(root);
    const auto profiles = std::exchange(pendingProfiles_, {});
    for (const auto& [file, text] : profiles) linux_impl::WriteFileAtomic(file, text);
    WriteAutostart();
}

bool LinuxSystem::IsRunKey(HKEY key) const {
    const auto where = registry_.KeyPathOf(key);
    return where && where->first == HKEY_LOCAL_MACHINE && text::EqualsNoCase(where->second, kRunKey);
}

std::string LinuxSystem::AutostartFile() const { return configHome_ + "/autostart/tarnolux.desktop"; }

void LinuxSystem::UpdateAutostart(const std::string* preferred) {
    const Registry::Key* run = registry_.Find(HKEY_LOCAL_MACHINE, kRunKey);
    const Registry::Value* source = nullptr;
    if (run && preferred) {
        const auto it = run->values.find(*preferred);
        if (it != run->values.end() && it->second.type == REG_SZ) source = &it->second;
    }
    if (run && !source) {
        for (const auto& [name, value] : run->values)
            if (value.type == REG_SZ) {
                source = &value;
                break;
            }
    }
    if (!source) {
        pendingAutostart_ = std::string();
    } else {
        const std::string exe = AppExeFile();
        if (exe.empty()) return;  // nothing to start; keep whatever entry there is
        std::string command(source->data.begin(), source->data.end());
        command = command.substr(0, command.find('\0'));
        pendingAutostart_ = linux_impl::AutostartEntry(exe, linux_impl::RunCommandArguments(command, exe));
    }
    if (updateDepth_ == 0) WriteAutostart();
}

void LinuxSystem::WriteAutostart() {
    if (!pendingAutostart_) return;
    const std::string entry = std::exchange(pendingAutostart_, std::nullopt).value();
    const std::string file = AutostartFile();
    if (entry.empty()) {
        ::unlink(file.c_str());
        return;
    }
    linux_impl::MakeFolders(configHome_ + "/autostart", 0700);
    linux_impl::WriteFileAtomic(file, entry, 0644);
}

long LinuxSystem::RegOpenKeyEx(HKEY root, const std::string& subKey, std::uint32_t, HKEY& result) {
    EnsureLoaded();
    return registry_.OpenKey(root, subKey, result);
}
long LinuxSystem::RegOpenKey(HKEY root, const std::string& subKey, HKEY& result) {
    EnsureLoaded();
    return registry_.OpenKey(root, subKey, result);
}
long LinuxSystem::RegCreateKeyEx(HKEY root, const std::string& subKey, const std::string&, std::uint32_t,
                                 std::uint32_t, HKEY& result, std::uint32_t* disposition) {
    EnsureLoaded();
    return registry_.CreateKey(root, subKey, result, disposition);
}
long LinuxSystem::RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) {
    EnsureLoaded();
    return registry_.QueryValue(key, valueName, type, data, size);
}
// Every write to the Run key, even one that changes nothing there, brings the autostart entry in
// line with it: an entry removed by hand comes back, one left without the value goes.
long LinuxSystem::RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t size) {
    EnsureLoaded();
    const long rc = registry_.SetValue(key, valueName, type, data, size);
    if (rc == ERROR_SUCCESS && IsRunKey(key)) UpdateAutostart(&valueName);
    return rc;
}
long LinuxSystem::RegDeleteValue(HKEY key, const std::string& valueName) {
    EnsureLoaded();
    const long rc = registry_.DeleteValue(key, valueName);
    if ((rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) && IsRunKey(key)) UpdateAutostart(nullptr);
    return rc;
}
long LinuxSystem::RegCloseKey(HKEY key) {
    EnsureLoaded();
    return registry_.CloseKey(key);
}

// ---- profile files ------------------------------------------------------------------------------

std::uint32_t LinuxSystem::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                   const std::string& defaultValue, std::string& out,
                                                   std::uint32_t size, const std::string& file) {
    if (const auto pending = pendingProfiles_.find(file); pending != pendingProfiles_.end())
        return profile::GetString(pending->second, section, key, defaultValue, out, size);
    return profile::GetString(linux_impl::ReadWholeFile(file), section, key, defaultValue, out, size);
}

std::vector<std::string> LinuxSystem::GetPrivateProfileStrings(const std::string& section,
                                                              const std::vector<std::string>& keys,
                                                              const std::string& defaultValue, std::uint32_t size,
                                                              const std::string& file) {
    return profile::GetStrings(linux_impl::ReadWholeFile(file), section, keys, defaultValue, size);
}

bool LinuxSystem::WritePrivateProfileString(const std::string& section, const std::string& key,
                                            const std::string& value, const std::string& file) {
    if (const auto pending = pendingProfiles_.find(file); pending != pendingProfiles_.end()) {
        pending->second = profile::Write(pending->second, section, key, value);
        return true;
    }
    std::string old;
    struct stat st {};
    if (::stat(file.c_str(), &st) == 0) {
        // A file that exists but cannot be read is never replaced by one holding only this key, and
        // one the user made read-only is left alone although its folder would allow replacing it.
        if (::access(file.c_str(), W_OK) != 0) return false;
        auto text = linux_impl::ReadWholeFile(file);
        if (!text) return false;
        old = std::move(*text);
    }
    std::string updated = profile::Write(old, section, key, value);
    if (updated == old && !old.empty()) return true;  // nothing changed: nothing to write
    if (updateDepth_ > 0) {
        pendingProfiles_[file] = std::move(updated);
        return true;
    }
    return linux_impl::WriteFileAtomic(file, updated);
}

// ---- folders and the program --------------------------------------------------------------------

std::string LinuxSystem::GetWindowsDirectory() {
    const std::string dir = configHome_ + "/tarnolux/Windows";
    linux_impl::MakeFolders(dir, 0700);
    return dir;
}

std::string LinuxSystem::AppExeFile() { return SelfExe(); }

std::string LinuxSystem::AppPath() {
    const std::string exe = SelfExe();
    const auto slash = exe.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : exe.substr(0, slash);
}

std::string LinuxSystem::AppExeName() {
    const std::string exe = SelfExe();
    return exe.substr(exe.rfind('/') + 1);
}

int LinuxSystem::AppMajor() { return TARNOLUX_VERSION_MAJOR; }
int LinuxSystem::AppMinor() { return TARNOLUX_VERSION_MINOR; }

std::string LinuxSystem::UserDataFolder() {
    return (options_.dataHome.empty() ? linux_impl::DataHome() : options_.dataHome) + "/tarnolux";
}

std::vector<std::string> LinuxSystem::Dir(const std::string& pattern, int attributes) {
    const auto slash = pattern.rfind('/');
    std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
    if (folder.empty()) folder = "/";
    std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (mask.empty() || mask == "*.*") mask = "*";

    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !text::WildcardMatch(mask, name)) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::stat(path.c_str(), &st) != 0 && ::lstat(path.c_str(), &st) != 0) continue;
        // Read-only files (not writable by us, like an installed program's data) are always listed.
        int attrs = 0;
        if (S_ISDIR(st.st_mode)) attrs |= vbDirectory;
        if (name.front() == '.') attrs |= vbHidden;
        if ((attrs & ~attributes) == 0) names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::string>> LinuxSystem::ReadTextLines(const std::string& path) {
    const auto contents = linux_impl::ReadWholeFile(path);
    if (!contents) return std::nullopt;
    return text::SplitLines(*contents);
}

// ---- sound and memory, served by their own modules ----------------------------------------------

bool LinuxSystem::PlayWaveFile(const std::string& path, std::stop_token stop) {
    return linux_impl::PlayWaveFile(path, std::move(stop));
}

std::optional<std::uint64_t> LinuxSystem::ClaimBudget() { return linux_impl::MemoryThatCanBeHad(); }

// A child process claims, so that the kernel, should it have to kill after all, takes only the child.
std::unique_ptr<MemoryBlock> LinuxSystem::ClaimMemory(std::uint64_t bytes, std::stop_token stop) {
    return linux_impl::ClaimMemoryInChild(bytes, std::move(stop));
}

}  // namespace platform

// ---- logs ---------------------------------------------------------------------------------------

namespace platform {

std::string LinuxSystem::StateFolder() const {
    return (options_.stateHome.empty() ? linux_impl::StateHome() : options_.stateHome) + "/tarnolux";
}

void LinuxSystem::AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                              std::size_t keep) {
    logWriter_.Post([folder = StateFolder(), name, header, line, keep] {
        const std::string path = folder + "/" + name;
        struct stat st {};
        const bool exists = ::lstat(path.c_str(), &st) == 0;
        const std::optional<std::string> text =
            exists ? linux_impl::ReadWholeFile(path, statelog::kLargestLog) : std::nullopt;
        const statelog::Update update = statelog::Append(text, !exists || text.has_value(), header, line, keep);
        if (update.keepAside) {
            const std::optional<std::string> aside = linux_impl::KeepAside(path);
            if (!aside) return;  // never overwrite what could not be put aside
            std::fprintf(stderr, "tarnolux: %s is no log of Tarnolux; it is kept as %s\n", path.c_str(), aside->c_str());
        }
        if (linux_impl::MakeFolders(folder, 0700)) linux_impl::WriteFileAtomic(path, update.text, 0600);
    });
}

std::optional<std::vector<std::string>> LinuxSystem::ReadLog(const std::string& name, const std::string& header) {
    const std::string path = StateFolder() + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return std::vector<std::string>{};
    const std::optional<std::string> text = linux_impl::ReadWholeFile(path, statelog::kLargestLog);
    if (!text) return std::nullopt;
    return statelog::Lines(*text, header);
}

}  // namespace platform
