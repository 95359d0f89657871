#include "settings/modules.h"

namespace tarnolux {
namespace General {
std::string ProgramFolder(platform::System&) { return {}; }
std::string GetWindowsDir(platform::System&) { return {}; }
std::string TrimNull(const std::string& text) { return text; }
std::string Sep(platform::System& sys) { return std::string(1, sys.PathSeparator()); }
}  // namespace General
namespace Registry {
int SetStringValue(platform::System&, platform::HKEY, platform::HKEY, const std::string&, const std::string&, const std::string&) { return 1; }
std::string GetStringValue(platform::System&, platform::HKEY, platform::HKEY, const std::string&, const std::string&) { return {}; }
long DeleteValue(platform::System&, platform::HKEY, const std::string&, const std::string&) { return 2; }
std::int32_t GetDwordValue(platform::System&, platform::HKEY, const std::string&, const std::string&) { return 0; }
int SetBinaryValue(platform::System&, platform::HKEY, platform::HKEY, const std::string&, const std::string&, std::int32_t) { return 1; }
platform::HKEY CreateKey(platform::System&, platform::HKEY, const std::string&, const std::string&) { return 0; }
}  // namespace Registry
namespace INI_Files {
std::string ReadIniString(platform::System&, const std::string&, const std::string&, const std::string& d, const std::string&) { return d; }
void WriteIniString(platform::System&, const std::string&, const std::string&, const std::string&, const std::string&) {}
}  // namespace INI_Files
namespace Settings {
std::string GetSetting(platform::System&, const std::string&, const std::string&, const std::string&, const std::string& d) { return d; }
void SaveSetting(platform::System&, const std::string&, const std::string&, const std::string&, const std::string&) {}
}  // namespace Settings
}  // namespace tarnolux
