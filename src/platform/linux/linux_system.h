// The System of the Linux desktop: figures from /proc, registry hives kept as REGEDIT4 files in the
// user's configuration folder, the Run-key registration mirrored as an XDG autostart entry, a flock
// instance lock, the desktop's own tool for opening files, and for the extras the X11 desktop and
// panel windows, the freedesktop trash, the screen saver and logind.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/common/registry.h"
#include "platform/common/state_log.h"
#include "platform/linux/desktop_bus.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/worker.h"
#include "platform/linux/x11_desktop.h"
#include "platform/system.h"

namespace platform {

namespace linux_impl {
class DriveTable;
}

class LinuxSystem : public System {
public:
    struct Options {
        std::string procRoot = "/proc";
        std::string configHome;  // empty: $XDG_CONFIG_HOME or ~/.config
        std::string runtimeDir;  // empty: $XDG_RUNTIME_DIR, else /tmp/tarnolux-<uid>
        std::string dataHome;    // empty: $XDG_DATA_HOME or ~/.local/share (the trash)
        std::string stateHome;   // empty: $XDG_STATE_HOME or ~/.local/state (the logs)
        std::string display;     // X display of the desktop extras; empty: $DISPLAY, none under Wayland
        linux_impl::CpuLoadCounter::Clock clock;  // empty: std::chrono::steady_clock
        std::chrono::milliseconds driveLimit{800};  // longest wait for a drive that does not answer
        std::string sessionBus, systemBus;  // bus addresses of the extras; empty: the usual places
        std::chrono::milliseconds busLimit{2000};  // longest wait for a bus connection or call
    };

    LinuxSystem();
    explicit LinuxSystem(Options options);
    ~LinuxSystem() override;
    LinuxSystem(const LinuxSystem&) = delete;
    LinuxSystem& operator=(const LinuxSystem&) = delete;

    MemoryStatus GlobalMemoryStatus() override;
    std::unique_ptr<MemoryBlock> ClaimMemory(std::uint64_t bytes, std::stop_token stop = {}) override;
    // MemFree, MemAvailable, Cached + Buffers and swap in use, from one read of /proc/meminfo.
    std::optional<MemoryReading> ReadMemory() override;
    // What /proc/meminfo and the limits of our control group leave, as the claim itself judges it.
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
    std::vector<std::string> GetPrivateProfileStrings(const std::string& section, const std::vector<std::string>& keys,
                                                      const std::string& defaultValue, std::uint32_t size,
                                                      const std::string& file) override;

    std::string GetWindowsDirectory() override;
    std::string AppPath() override;
    std::string AppExeName() override;
    std::string AppExeFile() override;
    int AppMajor() override;
    int AppMinor() override;
    // $XDG_DATA_HOME/tarnolux (or ~/.local/share/tarnolux); it need not exist.
    std::string UserDataFolder() override;

    std::vector<std::string> Dir(const std::string& pattern, int attributes) override;
    std::optional<std::vector<std::string>> ReadTextLines(const std::string& path) override;

    // Drives are the mounted real file systems: "c: /" and, by letters given out in mount order and
    // kept while the program runs, "d: /home", "e: /media/usb", ...
    std::vector<std::string> Drives() override;
    bool DriveReady(const std::string& drive) override;
    std::optional<DriveSpace> GetDiskFreeSpace(const std::string& drive) override;
    std::optional<VolumeInfo> GetVolumeInformation(const std::string& drive) override;

    std::vector<ProcessEntry> ProcessSnapshot() override;
    bool TerminateProcess(std::uint32_t pid) override;
    std::uint32_t CurrentProcessId() override;

    bool ShellExecute(const std::string& file) override;
    // Empties the trash of each drive on a thread of its own and returns at once; ending the System
    // gives them a moment to finish.
    bool EmptyRecycleBin() override;
    // A drive whose trash does not answer within the drive limit is left out of the count.
    std::uint64_t RecycleBinItems() override;
    // What is known at once; the desktop and the buses are asked again in the background, and
    // their answers count from the next call.
    ExtrasAvailability AvailableExtras() override;
    // The desktop and the buses are asked without waiting: true when the request could be made.
    bool Desktop(DesktopAction action) override;
    bool ExitWindows(ExitWindowsMode mode) override;
    bool PlayWaveFile(const std::string& path, std::stop_token stop = {}) override;
    // Over the session bus, with the program's icon when the icon theme has it.
    bool Notify(const std::string& summary, const std::string& body) override;
    bool PrevInstance() override;
    std::string InstanceChannel() override;  // a socket beside the lock
    void AppendToLog(const std::string& name, const std::string& header, const std::string& line,
                     std::size_t keep) override;
    std::optional<std::vector<std::string>> ReadLog(const std::string& name, const std::string& header) override;
    std::vector<std::string> PreferredLanguages() override;
    char PathSeparator() const override { return '/'; }
    std::string ExeSuffix() const override { return {}; }
    void BeginUpdate() override;
    void EndUpdate() override;

    // Where the hives, the Windows folder and the autostart entry live.
    std::string HiveFile(HKEY root) const;  // "" for a root that is not persisted
    std::string AutostartFile() const;
    std::string StateFolder() const;  // where the logs live
    // The hive files that could not be read and were renamed aside at load (for the curious).
    const std::vector<std::string>& DamagedHives() const { return damagedHives_; }

private:
    class Counters;
    void EnsureLoaded();
    void LoadHive(HKEY root);
    void SaveHive(HKEY root);
    void OnRegistryChange(const Registry::Change& change);
    bool IsRunKey(HKEY key) const;
    // Brings the autostart entry in line with the Run key: the text of `preferred` when it is a
    // REG_SZ there, else of any that remains; no entry when there is none.
    void UpdateAutostart(const std::string* preferred);
    void WriteAutostart();
    std::string LockFolder() const;
    // The home trash, then each drive's mount point: where trash folders are looked for.
    std::vector<std::string> TrashTops();
    std::shared_ptr<std::atomic<bool>> TrashBusy(const std::string& top);
    struct X11State;
    std::shared_ptr<X11State> X11();
    bool AskX11(std::function<void(X11State&)> job);
    linux_impl::DesktopBus& Bus();
    std::optional<linux_impl::MemInfo> ReadMemInfo();
    std::optional<CpuTimes> ReadCpuTimes();
    std::chrono::steady_clock::time_point Now() const;

    Options options_;
    std::string configHome_;
    // Prebuilt /proc paths: the monitor reads them several times a second.
    std::string meminfoPath_, statPath_, overcommitPath_;
    std::unique_ptr<linux_impl::DriveTable> drives_;
    Registry registry_;
    std::unique_ptr<Counters> counters_;
    bool loaded_ = false;
    std::map<HKEY, bool> persistable_;  // false: the file could not be put aside; never overwrite it
    std::vector<std::string> damagedHives_;
    int lockFd_ = -1;
    // Xlib is used on the desktop worker only, which may hang with a display that stops answering.
    linux_impl::Worker desktop_;
    std::shared_ptr<X11State> x11_;
    bool x11Tried_ = false;
    std::unique_ptr<linux_impl::DesktopBus> bus_;
    // Per trash top: set while its trash is counted or emptied; one that hangs is left alone.
    std::mutex trashMutex_;
    std::map<std::string, std::shared_ptr<std::atomic<bool>>> trashBusy_;
    std::vector<std::shared_ptr<linux_impl::Pending<bool>>> emptying_;
    // Between BeginUpdate and EndUpdate: what is still to be written.
    int updateDepth_ = 0;
    std::map<HKEY, bool> dirtyHives_;
    std::optional<std::string> pendingAutostart_;  // the entry's text; "" for no entry
    std::map<std::string, std::string> pendingProfiles_;
    // The monitor tick and the limit trigger ask for the memory status several times within the
    // same instant; they share one reading of /proc instead of asking the kernel again each time.
    static constexpr std::chrono::milliseconds kMemoryBurst{50};
    // How long ending the System waits for the extras' work in hand, all together.
    static constexpr std::chrono::milliseconds kPatienceAtEnd{500};
    std::optional<MemoryStatus> lastMemory_;
    std::chrono::steady_clock::time_point lastMemoryTime_{};
    // Writes the logs; the last member, so its jobs are done before anything else goes.
    statelog::Writer logWriter_;
};

}  // namespace platform
