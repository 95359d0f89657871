// The platform services the program needs, behind one interface. The program logic never talks to the
// operating system directly: a Linux implementation serves the real desktop, an in-memory fake serves
// the tests, and a Win32 implementation can follow from the same call sites.
//
// The calls keep the shape of the Win32 services the program was designed against (registry handles,
// profile strings, result codes), so that the helpers built on them behave exactly as designed on
// every platform. Texts are UTF-8 throughout.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace platform {

// ---- registry ---------------------------------------------------------------------------------
using HKEY = std::uintptr_t;
inline constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr HKEY HKEY_CURRENT_USER = 0x80000001u;
inline constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr HKEY HKEY_USERS = 0x80000003u;
inline constexpr HKEY HKEY_DYN_DATA = 0x80000006u;

inline constexpr std::uint32_t REG_NONE = 0;
inline constexpr std::uint32_t REG_SZ = 1;
inline constexpr std::uint32_t REG_BINARY = 3;
inline constexpr std::uint32_t REG_DWORD = 4;

inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;
inline constexpr std::uint32_t REG_CREATED_NEW_KEY = 1;
inline constexpr std::uint32_t REG_OPENED_EXISTING_KEY = 2;

// Win32 error codes the registry and profile calls return (0 is success).
inline constexpr long ERROR_SUCCESS = 0;
inline constexpr long ERROR_FILE_NOT_FOUND = 2;
inline constexpr long ERROR_ACCESS_DENIED = 5;
inline constexpr long ERROR_INVALID_HANDLE = 6;
inline constexpr long ERROR_INVALID_PARAMETER = 87;
inline constexpr long ERROR_MORE_DATA = 234;
inline constexpr long ERROR_BADKEY = 1010;

// ---- memory -----------------------------------------------------------------------------------
// Byte counts, 64-bit: machines of 2 GB and more are the rule.
struct MemoryStatus {
    std::uint64_t totalPhys = 0;      // physical memory
    std::uint64_t availPhys = 0;      // physical memory that can be had without swapping
    std::uint64_t totalPageFile = 0;  // swap
    std::uint64_t availPageFile = 0;
    std::uint64_t totalVirtual = 0;   // what can be committed at all
    std::uint64_t availVirtual = 0;   // what can still be committed without the system failing
};

// a - b, or 0 where b is larger: memory figures read at different moments can cross.
constexpr std::uint64_t SubtractOrZero(std::uint64_t a, std::uint64_t b) { return a - std::min(a, b); }

// What a free-up changes, in bytes, read in one go: memory nobody uses, memory that can be had
// without swapping, the page cache (the system cache), and swap (the page file) in use.
struct MemoryReading {
    std::uint64_t unused = 0;
    std::uint64_t available = 0;
    std::uint64_t cache = 0;
    std::uint64_t swapUsed = 0;
    bool operator==(const MemoryReading&) const = default;
};

// A claimed and fully written block of memory; destroying it gives the memory back.
class MemoryBlock {
public:
    virtual ~MemoryBlock() = default;
    virtual std::uint64_t size() const = 0;
};

// ---- files ------------------------------------------------------------------------------------
// Attribute mask bits of the directory search.
inline constexpr int vbNormal = 0;
inline constexpr int vbReadOnly = 1;
inline constexpr int vbHidden = 2;
inline constexpr int vbSystem = 4;
inline constexpr int vbDirectory = 16;

// ---- drives -----------------------------------------------------------------------------------
struct DriveSpace {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;  // free to this user
};
struct VolumeInfo {
    std::string label;
    std::string fileSystem;  // "ext4", "vfat", ...
    std::uint32_t serial = 0;
};

// ---- processes --------------------------------------------------------------------------------
struct ProcessEntry {
    std::uint32_t pid = 0;
    std::uint32_t parentPid = 0;  // where the snapshot tells it for free; Linux leaves both 0
    std::uint32_t threads = 0;
    std::string exeFile;  // full path where it can be read, else the best name the system gives
};

// ---- desktop extras ---------------------------------------------------------------------------
enum class DesktopAction {
    HideDesktopIcons,
    ShowDesktopIcons,
    HideTaskbar,
    ShowTaskbar,
    DisableStartButton,
    EnableStartButton,
    RunScreenSaver,
    MinimizeAll,
};
enum class ExitWindowsMode { Restart, ShutDown };

// Which extras have a target on this desktop right now; the tray menu offers the others greyed out.
struct ExtrasAvailability {
    bool desktopIcons = false;  // a desktop window to hide and show
    bool taskbar = false;       // panel or dock windows
    bool startButton = false;   // a start button inside the taskbar
    bool screenSaver = false;
    bool recycleBin = false;
    bool minimizeAll = false;
    bool restart = false;
    bool shutDown = false;
};

class System {
public:
    virtual ~System() = default;

    // Memory status, read afresh on every call.
    virtual MemoryStatus GlobalMemoryStatus() = 0;

    // Claims `bytes` of memory and writes every byte of it with the two-byte blank pattern (0x20 0x00).
    // Returns null when the memory cannot be had; never drives the system into running out of memory.
    // Slow for large blocks: callers run it off the user-interface thread. Once `stop` is requested
    // it gives up at the next chunk and returns null.
    virtual std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {}) = 0;

    // The figures a free-up changes, for telling the user what it did; one cheap read of the
    // kernel's figures (well under a millisecond), never shared with an earlier reading. Nothing
    // when they cannot be read.
    virtual std::optional<MemoryReading> ReadMemory() { return std::nullopt; }
    // How much ClaimMemory would take on now without endangering the system; nothing when unknown.
    virtual std::optional<std::uint64_t> ClaimBudget() { return std::nullopt; }

    // Clocks: milliseconds that only move forward, for durations; and the wall clock, in seconds
    // since 1970 (UTC), for records.
    virtual std::int64_t MonotonicMs() {
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    virtual std::int64_t UnixTime() {
        return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    }

    // Registry, Win32 semantics: result 0 is success, anything else an error code. Besides the
    // persistent roots, HKEY_DYN_DATA serves the live performance counters:
    //   "PerfStats\StartStat" "KERNEL\CPUUsage"  starts the processor counter;
    //   "PerfStats\StatData"  "KERNEL\CPUUsage"  processor load of the latest window of about 1 s;
    //   "PerfStats\StatData"  "VMM\cpgDiskcache" disk cache size in bytes.
    // RegQueryValueEx: `type` may be null; `data` may be null to ask for the size; `size` is in/out.
    virtual long RegOpenKeyEx(HKEY root, const std::string& subKey, std::uint32_t access, HKEY& result) = 0;
    virtual long RegOpenKey(HKEY root, const std::string& subKey, HKEY& result) = 0;
    virtual long RegCreateKeyEx(HKEY root, const std::string& subKey, const std::string& keyClass,
                                std::uint32_t options, std::uint32_t access, HKEY& result,
                                std::uint32_t* disposition) = 0;
    virtual long RegQueryValueEx(HKEY key, const std::string& valueName, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) = 0;
    virtual long RegSetValueEx(HKEY key, const std::string& valueName, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) = 0;
    virtual long RegDeleteValue(HKEY key, const std::string& valueName) = 0;
    virtual long RegCloseKey(HKEY key) = 0;

    // Profile (INI) files, Win32 semantics: section and key names compare without regard to case;
    // at most size - 1 characters are returned (the count is the result); writing creates the file,
    // section and key as needed and keeps the rest of the file as it was.
    virtual std::uint32_t GetPrivateProfileString(const std::string& section, const std::string& key,
                                                  const std::string& defaultValue, std::string& out,
                                                  std::uint32_t size, const std::string& file) = 0;
    virtual bool WritePrivateProfileString(const std::string& section, const std::string& key,
                                           const std::string& value, const std::string& file) = 0;
    // Several keys of one section, each as GetPrivateProfileString gives it, reading the file once.
    virtual std::vector<std::string> GetPrivateProfileStrings(const std::string& section,
                                                              const std::vector<std::string>& keys,
                                                              const std::string& defaultValue, std::uint32_t size,
                                                              const std::string& file) {
        std::vector<std::string> values;
        for (const std::string& key : keys) {
            std::string out;
            GetPrivateProfileString(section, key, defaultValue, out, size, file);
            values.push_back(std::move(out));
        }
        return values;
    }

    // Folders and the program itself.
    virtual std::string GetWindowsDirectory() = 0;  // no trailing separator guaranteed
    virtual std::string AppPath() = 0;              // folder of the running program
    virtual std::string AppExeName() = 0;           // executable base name, no extension
    virtual std::string AppExeFile() = 0;           // full path of the executable
    virtual int AppMajor() = 0;
    virtual int AppMinor() = 0;
    // The user's own folder for additions to the program's data (skins), which needs no write access
    // to the program folder; empty where there is none.
    virtual std::string UserDataFolder() { return {}; }

    // Directory search: the bare names of the files in the folder of `pattern` whose names match its
    // last component (wildcards * and ?, without regard to case) and whose attributes fit `attributes`
    // (normal and read-only files always, as the toolkit's search does; hidden, system and directories
    // only when their bit is set).
    virtual std::vector<std::string> Dir(const std::string& pattern, int attributes) = 0;
    // The lines of a text file, without line ends; nothing when it cannot be read.
    virtual std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) = 0;

    // Drives. Drives() lists one entry per drive, each beginning with its small letter and a colon
    // ("c:", "d: /home"); what follows helps the user recognise it (on Linux ": " and the mount
    // point). The other calls take a drive's root ("c:\") or any text beginning with its letter.
    // DriveReady: the drive's root can be listed now (a drive without media, a vanished or hanging
    // mount is not ready); it returns within about a second whatever the drive does.
    virtual std::vector<std::string> Drives() = 0;
    virtual bool DriveReady(const std::string& drive) = 0;
    virtual std::optional<DriveSpace> GetDiskFreeSpace(const std::string& drive) = 0;
    virtual std::optional<VolumeInfo> GetVolumeInformation(const std::string& drive) = 0;

    // Processes: every running program (not the kernel's own threads); on Linux in ascending id order,
    // on Windows in the order of the system's snapshot.
    virtual std::vector<ProcessEntry> ProcessSnapshot() = 0;
    virtual bool TerminateProcess(std::uint32_t pid) = 0;  // on Linux the desktop's polite end, SIGTERM
    virtual std::uint32_t CurrentProcessId() = 0;

    // Shell and desktop.
    virtual bool ShellExecute(const std::string& file) = 0;  // open with the desktop's default application
    // Empties the recycle bin of every mounted file system without asking; the caller asks first.
    virtual bool EmptyRecycleBin() = 0;
    // How many items the recycle bins hold (what EmptyRecycleBin would delete).
    virtual std::uint64_t RecycleBinItems() = 0;
    virtual ExtrasAvailability AvailableExtras() = 0;
    virtual bool Desktop(DesktopAction action) = 0;
    virtual bool ExitWindows(ExitWindowsMode mode) = 0;

    // Plays a wave file to its end (synchronous). False, quickly, when nothing can be played; a sound
    // server that does not answer costs at most a couple of seconds. Once `stop` is requested the
    // sound is cut short.
    virtual bool PlayWaveFile(const std::string& path, std::stop_token stop = {}) = 0;

    // A desktop notification that takes the place of this program's previous one rather than
    // stacking beside it. Returns at once: the request goes out off the user-interface thread and
    // within a time limit, and its fate is not waited for. False where there is surely no
    // notification service to ask (Windows shows its notices as the tray icon's balloon instead).
    virtual bool Notify(const std::string& summary, const std::string& body) {
        (void)summary;
        (void)body;
        return false;
    }

    // A log of the program's own doings, kept across runs in the user's state folder
    // ($XDG_STATE_HOME/tarnolux on Linux, %LOCALAPPDATA%\Tarnolux on Windows): the file `name`
    // there, `header` on its first line and at most `keep` lines after it. AppendToLog returns at
    // once; the file is written off the caller's thread, and a write that fails costs the line,
    // never the caller. A file there that is no such log (another first line, not a regular file,
    // too large) is kept aside, as damaged files are, and a new log begun.
    virtual void AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                             std::size_t keep) {
        (void)name;
        (void)header;
        (void)line;
        (void)keep;
    }
    // The lines of that log after its header, oldest first: none when there is no log yet, nothing
    // when what is there cannot be read as one.
    virtual std::optional<std::vector<std::string>> ReadLog(const std::string& name, const std::string& header) {
        (void)name;
        (void)header;
        return std::vector<std::string>{};
    }

    // True when another instance of the program runs for this user. The first caller that finds none
    // holds the instance lock until it exits (or dies: the lock must not outlive the process).
    virtual bool PrevInstance() = 0;

    // Where later starts of the program reach the instance that holds the lock (beside the lock);
    // empty when there is no such place.
    virtual std::string InstanceChannel() { return {}; }

    // The languages the user's desktop asks for, most wanted first, as lower-case ISO 639 codes
    // ("de", "pt"); empty when it asks for none in particular.
    virtual std::vector<std::string> PreferredLanguages() { return {}; }

    // The separator between folder and file names on this platform.
    virtual char PathSeparator() const = 0;
    // What follows a program's base name in its file name here ("" or ".exe").
    virtual std::string ExeSuffix() const = 0;

    // Changes made between BeginUpdate and the matching EndUpdate (they nest) may be kept in
    // memory and written together at the end, each file once; reads in between see them. Used
    // where many settings are saved at once, as at exit.
    virtual void BeginUpdate() {}
    virtual void EndUpdate() {}
};

// BeginUpdate for the lifetime of the object.
class UpdateScope {
public:
    explicit UpdateScope(System& sys) : sys_(sys) { sys_.BeginUpdate(); }
    ~UpdateScope() { sys_.EndUpdate(); }
    UpdateScope(const UpdateScope&) = delete;
    UpdateScope& operator=(const UpdateScope&) = delete;

private:
    System& sys_;
};

// The System of the platform the program was built for. Made in one place (platform/make_system.cpp).
std::unique_ptr<System> MakeSystem();

}  // namespace platform
