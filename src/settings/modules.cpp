#include "settings/modules.h"

#include <algorithm>
#include <vector>

namespace tarnolux {

namespace {
using platform::HKEY;

constexpr std::uint32_t KEY_READ = 0x20019;

// A REG_SZ payload: the text and its terminating NUL.
std::vector<std::uint8_t> SzBytes(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}
}  // namespace

// ---- General ------------------------------------------------------------------------------------

namespace General {

std::string ProgramFolder(platform::System& sys) {
    std::string folder = sys.AppPath();
    if (!folder.empty() && folder.back() == sys.PathSeparator()) folder.pop_back();
    return folder;
}

std::string GetWindowsDir(platform::System& sys) {
    std::string dir = TrimNull(sys.GetWindowsDirectory());
    if (dir.empty() || dir.back() != sys.PathSeparator()) dir += sys.PathSeparator();
    return dir;
}

std::string TrimNull(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

std::string Sep(platform::System& sys) { return std::string(1, sys.PathSeparator()); }

}  // namespace General

// ---- Registry -----------------------------------------------------------------------------------

namespace Registry {

namespace {
int SetValue(platform::System& sys, HKEY handle, HKEY root, const std::string& subKey, const std::string& valueName,
             std::uint32_t type, const std::vector<std::uint8_t>& data) {
    HKEY key = handle;
    if (key == 0 && sys.RegOpenKeyEx(root, subKey, platform::KEY_ALL_ACCESS, key) != platform::ERROR_SUCCESS) return 1;
    int result = 2;
    if (sys.RegSetValueEx(key, valueName, type, data.data(), static_cast<std::uint32_t>(data.size())) ==
        platform::ERROR_SUCCESS)
        result = 0;
    if (handle == 0) sys.RegCloseKey(key);
    return result;
}
}  // namespace

int SetStringValue(platform::System& sys, HKEY handle, HKEY root, const std::string& subKey,
                   const std::string& valueName, const std::string& text) {
    return SetValue(sys, handle, root, subKey, valueName, platform::REG_SZ, SzBytes(text));
}

std::string GetStringValue(platform::System& sys, HKEY handle, HKEY root, const std::string& subKey,
                           const std::string& valueName) {
    HKEY key = handle;
    if (key == 0 && sys.RegOpenKeyEx(root, subKey, platform::KEY_ALL_ACCESS, key) != platform::ERROR_SUCCESS) return {};
    std::vector<std::uint8_t> buffer(256, 0);
    std::uint32_t type = platform::REG_NONE;
    std::uint32_t size = 256;
    std::string result;
    if (sys.RegQueryValueEx(key, valueName, &type, buffer.data(), &size) == platform::ERROR_SUCCESS &&
        type == platform::REG_SZ && size >= 1) {
        // The stored NUL is dropped.
        result.assign(buffer.begin(), buffer.begin() + std::min<std::uint32_t>(size - 1, 256));
    }
    if (handle == 0) sys.RegCloseKey(key);
    return result;
}

long DeleteValue(platform::System& sys, HKEY root, const std::string& subKey, const std::string& valueName) {
    HKEY key = 0;
    const long opened = sys.RegOpenKeyEx(root, subKey, platform::KEY_ALL_ACCESS, key);
    if (opened != platform::ERROR_SUCCESS) return opened;
    const long result = sys.RegDeleteValue(key, valueName);
    sys.RegCloseKey(key);
    return result;
}

std::int32_t GetDwordValue(platform::System& sys, HKEY root, const std::string& subKey, const std::string& valueName) {
    HKEY key = 0;
    if (sys.RegOpenKey(root, subKey, key) != platform::ERROR_SUCCESS) return 0;
    std::uint8_t data[4] = {0, 0, 0, 0};
    std::uint32_t type = platform::REG_DWORD;
    std::uint32_t size = 4;
    // A value that cannot be read (missing, or larger than 4 bytes) leaves nothing worth reading.
    const bool ok = sys.RegQueryValueEx(key, valueName, &type, data, &size) == platform::ERROR_SUCCESS;
    sys.RegCloseKey(key);
    if (!ok) return 0;
    const std::uint32_t v = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
                            static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return static_cast<std::int32_t>(v);
}

int SetBinaryValue(platform::System& sys, HKEY handle, HKEY root, const std::string& subKey,
                   const std::string& valueName, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    const std::vector<std::uint8_t> data{static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                        static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
    return SetValue(sys, handle, root, subKey, valueName, platform::REG_BINARY, data);
}

HKEY CreateKey(platform::System& sys, HKEY root, const std::string& subKey, const std::string& keyClass) {
    HKEY key = 0;
    std::uint32_t disposition = 0;
    if (sys.RegCreateKeyEx(root, subKey, keyClass, 0, platform::KEY_ALL_ACCESS, key, &disposition) !=
        platform::ERROR_SUCCESS)
        return 0;
    return key;
}

}  // namespace Registry

// ---- INI_Files ----------------------------------------------------------------------------------

namespace INI_Files {

std::string ReadIniString(platform::System& sys, const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& file) {
    std::string buffer(255, '\0');
    sys.GetPrivateProfileString(section, key, defaultValue, buffer, 256, file);
    return General::TrimNull(buffer);
}

std::vector<std::string> ReadIniStrings(platform::System& sys, const std::string& section,
                                        const std::vector<std::string>& keys, const std::string& defaultValue,
                                        const std::string& file) {
    std::vector<std::string> values = sys.GetPrivateProfileStrings(section, keys, defaultValue, 256, file);
    values.resize(keys.size());
    for (std::string& v : values) v = General::TrimNull(v);
    return values;
}

void WriteIniString(platform::System& sys, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& file) {
    sys.WritePrivateProfileString(section, key, value, file);
}

}  // namespace INI_Files

// ---- Settings -----------------------------------------------------------------------------------

namespace Settings {

namespace {
// Registry paths keep the backslash on every platform.
std::string SectionKey(const std::string& appName, const std::string& section) {
    return "Software\\" + appName + "\\" + section;
}
}  // namespace

std::string GetSetting(platform::System& sys, const std::string& appName, const std::string& section,
                       const std::string& key, const std::string& defaultValue) {
    HKEY h = 0;
    if (sys.RegOpenKeyEx(platform::HKEY_CURRENT_USER, SectionKey(appName, section), KEY_READ, h) !=
        platform::ERROR_SUCCESS)
        return defaultValue;
    std::string result = defaultValue;
    std::uint32_t type = platform::REG_NONE;
    std::uint32_t size = 0;
    if (sys.RegQueryValueEx(h, key, &type, nullptr, &size) == platform::ERROR_SUCCESS && type == platform::REG_SZ) {
        std::vector<std::uint8_t> data(size + 1, 0);
        if (sys.RegQueryValueEx(h, key, &type, data.data(), &size) == platform::ERROR_SUCCESS)
            result = General::TrimNull(std::string(data.begin(), data.begin() + std::min<std::size_t>(size, data.size())));
    }
    sys.RegCloseKey(h);
    return result;
}

void SaveSetting(platform::System& sys, const std::string& appName, const std::string& section,
                 const std::string& key, const std::string& value) {
    const HKEY h = Registry::CreateKey(sys, platform::HKEY_CURRENT_USER, SectionKey(appName, section), "");
    if (h == 0) return;
    const auto data = SzBytes(value);
    sys.RegSetValueEx(h, key, platform::REG_SZ, data.data(), static_cast<std::uint32_t>(data.size()));
    sys.RegCloseKey(h);
}

}  // namespace Settings

}  // namespace tarnolux
