// An in-memory System for the tests: nothing it does reaches the real machine. Everything the
// program can observe is a public field to script, and everything it asks the machine to do is
// recorded for the test to check.
//
//   platform::FakeSystem sys;
//   sys.memory.totalPhys = 128ull << 20;                 // GlobalMemoryStatus returns `memory`
//   sys.cpuLoad = 37;                                    // "PerfStats\StatData" "KERNEL\CPUUsage"
//   sys.AddFile("/opt/tarnolux/Skins/Blue.ini", "[Colors]\n...");
//   sys.SetRegString(platform::HKEY_CURRENT_USER, "Software\\X", "Name", "text");
//   ... run the code under test ...
//   EXPECT_EQ(sys.playedWaves, std::vector<std::string>{"/snd/done.wav"});
//
// Paths are '/'-joined; repeated separators and a trailing one are ignored ("/a//b/" is "/a/b").
// Folders exist implicitly above every file and can be added empty with AddFolder.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/common/registry.h"
#include "platform/system.h"

namespace platform {

class FakeSystem : public System {
public:
    FakeSystem();
    ~FakeSystem() override;

    // ---- memory ---------------------------------------------------------------------------------
    MemoryStatus memory;             // what GlobalMemoryStatus returns
    // A machine in whole MB: physical total and free, swap total and free, address space total and free.
    void SetMemoryMB(std::uint64_t totalPhys, std::uint64_t availPhys, std::uint64_t totalSwap, std::uint64_t availSwap,
                     std::uint64_t totalVirtual, std::uint64_t availVirtual) {
        memory = {totalPhys << 20, availPhys << 20, totalSwap << 20, availSwap << 20, totalVirtual << 20,
                  availVirtual << 20};
    }
    int globalMemoryStatusCalls = 0;

    // ClaimMemory records every request in `claimRequests` and refuses (null) a request larger than
    // `claimableBytes`; `onClaim` runs on every request before the answer. Blocks must not outlive
    // the FakeSystem; `liveBlocks` counts the ones not yet given back. A claim whose stop has been
    // requested by the end of `onClaim` is abandoned (null) and counted in `stoppedClaims`.
    // ClaimBudget answers `claimBudget` when set, else `claimableBytes` (nothing while UINT64_MAX).
    std::uint64_t claimableBytes = UINT64_MAX;
    std::optional<std::uint64_t> claimBudget;
    int stoppedClaims = 0;
    std::vector<std::uint64_t> claimRequests;
    std::function<void(std::uint64_t bytes)> onClaim;
    int liveBlocks = 0;

    // ReadMemory: unused = availPhys less the disk cache, available = availPhys, cache =
    // `diskCacheBytes`, swap in use = the page file's total less its free part; nothing while
    // `memoryReadable` is false. `memoryReads` counts the calls.
    bool memoryReadable = true;
    int memoryReads = 0;

    // The clocks: MonotonicMs and UnixTime answer these; tests move them.
    std::int64_t monotonicMs = 0;
    std::int64_t unixTime = 1767225600;  // 2026-01-01 00:00:00 UTC

    // ---- HKEY_DYN_DATA --------------------------------------------------------------------------
    // "PerfStats\StatData" "KERNEL\CPUUsage": `cpuCounterRaw` when set (any length, e.g. 1024 bytes),
    // otherwise the 32-bit little-endian `cpuLoad`. "PerfStats\StartStat" "KERNEL\CPUUsage" gives the
    // same data. "PerfStats\StatData" "VMM\cpgDiskcache": `diskCacheBytes` as REG_DWORD.
    std::uint32_t cpuLoad = 0;
    std::optional<std::vector<std::uint8_t>> cpuCounterRaw;
    std::uint32_t diskCacheBytes = 0;
    // No "PerfStats" keys at all (a system without the counters): opening them fails.
    bool counterKeyMissing = false;
    // Each successful counter read, in order: "StatData\KERNEL\CPUUsage", "StartStat\KERNEL\CPUUsage",
    // "StatData\VMM\cpgDiskcache".
    std::vector<std::string> counterReads;

    // ---- registry -------------------------------------------------------------------------------
    // The persistent roots live here (in memory only); tests may read and prepare it directly.
    Registry registry;
    void SetRegString(HKEY root, const std::string& keyPath, const std::string& name, const std::string& text);
    void SetRegDword(HKEY root, const std::string& keyPath, const std::string& name, std::uint32_t v);
    void SetRegBinary(HKEY root, const std::string& keyPath, const std::string& name,
                      const std::vector<std::uint8_t>& bytes);
    void CreateRegKey(HKEY root, const std::string& keyPath);
    // The stored value, or nothing when the key or value is missing.
    std::optional<Registry::Value> RegValue(HKEY root, const std::string& keyPath, const std::string& name) const;
    // A REG_SZ value's text up to its first NUL; nothing when missing or of another type.
    std::optional<std::string> RegString(HKEY root, const std::string& keyPath, const std::string& name) const;
    bool RegKeyExists(HKEY root, const std::string& keyPath) const;

    // ---- files ----------------------------------------------------------------------------------
    struct File {
        std::string contents;
        int attributes = vbNormal;  // vbReadOnly | vbHidden | vbSystem | vbDirectory
    };
    std::map<std::string, File> files;  // normalized path -> file (folders carry vbDirectory)
    void AddFile(const std::string& path, const std::string& contents = "", int attributes = vbNormal);
    void AddFolder(const std::string& path, int attributes = vbNormal);
    void RemoveFile(const std::string& path);
    bool FileExists(const std::string& path) const;
    std::optional<std::string> FileText(const std::string& path) const;
    // Profile files read (one per GetPrivateProfileString or GetPrivateProfileStrings call).
    int profileReads = 0;
    // WritePrivateProfileString refuses to write files whose path is listed here (a full disk).
    std::vector<std::string> unwritableFiles;

    // ---- folders and the program ----------------------------------------------------------------
    std::string windowsDir = "/windows";
    std::string appPath = "/opt/tarnolux";
    std::string appExeName = "tarnolux";
    int appMajor = TARNOLUX_VERSION_MAJOR;
    int appMinor = TARNOLUX_VERSION_MINOR;
    std::string userDataFolder;  // what UserDataFolder answers; empty: none

    // ---- drives and processes -------------------------------------------------------------------
    // A drive is found by the first letter of the text the program passes (either case).
    struct Drive {
        std::string name;                      // as Drives() lists it, e.g. "c: /" or "a:"
        std::optional<DriveSpace> space;       // nothing: not ready (no disk in the drive)
        std::optional<VolumeInfo> volume;
    };
    std::vector<Drive> drives;
    std::vector<std::string> driveQueries;     // the drive texts GetDiskFreeSpace was asked about
    std::vector<ProcessEntry> processes;       // the snapshot, in order
    std::vector<std::uint32_t> terminated;     // TerminateProcess calls
    bool terminateResult = true;
    bool removeTerminated = true;              // a terminated process leaves `processes`
    std::uint32_t currentPid = 4000;           // CurrentProcessId

    // ---- shell and desktop ----------------------------------------------------------------------
    std::vector<std::string> shellExecuted;
    bool shellExecuteResult = true;
    int emptyRecycleBinCalls = 0;
    bool emptyRecycleBinResult = true;
    // Items in the recycle bin of each mount point; emptying it clears them all.
    std::map<std::string, std::uint64_t> recycleBins;
    // Every extra has a target unless a test says otherwise.
    ExtrasAvailability extras{true, true, true, true, true, true, true, true};
    std::vector<DesktopAction> desktopActions;
    bool desktopResult = true;
    std::vector<ExitWindowsMode> exitWindowsCalls;
    bool exitWindowsResult = true;

    // PlayWaveFile records the path, runs `onPlayWave` (the moment the sound "plays") and returns
    // `playWaveResult` (false when its stop has been requested by then).
    std::vector<std::string> playedWaves;
    bool playWaveResult = true;
    std::function<void(const std::string& path)> onPlayWave;

    // Notify records each notification as summary and body and answers `notifyResult`.
    struct Notification {
        std::string summary, body;
        bool operator==(const Notification&) const = default;
    };
    std::vector<Notification> notifications;
    bool notifyResult = true;

    // Logs live in `files` below `stateFolder`, written at once.
    std::string stateFolder = "/state/tarnolux";

    // ---- instance -------------------------------------------------------------------------------
    bool prevInstance = false;  // what PrevInstance answers
    int prevInstanceCalls = 0;
    std::string instanceChannel = "fake-instance";  // what InstanceChannel answers

    std::vector<std::string> preferredLanguages;  // what PreferredLanguages answers

    char pathSeparator = '/';
    std::string exeSuffix;  // what ExeSuffix returns

    // ---- System ---------------------------------------------------------------------------------
    MemoryStatus GlobalMemoryStatus() override;
    std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {}) override;
    std::optional<MemoryReading> ReadMemory() override;
    std::optional<std::uint64_t> ClaimBudget() override {
        if (claimBudget || claimableBytes == UINT64_MAX) return claimBudget;
        return claimableBytes;
    }
    std::int64_t MonotonicMs() override { return monotonicMs; }
    std::int64_t UnixTime() override { return unixTime; }
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
    std::vector<std::string> GetPrivateProfileStrings(const std::string& section, const std::vector<std::string>& keys,
                                                      const std::string& defaultValue, std::uint32_t size,
                                                      const std::string& file) override;
    std::string GetWindowsDirectory() override { return windowsDir; }
    std::string AppPath() override { return appPath; }
    std::string AppExeName() override { return appExeName; }
    std::string AppExeFile() override;
    int AppMajor() override { return appMajor; }
    int AppMinor() override { return appMinor; }
    std::string UserDataFolder() override { return userDataFolder; }
    std::vector<std::string> Dir(const std::string& pattern, int attributes) override;
    std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) override;
    std::vector<std::string> Drives() override;
    bool DriveReady(const std::string& drive) override;
    std::optional<DriveSpace> GetDiskFreeSpace(const std::string& drive) override;
    std::optional<VolumeInfo> GetVolumeInformation(const std::string& drive) override;
    std::vector<ProcessEntry> ProcessSnapshot() override { return processes; }
    bool TerminateProcess(std::uint32_t pid) override;
    std::uint32_t CurrentProcessId() override { return currentPid; }
    bool ShellExecute(const std::string& file) override;
    bool EmptyRecycleBin() override;
    std::uint64_t RecycleBinItems() override;
    ExtrasAvailability AvailableExtras() override { return extras; }
    bool Desktop(DesktopAction action) override;
    bool ExitWindows(ExitWindowsMode mode) override;
    bool PlayWaveFile(const std::string& path, std::stop_token stop = {}) override;
    bool Notify(const std::string& summary, const std::string& body) override {
        notifications.push_back({summary, body});
        return notifyResult;
    }
    bool PrevInstance() override;
    std::string InstanceChannel() override { return instanceChannel; }
    void AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                     std::size_t keep) override;
    std::optional<std::vector<std::string>> ReadLog(const std::string& name, const std::string& header) override;
    std::vector<std::string> PreferredLanguages() override { return preferredLanguages; }
    char PathSeparator() const override { return pathSeparator; }
    std::string ExeSuffix() const override { return exeSuffix; }

    // "/a//b/" -> "/a/b".
    static std::string NormalizePath(const std::string& path);

private:
    class Counters;
    std::unique_ptr<Counters> counters_;
    const Drive* FindDrive(const std::string& name) const;
};

}  // namespace platform
