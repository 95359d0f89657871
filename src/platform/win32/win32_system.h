// The System of Windows: the native registry, memory and processor figures from
// GlobalMemoryStatusEx, GetSystemTimes and GetPerformanceInfo (served as the HKEY_DYN_DATA counters),
// drives, Toolhelp process snapshots, the shell, PlaySound and a named mutex for the single instance.
//
// Texts are UTF-8 in the program and UTF-16 at the API. Where Windows itself no longer fits the
// program, it is served as the Linux System serves it:
// - the Run key of HKEY_LOCAL_MACHINE needs an administrator; the start-up registration goes to the
//   same key of HKEY_CURRENT_USER, which starts the program for this user alike;
// - profile files follow the shared rules (platform/common/profile.h) and are replaced atomically,
//   in UTF-8, where the native profile calls rewrite the file in place in the ANSI code page.
// The Linux-only stand-ins (proc_parse, autostart, spawn) have no counterpart here.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/cpu_load.h"
#include "platform/common/registry.h"
#include "platform/common/state_log.h"
#include "platform/system.h"

namespace platform {

class Win32System : public System {
public:
    struct Options {
        std::string windowsDir;    // empty: the real Windows folder
        std::string instanceName;  // empty: the program's own named mutex
        CpuLoadCounter::Clock clock;  // empty: std::chrono::steady_clock
        std::string stateFolder;      // empty: %LOCALAPPDATA%\Tarnolux (the logs)
    };

    Win32System();
    explicit Win32System(Options options);
    ~Win32System() override;
    Win32System(const Win32System&) = delete;
    Win32System& operator=(const Win32System&) = delete;

    MemoryStatus GlobalMemoryStatus() override;
    std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {}) override;
    // GlobalMemoryStatusEx and GetPerformanceInfo. Windows does not tell its free pages apart from
    // its standby list without special rights: "unused" is what is available less the system cache
    // (standby list and system working set), which never overstates it. Swap in use is counted as
    // the General page counts it.
    std::optional<MemoryReading> ReadMemory() override;
    std::optional<std::uint64_t> ClaimBudget() override;

    long RegOpenKeyEx(HKEY root, const std::string& subKey, std::uint32_t access, HKEY& result) override;
    long RegOpenKey(HKEY root, const std::string& subKey, HKEY& result) override;
    long RegCreateKeyEx(HKEY root, const std::string& subKey, const std::string& keyClass, std::uint32_t options,
                        std::uint32_t access, HKEY& result, std::uint32_t* disposition) override;
    long RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t* type, std::uint8_t* data,
                         std::uint32_t* size) override;
    long RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type, const std::uint8_t* data,
                       std::uint32_t size) override;
    long RegDeleteValue(HKEY key, const std::string& valueName) override;
    long RegCloseKey(HKEY key) override;

    std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                          const std::string& defaultValue, std::string& out, std::uint32_t size,
                                          const std::string& file) override;
    bool WritePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                   const std::string& file) override;

    std::string GetWindowsDirectory() override;
    std::string AppPath() override;
    std::string AppExeName() override;
    std::string AppExeFile() override;
    int AppMajor() override;
    int AppMinor() override;

    std::vector<std::string> Dir(const std::string& pattern, int attributes) override;
    std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) override;

    // Drives are the logical drives, "c:", "d:", ...; the other calls take "c:\" or any text that
    // begins with the drive's letter.
    std::vector<std::string> Drives() override;
    bool DriveReady(const std::string& drive) override;
    std::optional<DriveSpace> GetDiskFreeSpace(const std::string& drive) override;
    std::optional<VolumeInfo> GetVolumeInformation(const std::string& drive) override;

    std::vector<ProcessEntry> ProcessSnapshot() override;
    bool TerminateProcess(std::uint32_t pid) override;
    std::uint32_t CurrentProcessId() override;

    bool ShellExecute(const std::string& file) override;
    bool EmptyRecycleBin() override;
    std::uint64_t RecycleBinItems() override;
    // The shell's windows as Explorer makes them; a start button only where the taskbar has one
    // (Windows 7 and later draw it themselves).
    ExtrasAvailability AvailableExtras() override;
    bool Desktop(DesktopAction action) override;
    bool ExitWindows(ExitWindowsMode mode) override;
    bool PlayWaveFile(const std::string& path, std::stop_token stop = {}) override;
    bool PrevInstance() override;
    std::string InstanceChannel() override;
    void AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                     std::size_t keep) override;
    std::optional<std::vector<std::string>> ReadLog(const std::string& name, const std::string& header) override;
    // %LOCALAPPDATA%\Tarnolux, where the logs live.
    std::string StateFolder() const;
    char PathSeparator() const override { return '\\'; }
    std::string ExeSuffix() const override { return ".exe"; }

    // Handles open now (leak checks in tests).
    std::size_t OpenHandles() const { return keys_.size() + dynamicKeys_.size(); }

private:
    class Counters;
    long Open(HKEY root, const std::string& subKey, std::uint32_t access, bool create, HKEY& result,
              std::uint32_t* disposition);
    void* NativeOf(HKEY key) const;  // the native HKEY behind one of ours, or null

    Options options_;
    std::unique_ptr<Counters> counters_;
    // HKEY_DYN_DATA is served by the shared registry code over live counters.
    Registry dynamic_;
    std::map<HKEY, void*> keys_;          // our handle -> native HKEY
    std::map<HKEY, HKEY> dynamicKeys_;    // our handle -> handle of `dynamic_`
    HKEY nextHandle_ = 0x10000;
    void* instanceMutex_ = nullptr;
    // Writes the logs; the last member, so its jobs are done before anything else goes.
    statelog::Writer logWriter_;
};

}  // namespace platform
