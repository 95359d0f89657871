#include "platform/fake/fake_system.h"

#include <algorithm>

#include "platform/common/profile.h"
#include "platform/common/state_log.h"
#include "platform/common/text.h"

namespace platform {

namespace {

class FakeBlock : public MemoryBlock {
public:
    FakeBlock(std::uint64_t bytes, int& live) : bytes_(bytes), live_(live) { ++live_; }
    ~FakeBlock() override { --live_; }
    std::uint64_t size() const override { return bytes_; }

private:
    std::uint64_t bytes_;
    int& live_;
};

std::vector<std::uint8_t> Dword(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

}  // namespace

// HKEY_DYN_DATA of the fake, served from the scripted fields.
class FakeSystem::Counters : public DynamicSource {
public:
    explicit Counters(FakeSystem& sys) : sys_(sys) {}

    bool KeyExists(const std::string& path) override {
        if (sys_.counterKeyMissing) return path.empty();
        return path.empty() || text::EqualsNoCase(path, "PerfStats") ||
               text::EqualsNoCase(path, "PerfStats\\StatData") || text::EqualsNoCase(path, "PerfStats\\StartStat");
    }

    std::optional<std::pair<std::uint32_t, std::vector<std::uint8_t>>> Read(const std::string& path,
                                                                             const std::string& name) override {
        if (sys_.counterKeyMissing) return std::nullopt;
        const bool statData = text::EqualsNoCase(path, "PerfStats\\StatData");
        const bool startStat = text::EqualsNoCase(path, "PerfStats\\StartStat");
        if ((statData || startStat) && text::EqualsNoCase(name, "KERNEL\\CPUUsage")) {
            sys_.counterReads.push_back(statData ? "StatData\\KERNEL\\CPUUsage" : "StartStat\\KERNEL\\CPUUsage");
            return std::pair{REG_BINARY, sys_.cpuCounterRaw ? *sys_.cpuCounterRaw : Dword(sys_.cpuLoad)};
        }
        if (statData && text::EqualsNoCase(name, "VMM\\cpgDiskcache")) {
            sys_.counterReads.push_back("StatData\\VMM\\cpgDiskcache");
            return std::pair{REG_DWORD, Dword(sys_.diskCacheBytes)};
        }
        return std::nullopt;
    }

private:
    FakeSystem& sys_;
};

FakeSystem::FakeSystem() : counters_(std::make_unique<Counters>(*this)) {
    registry.SetDynamicRoot(HKEY_DYN_DATA, counters_.get());
}

FakeSystem::~FakeSystem() = default;

// ---- memory -------------------------------------------------------------------------------------

MemoryStatus FakeSystem::GlobalMemoryStatus() {
    ++globalMemoryStatusCalls;
    return memory;
}

std::optional<MemoryReading> FakeSystem::ReadMemory() {
    ++memoryReads;
    if (!memoryReadable) return std::nullopt;
    const std::uint64_t cache = diskCacheBytes;
    return MemoryReading{SubtractOrZero(memory.availPhys, cache), memory.availPhys, cache,
                         SubtractOrZero(memory.totalPageFile, memory.availPageFile)};
}

std::unique_ptr<MemoryBlock> FakeSystem::ClaimMemory(std::uint64_t bytes, std::stop_token stop) {
    claimRequests.push_back(bytes);
    if (onClaim) onClaim(bytes);
    if (stop.stop_requested()) {
        ++stoppedClaims;
        return nullptr;
    }
    if (bytes > claimableBytes) return nullptr;
    return std::make_unique<FakeBlock>(bytes, liveBlocks);
}

// ---- registry -----------------------------------------------------------------------------------

long FakeSystem::RegOpenKeyEx(HKEY root, const std::string& subKey, std::uint32_t, HKEY& result) {
    return registry.OpenKey(root, subKey, result);
}
long FakeSystem::RegOpenKey(HKEY root, const std::string& subKey, HKEY& result) {
    return registry.OpenKey(root, subKey, result);
}
long FakeSystem::RegCreateKeyEx(HKEY root, const std::string& subKey, const std::string&, std::uint32_t,
                                std::uint32_t, HKEY& result, std::uint32_t* disposition) {
    return registry.CreateKey(root, subKey, result, disposition);
}
long FakeSystem::RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                 std::uint32_t* size) {
    return registry.QueryValue(key, valueName, type, data, size);
}
long FakeSystem::RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                               std::uint32_t size) {
    return registry.SetValue(key, valueName, type, data, size);
}
long FakeSystem::RegDeleteValue(HKEY key, const std::string& valueName) {
    return registry.DeleteValue(key, valueName);
}
long FakeSystem::RegCloseKey(HKEY key) { return registry.CloseKey(key); }

void FakeSystem::SetRegBinary(HKEY root, const std::string& keyPath, const std::string& name,
                              const std::vector<std::uint8_t>& bytes) {
    HKEY key = 0;
    if (registry.CreateKey(root, keyPath, key, nullptr) != ERROR_SUCCESS) return;
    registry.SetValue(key, name, REG_BINARY, bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    registry.CloseKey(key);
}

void FakeSystem::SetRegString(HKEY root, const std::string& keyPath, const std::string& name,
                              const std::string& text) {
    HKEY key = 0;
    if (registry.CreateKey(root, keyPath, key, nullptr) != ERROR_SUCCESS) return;
    registry.SetValue(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                      static_cast<std::uint32_t>(text.size() + 1));
    registry.CloseKey(key);
}

void FakeSystem::SetRegDword(HKEY root, const std::string& keyPath, const std::string& name, std::uint32_t v) {
    HKEY key = 0;
    if (registry.CreateKey(root, keyPath, key, nullptr) != ERROR_SUCCESS) return;
    const auto bytes = Dword(v);
    registry.SetValue(key, name, REG_DWORD, bytes.data(), 4);
    registry.CloseKey(key);
}

void FakeSystem::CreateRegKey(HKEY root, const std::string& keyPath) {
    HKEY key = 0;
    if (registry.CreateKey(root, keyPath, key, nullptr) == ERROR_SUCCESS) registry.CloseKey(key);
}

std::optional<Registry::Value> FakeSystem::RegValue(HKEY root, const std::string& keyPath,
                                                    const std::string& name) const {
    const Registry::Key* key = registry.Find(root, keyPath);
    if (!key) return std::nullopt;
    const auto it = key->values.find(name);
    if (it == key->values.end()) return std::nullopt;
    return it->second;
}

std::optional<std::string> FakeSystem::RegString(HKEY root, const std::string& keyPath,
                                                 const std::string& name) const {
    const auto v = RegValue(root, keyPath, name);
    if (!v || v->type != REG_SZ) return std::nullopt;
    const std::string s(v->data.begin(), v->data.end());
    return s.substr(0, s.find('\0'));
}

bool FakeSystem::RegKeyExists(HKEY root, const std::string& keyPath) const {
    return registry.Find(root, keyPath) != nullptr;
}

// ---- files --------------------------------------------------------------------------------------

std::string FakeSystem::NormalizePath(const std::string& path) {
    std::string out;
    out.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !out.empty() && out.back() == '/') continue;
        out.push_back(c);
    }
    if (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

void FakeSystem::AddFile(const std::string& path, const std::string& contents, int attributes) {
    files[NormalizePath(path)] = File{contents, attributes & ~vbDirectory};
}

void FakeSystem::AddFolder(const std::string& path, int attributes) {
    files[NormalizePath(path)] = File{"", attributes | vbDirectory};
}

void FakeSystem::RemoveFile(const std::string& path) { files.erase(NormalizePath(path)); }

bool FakeSystem::FileExists(const std::string& path) const {
    const auto it = files.find(NormalizePath(path));
    return it != files.end() && !(it->second.attributes & vbDirectory);
}

std::optional<std::string> FakeSystem::FileText(const std::string& path) const {
    const auto it = files.find(NormalizePath(path));
    if (it == files.end() || (it->second.attributes & vbDirectory)) return std::nullopt;
    return it->second.contents;
}

std::vector<std::string> FakeSystem::Dir(const std::string& pattern, int attributes) {
    const std::string norm = NormalizePath(pattern);
    const auto cut = norm.rfind('/');
    const std::string folder = cut == std::string::npos ? "" : norm.substr(0, cut);
    const std::string mask = cut == std::string::npos ? norm : norm.substr(cut + 1);
    const std::string prefix = folder + "/";

    // Every entry directly in the folder: files as stored, folders also implied by deeper paths.
    std::map<std::string, int> entries;
    for (const auto& [path, file] : files) {
        if (path.compare(0, prefix.size(), prefix) != 0 || path.size() == prefix.size()) continue;
        const std::string rest = path.substr(prefix.size());
        const auto slash = rest.find('/');
        if (slash == std::string::npos)
            entries[rest] |= file.attributes;
        else
            entries[rest.substr(0, slash)] |= vbDirectory;
    }
    std::vector<std::string> names;
    const int relevant = vbHidden | vbSystem | vbDirectory;  // read-only files are always listed
    for (const auto& [name, attrs] : entries) {
        if ((attrs & relevant & ~attributes) != 0) continue;
        if (text::WildcardMatch(mask, name)) names.push_back(name);
    }
    return names;
}

std::optional<std::vector<std::string>> FakeSystem::ReadTextLines(const std::string& path) {
    const auto contents = FileText(path);
    if (!contents) return std::nullopt;
    return text::SplitLines(*contents);
}

std::uint32_t FakeSystem::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& defaultValue, std::string& out,
                                                  std::uint32_t size, const std::string& file) {
    ++profileReads;
    return profile::GetString(FileText(file), section, key, defaultValue, out, size);
}

std::vector<std::string> FakeSystem::GetPrivateProfileStrings(const std::string& section,
                                                             const std::vector<std::string>& keys,
                                                             const std::string& defaultValue, std::uint32_t size,
                                                             const std::string& file) {
    ++profileReads;
    return profile::GetStrings(FileText(file), section, keys, defaultValue, size);
}

bool FakeSystem::WritePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value, const std::string& file) {
    const std::string path = NormalizePath(file);
    if (std::find(unwritableFiles.begin(), unwritableFiles.end(), file) != unwritableFiles.end() ||
        std::find(unwritableFiles.begin(), unwritableFiles.end(), path) != unwritableFiles.end())
        return false;
    const auto it = files.find(path);
    if (it != files.end() && (it->second.attributes & (vbDirectory | vbReadOnly))) return false;
    // As on disk, a new file needs its folder: a folder that holds nothing does not exist, except
    // the program's own and the Windows folder.
    if (it == files.end()) {
        const auto cut = path.rfind('/');
        const std::string folder = cut == std::string::npos || cut == 0 ? "/" : path.substr(0, cut);
        const auto inside = files.lower_bound(folder + "/");
        const bool exists = folder == "/" || folder == NormalizePath(windowsDir) || folder == NormalizePath(appPath) ||
                            (files.count(folder) && (files.at(folder).attributes & vbDirectory)) ||
                            (inside != files.end() && inside->first.compare(0, folder.size() + 1, folder + "/") == 0);
        if (!exists) return false;
    }
    const std::string old = it == files.end() ? std::string() : it->second.contents;
    const std::string updated = profile::Write(old, section, key, value);
    if (it == files.end())
        files[path] = File{updated, vbNormal};
    else
        it->second.contents = updated;
    return true;
}

std::string FakeSystem::AppExeFile() { return appPath + "/" + appExeName; }

// ---- drives, processes, shell -------------------------------------------------------------------

const FakeSystem::Drive* FakeSystem::FindDrive(const std::string& name) const {
    if (name.empty()) return nullptr;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const auto& d : drives)
        if (!d.name.empty() && lower(d.name.front()) == lower(name.front())) return &d;
    return nullptr;
}

bool FakeSystem::DriveReady(const std::string& drive) {
    const Drive* d = FindDrive(drive);
    return d && d->space;
}

std::vector<std::string> FakeSystem::Drives() {
    std::vector<std::string> names;
    for (const auto& d : drives) names.push_back(d.name);
    return names;
}

std::optional<DriveSpace> FakeSystem::GetDiskFreeSpace(const std::string& drive) {
    driveQueries.push_back(drive);
    const Drive* d = FindDrive(drive);
    return d ? d->space : std::nullopt;
}

std::optional<VolumeInfo> FakeSystem::GetVolumeInformation(const std::string& drive) {
    const Drive* d = FindDrive(drive);
    return d ? d->volume : std::nullopt;
}

bool FakeSystem::TerminateProcess(std::uint32_t pid) {
    terminated.push_back(pid);
    if (!terminateResult) return false;
    const auto it = std::find_if(processes.begin(), processes.end(), [&](const ProcessEntry& p) { return p.pid == pid; });
    if (it == processes.end()) return false;
    if (removeTerminated) processes.erase(it);
    return true;
}

bool FakeSystem::ShellExecute(const std::string& file) {
    shellExecuted.push_back(file);
    return shellExecuteResult;
}

bool FakeSystem::EmptyRecycleBin() {
    ++emptyRecycleBinCalls;
    if (emptyRecycleBinResult) recycleBins.clear();
    return emptyRecycleBinResult;
}

std::uint64_t FakeSystem::RecycleBinItems() {
    std::uint64_t n = 0;
    for (const auto& [mount, items] : recycleBins) n += items;
    return n;
}

bool FakeSystem::Desktop(DesktopAction action) {
    desktopActions.push_back(action);
    return desktopResult;
}

bool FakeSystem::ExitWindows(ExitWindowsMode mode) {
    exitWindowsCalls.push_back(mode);
    return exitWindowsResult;
}

bool FakeSystem::PlayWaveFile(const std::string& path, std::stop_token stop) {
    playedWaves.push_back(path);
    if (onPlayWave) onPlayWave(path);
    return playWaveResult && !stop.stop_requested();
}

bool FakeSystem::PrevInstance() {
    ++prevInstanceCalls;
    return prevInstance;
}

}  // namespace platform

namespace platform {

// ---- logs ---------------------------------------------------------------------------------------

void FakeSystem::AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                             std::size_t keep) {
    const std::string path = NormalizePath(stateFolder + "/" + name);
    const auto found = files.find(path);
    const bool readable = found == files.end() || (found->second.attributes & vbDirectory) == 0;
    const std::optional<std::string> text =
        found != files.end() && readable ? std::optional<std::string>(found->second.contents) : std::nullopt;
    const statelog::Update update = statelog::Append(text, readable, header, line, keep);
    if (update.keepAside) {
        files[path + ".damaged"] = found->second;
        files.erase(found);
    }
    files[path] = File{update.text, vbNormal};
}

std::optional<std::vector<std::string>> FakeSystem::ReadLog(const std::string& name, const std::string& header) {
    const std::optional<std::string> text = FileText(stateFolder + "/" + name);
    if (!text) return std::vector<std::string>{};
    return statelog::Lines(*text, header);
}

}  // namespace platform
