// Win32System: the registry, profile files, folders and the program.
#include "platform/win32/win32_system.h"

// The program's own root handles, named before <windows.h> turns the names into native macros.
namespace {
constexpr platform::HKEY kClassesRoot = platform::HKEY_CLASSES_ROOT;
constexpr platform::HKEY kCurrentUser = platform::HKEY_CURRENT_USER;
constexpr platform::HKEY kLocalMachine = platform::HKEY_LOCAL_MACHINE;
constexpr platform::HKEY kUsers = platform::HKEY_USERS;
constexpr platform::HKEY kDynData = platform::HKEY_DYN_DATA;
}  // namespace

#include "platform/win32/windows_api.h"

// The native roots, spelled where HKEY is the native type (inside namespace platform it is ours).
namespace {
const ::HKEY kNativeClassesRoot = HKEY_CLASSES_ROOT;
const ::HKEY kNativeCurrentUser = HKEY_CURRENT_USER;
const ::HKEY kNativeLocalMachine = HKEY_LOCAL_MACHINE;
const ::HKEY kNativeUsers = HKEY_USERS;
}  // namespace

#include <algorithm>
#include <cstring>

#include "platform/common/profile.h"
#include "platform/common/text.h"
#include "platform/win32/files.h"
#include "platform/win32/memory_claim.h"
#include "platform/win32/wave_player.h"

namespace platform {

namespace {

using win32_impl::Utf8;
using win32_impl::Wide;
using win32_impl::WidePath;

constexpr const char* kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

::HKEY NativeRoot(HKEY root) {
    switch (root) {
        case kClassesRoot: return kNativeClassesRoot;
        case kCurrentUser: return kNativeCurrentUser;
        case kLocalMachine: return kNativeLocalMachine;
        case kUsers: return kNativeUsers;
        default: return nullptr;
    }
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

std::string ModuleFile() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) return Utf8(std::wstring_view(buf.data(), n));
        if (buf.size() >= 32768) return {};
        buf.resize(buf.size() * 2);
    }
}

}  // namespace

// ---- registry -----------------------------------------------------------------------------------
//
// Our handles are numbers of our own, never the native ones: a stale or made-up handle can then
// never reach a key the program did not open.

void* Win32System::NativeOf(HKEY key) const {
    if (::HKEY root = NativeRoot(key)) return root;
    const auto it = keys_.find(key);
    return it == keys_.end() ? nullptr : it->second;
}

long Win32System::Open(HKEY root, const std::string& subKey, std::uint32_t access, bool create, HKEY& result,
                       std::uint32_t* disposition) {
    result = 0;
    const bool dynamicRoot = root == kDynData || dynamicKeys_.count(root);
    if (dynamicRoot) {
        const HKEY base = root == kDynData ? root : dynamicKeys_.at(root);
        HKEY inner = 0;
        const long rc = create ? dynamic_.CreateKey(base, subKey, inner, disposition) : dynamic_.OpenKey(base, subKey, inner);
        if (rc != ERROR_SUCCESS) return rc;
        result = nextHandle_;
        nextHandle_ += 4;
        dynamicKeys_[result] = inner;
        return ERROR_SUCCESS;
    }
    ::HKEY base = static_cast<::HKEY>(NativeOf(root));
    if (!base) return ERROR_INVALID_HANDLE;
    if (!SplitKeyPath(subKey)) return ERROR_BADKEY;
    std::string path = subKey;
    if (!path.empty() && path.back() == '\\') path.pop_back();
    // The machine-wide Run key needs an administrator; the user's own starts the program alike.
    if (root == kLocalMachine && text::EqualsNoCase(path, kRunKey)) base = kNativeCurrentUser;

    const std::wstring wide = Wide(path);
    ::HKEY native = nullptr;
    LONG rc;
    REGSAM sam = access ? static_cast<REGSAM>(access) : KEY_ALL_ACCESS;
    if (create) {
        DWORD disp = 0;
        rc = ::RegCreateKeyExW(base, wide.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, &native, &disp);
        if (rc == ERROR_SUCCESS && disposition) *disposition = disp;
    } else {
        rc = ::RegOpenKeyExW(base, wide.c_str(), 0, sam, &native);
        // A key this user may only read (the machine's settings) still opens for the readers;
        // writing through it then fails as it would on the classic system with a read-only key.
        if (rc == ERROR_ACCESS_DENIED && (sam & ~KEY_READ)) rc = ::RegOpenKeyExW(base, wide.c_str(), 0, KEY_READ, &native);
    }
    if (rc != ERROR_SUCCESS) return rc;
    result = nextHandle_;
    nextHandle_ += 4;
    keys_[result] = native;
    return ERROR_SUCCESS;
}

long Win32System::RegOpenKeyEx(HKEY root, const std::string& subKey, std::uint32_t access, HKEY& result) {
    return Open(root, subKey, access, false, result, nullptr);
}

long Win32System::RegOpenKey(HKEY root, const std::string& subKey, HKEY& result) {
    return Open(root, subKey, KEY_ALL_ACCESS, false, result, nullptr);
}

long Win32System::RegCreateKeyEx(HKEY root, const std::string& subKey, const std::string&, std::uint32_t,
                                 std::uint32_t access, HKEY& result, std::uint32_t* disposition) {
    return Open(root, subKey, access, true, result, disposition);
}

long Win32System::RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* size) {
    if (const auto d = dynamicKeys_.find(key); d != dynamicKeys_.end())
        return dynamic_.QueryValue(d->second, valueName, type, data, size);
    if (key == kDynData) return dynamic_.QueryValue(key, valueName, type, data, size);
    ::HKEY native = static_cast<::HKEY>(NativeOf(key));
    if (!native) return ERROR_INVALID_HANDLE;
    if (data && !size) return ERROR_INVALID_PARAMETER;

    // The whole value first: texts change length on their way to UTF-8, so the caller's size
    // rules apply to the converted bytes.
    const std::wstring name = Wide(valueName);
    std::vector<BYTE> raw(256);
    DWORD foundType = REG_NONE;
    LONG rc;
    for (;;) {
        DWORD n = static_cast<DWORD>(raw.size());
        rc = ::RegQueryValueExW(native, name.c_str(), nullptr, &foundType, raw.data(), &n);
        if (rc == ERROR_MORE_DATA && n > raw.size()) {
            raw.resize(n);
            continue;
        }
        if (rc == ERROR_SUCCESS) raw.resize(n);
        break;
    }
    if (rc != ERROR_SUCCESS) return rc;
    std::string converted;
    if (IsText(foundType)) {
        converted = Utf8(std::wstring_view(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t)));
    } else {
        converted.assign(raw.begin(), raw.end());
    }
    if (type) *type = foundType;
    const auto needed = static_cast<std::uint32_t>(converted.size());
    if (!data) {
        if (size) *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, converted.data(), needed);
    *size = needed;
    return ERROR_SUCCESS;
}

long Win32System::RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                                std::uint32_t size) {
    if (dynamicKeys_.count(key) || key == kDynData) return ERROR_ACCESS_DENIED;
    ::HKEY native = static_cast<::HKEY>(NativeOf(key));
    if (!native) return ERROR_INVALID_HANDLE;
    if (!data && size) return ERROR_INVALID_PARAMETER;
    const std::wstring name = Wide(valueName);
    if (IsText(type)) {
        // Every byte given, its terminating NUL included, becomes UTF-16.
        const std::wstring w = Wide(std::string_view(reinterpret_cast<const char*>(data), size));
        return ::RegSetValueExW(native, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(w.data()),
                                static_cast<DWORD>(w.size() * sizeof(wchar_t)));
    }
    return ::RegSetValueExW(native, name.c_str(), 0, type, data, size);
}

long Win32System::RegDeleteValue(HKEY key, const std::string& valueName) {
    if (dynamicKeys_.count(key) || key == kDynData) return ERROR_ACCESS_DENIED;
    ::HKEY native = static_cast<::HKEY>(NativeOf(key));
    if (!native) return ERROR_INVALID_HANDLE;
    return ::RegDeleteValueW(native, Wide(valueName).c_str());
}

long Win32System::RegCloseKey(HKEY key) {
    if (const auto d = dynamicKeys_.find(key); d != dynamicKeys_.end()) {
        dynamic_.CloseKey(d->second);
        dynamicKeys_.erase(d);
        return ERROR_SUCCESS;
    }
    if (const auto it = keys_.find(key); it != keys_.end()) {
        const LONG rc = ::RegCloseKey(static_cast<::HKEY>(it->second));
        keys_.erase(it);
        return rc;
    }
    if (NativeRoot(key) || key == kDynData) return ERROR_SUCCESS;  // predefined roots stay open
    return ERROR_INVALID_HANDLE;
}

// ---- profile files ------------------------------------------------------------------------------

std::uint32_t Win32System::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                   const std::string& defaultValue, std::string& out,
                                                   std::uint32_t size, const std::string& file) {
    return profile::GetString(win32_impl::ReadWholeFile(file), section, key, defaultValue, out, size);
}

bool Win32System::WritePrivateProfileString(const std::string& section, const std::string& key,
                                            const std::string& value, const std::string& file) {
    std::string old;
    const DWORD attrs = ::GetFileAttributesW(WidePath(file).c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES) {
        // A file that cannot be read is never replaced by one holding only this key, and one the
        // user made read-only is left alone.
        if (attrs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) return false;
        auto contents = win32_impl::ReadWholeFile(file);
        if (!contents) return false;
        old = std::move(*contents);
    }
    const std::string updated = profile::Write(old, section, key, value);
    if (attrs != INVALID_FILE_ATTRIBUTES && updated == old) return true;  // nothing changed: no write
    return win32_impl::WriteFileAtomic(file, updated);
}

// ---- folders and the program --------------------------------------------------------------------

std::string Win32System::GetWindowsDirectory() {
    if (!options_.windowsDir.empty()) return options_.windowsDir;
    wchar_t buf[MAX_PATH + 1];
    const UINT n = ::GetWindowsDirectoryW(buf, MAX_PATH + 1);
    return n > 0 && n <= MAX_PATH ? Utf8(std::wstring_view(buf, n)) : std::string("C:\\Windows");
}

std::string Win32System::AppExeFile() { return ModuleFile(); }

std::string Win32System::AppPath() {
    const std::string exe = ModuleFile();
    const auto slash = exe.find_last_of("\\/");
    if (slash == std::string::npos) return ".";
    std::string folder = exe.substr(0, slash);
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:\" rather than the drive's current folder
    return folder;
}

std::string Win32System::AppExeName() {
    const std::string exe = ModuleFile();
    std::string name = exe.substr(exe.find_last_of("\\/") + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos && text::EqualsNoCase(name.substr(dot), ".exe")) name.erase(dot);
    return name;
}

int Win32System::AppMajor() { return TARNOLUX_VERSION_MAJOR; }
int Win32System::AppMinor() { return TARNOLUX_VERSION_MINOR; }

std::vector<std::string> Win32System::Dir(const std::string& pattern, int attributes) {
    const auto slash = pattern.find_last_of("\\/");
    std::string folder = slash == std::string::npos ? "." : pattern.substr(0, slash);
    if (folder.empty() || (folder.size() == 2 && folder[1] == ':')) folder += '\\';
    std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (mask.empty() || mask == "*.*") mask = "*";

    std::vector<std::string> names;
    std::wstring search = WidePath(folder);
    if (search.back() != L'\\') search += L'\\';
    search += L'*';
    WIN32_FIND_DATAW fd{};
    // Every name is listed and matched here: the native matcher also matches 8.3 short names.
    HANDLE find = ::FindFirstFileExW(search.c_str(), FindExInfoBasic, &fd, FindExSearchNameMatch, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = Utf8(fd.cFileName);
        if (name == "." || name == ".." || !text::WildcardMatch(mask, name)) continue;
        int attrs = 0;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) attrs |= vbDirectory;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) attrs |= vbHidden;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) attrs |= vbSystem;
        if ((attrs & ~attributes) == 0) names.push_back(name);
    } while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

std::optional<std::vector<std::string>> Win32System::ReadTextLines(const std::string& path) {
    const auto contents = win32_impl::ReadWholeFile(path);
    if (!contents) return std::nullopt;
    return text::SplitLines(*contents);
}

// ---- sound and memory, served by their own modules ----------------------------------------------

bool Win32System::PlayWaveFile(const std::string& path, std::stop_token stop) {
    return win32_impl::PlayWaveFile(path, stop);
}

std::unique_ptr<MemoryBlock> Win32System::ClaimMemory(std::uint64_t bytes, std::stop_token stop) {
    return win32_impl::ClaimMemory(bytes, stop);
}

}  // namespace platform

// ---- memory budget and logs ---------------------------------------------------------------------

namespace platform {

std::optional<std::uint64_t> Win32System::ClaimBudget() { return win32_impl::MemoryThatCanBeHad(); }

std::string Win32System::StateFolder() const {
    if (!options_.stateFolder.empty()) return options_.stateFolder;
    const wchar_t* local = ::_wgetenv(L"LOCALAPPDATA");
    if (local && *local) return Utf8(local) + "\\Tarnolux";
    const wchar_t* profile = ::_wgetenv(L"USERPROFILE");
    return Utf8(profile ? profile : L"C:") + "\\AppData\\Local\\Tarnolux";
}

void Win32System::AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                              std::size_t keep) {
    logWriter_.Post([folder = StateFolder(), name, header, line, keep] {
        const std::string path = folder + "\\" + name;
        // A file that someone reads just then (--report) cannot be replaced: a moment later it can.
        for (int attempt = 0; attempt < 20; ++attempt) {
            if (attempt > 0) ::Sleep(50);
            const bool exists = win32_impl::Exists(path);
            const std::optional<std::string> text =
                exists ? win32_impl::ReadWholeFile(path, statelog::kLargestLog) : std::nullopt;
            const statelog::Update update = statelog::Append(text, !exists || text.has_value(), header, line, keep);
            if (update.keepAside && !win32_impl::KeepAside(path)) return;  // never overwrite what could not be put aside
            if (!win32_impl::MakeFolders(folder) || win32_impl::WriteFileAtomic(path, update.text)) return;
        }
    });
}

std::optional<std::vector<std::string>> Win32System::ReadLog(const std::string& name, const std::string& header) {
    const std::string path = StateFolder() + "\\" + name;
    if (!win32_impl::Exists(path)) return std::vector<std::string>{};
    const std::optional<std::string> text = win32_impl::ReadWholeFile(path, statelog::kLargestLog);
    if (!text) return std::nullopt;
    return statelog::Lines(*text, header);
}

}  // namespace platform
