// The small helpers through which the program reaches its folders, the registry, profile (INI)
// files and its own stored settings. They report failure only through their results.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/system.h"

namespace tarnolux {

namespace General {
// The program's folder with one trailing separator removed (a root "/" or "C:\" becomes "" or "C:").
std::string ProgramFolder(platform::System& sys);
// The Windows folder, always ending in a separator.
std::string GetWindowsDir(platform::System& sys);
// The text before its first NUL character; the whole text when it holds none.
std::string TrimNull(const std::string& text);
// The path separator as text, for joining folder and file names.
std::string Sep(platform::System& sys);
}  // namespace General

namespace Registry {
// 0 written; 1 the key could not be opened; 2 the value could not be written.
int SetStringValue(platform::System& sys, platform::HKEY handle, platform::HKEY root, const std::string& subKey,
                   const std::string& valueName, const std::string& text);
// The REG_SZ value's text; "" on any failure or when the value is not REG_SZ.
std::string GetStringValue(platform::System& sys, platform::HKEY handle, platform::HKEY root,
                           const std::string& subKey, const std::string& valueName);
// 0 when the value was deleted, otherwise a non-zero error code.
long DeleteValue(platform::System& sys, platform::HKEY root, const std::string& subKey, const std::string& valueName);
// The value's first 4 bytes as a 32-bit integer; 0 when the key cannot be opened or the value is missing.
std::int32_t GetDwordValue(platform::System& sys, platform::HKEY root, const std::string& subKey,
                           const std::string& valueName);
// 0/1/2 as SetStringValue; writes 4 bytes REG_BINARY, least significant first.
int SetBinaryValue(platform::System& sys, platform::HKEY handle, platform::HKEY root, const std::string& subKey,
                   const std::string& valueName, std::int32_t value);
// Handle of the created or opened key, 0 on failure; the key stays open and belongs to the caller.
platform::HKEY CreateKey(platform::System& sys, platform::HKEY root, const std::string& subKey,
                         const std::string& keyClass);
}  // namespace Registry

namespace INI_Files {
// The value text (at most 255 characters), or the default when the key is missing.
std::string ReadIniString(platform::System& sys, const std::string& section, const std::string& key,
                          const std::string& defaultValue, const std::string& file);
// ReadIniString for each of `keys` of one section, reading the file once.
std::vector<std::string> ReadIniStrings(platform::System& sys, const std::string& section,
                                        const std::vector<std::string>& keys, const std::string& defaultValue,
                                        const std::string& file);
void WriteIniString(platform::System& sys, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& file);
}  // namespace INI_Files

// The per-user settings store: string values addressed by (application, section, key), kept under
// HKEY_CURRENT_USER\Software\<application>\<section>.
namespace Settings {
std::string GetSetting(platform::System& sys, const std::string& appName, const std::string& section,
                       const std::string& key, const std::string& defaultValue);
void SaveSetting(platform::System& sys, const std::string& appName, const std::string& section,
                 const std::string& key, const std::string& value);
}  // namespace Settings

}  // namespace tarnolux
