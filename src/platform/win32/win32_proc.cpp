// Win32System: memory and processor figures, the live HKEY_DYN_DATA counters, drives, processes.
#include "platform/win32/win32_system.h"

namespace {
constexpr platform::HKEY kDynData = platform::HKEY_DYN_DATA;
}  // namespace

#include "platform/win32/windows_api.h"
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <future>
#include <memory>
#include <thread>

#include "platform/common/perf_stats.h"
#include "platform/common/text.h"
#include "platform/win32/files.h"

namespace platform {

namespace {

using win32_impl::Utf8;
using win32_impl::Wide;

std::uint64_t Ticks(const FILETIME& t) { return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; }

// The root of the drive whose letter `drive` begins with ("c:", "C:\", "c: Data" all give "C:\");
// nothing for a text that names no drive.
std::optional<std::wstring> DriveRoot(const std::string& drive) {
    if (drive.empty()) return std::nullopt;
    const char letter = static_cast<char>(drive[0] & ~0x20);
    if (letter < 'A' || letter > 'Z' || (drive.size() > 1 && drive[1] != ':')) return std::nullopt;
    return std::wstring{static_cast<wchar_t>(letter), L':', L'\\'};
}

// An empty card reader or disc drive must not raise the system's "insert a disk" box.
class QuietErrors {
public:
    QuietErrors() { ::SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &old_); }
    ~QuietErrors() { ::SetThreadErrorMode(old_, nullptr); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    DWORD old_ = 0;
};

}  // namespace

// HKEY_DYN_DATA, served live: the processor load from GetSystemTimes, the file cache from
// GetPerformanceInfo.
class Win32System::Counters : public PerfStats {
public:
    explicit Counters(CpuLoadCounter::Clock clock) : PerfStats(&ReadCpu, std::move(clock), &CacheBytes) {}

private:
    static std::optional<CpuTimes> ReadCpu() {
        FILETIME idle{}, kernel{}, user{};
        if (!::GetSystemTimes(&idle, &kernel, &user)) return std::nullopt;
        // Kernel time includes the idle time; the busy part of it is counted as "system".
        CpuTimes t;
        t.field[0] = Ticks(user);
        t.field[2] = SubtractOrZero(Ticks(kernel), Ticks(idle));
        t.field[3] = Ticks(idle);
        return t;
    }
    static std::uint64_t CacheBytes() {
        PERFORMANCE_INFORMATION pi{};
        pi.cb = sizeof pi;
        if (!::GetPerformanceInfo(&pi, sizeof pi)) return 0;
        return static_cast<std::uint64_t>(pi.SystemCache) * static_cast<std::uint64_t>(pi.PageSize);
    }
};

Win32System::Win32System() : Win32System(Options{}) {}

Win32System::Win32System(Options options) : options_(std::move(options)) {
    counters_ = std::make_unique<Counters>(options_.clock);
    dynamic_.SetDynamicRoot(kDynData, counters_.get());
}

Win32System::~Win32System() {
    dynamic_.SetDynamicRoot(kDynData, nullptr);
    for (const auto& [ours, native] : keys_) ::RegCloseKey(static_cast<::HKEY>(native));
    if (instanceMutex_) ::CloseHandle(instanceMutex_);
}

MemoryStatus Win32System::GlobalMemoryStatus() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    if (!::GlobalMemoryStatusEx(&ms)) return {};
    MemoryStatus s;
    s.totalPhys = ms.ullTotalPhys;
    s.availPhys = ms.ullAvailPhys;
    // Windows reports the commit limit (memory plus page files) as its "page file"; the swap the
    // program shows is the page files alone.
    s.totalPageFile = SubtractOrZero(ms.ullTotalPageFile, ms.ullTotalPhys);
    s.availPageFile = std::min(ms.ullAvailPageFile, s.totalPageFile);
    // "Virtual" is what can be committed at all and what can still be committed: the commit limit
    // and what is left of it, not this process's address space.
    s.totalVirtual = ms.ullTotalPageFile;
    s.availVirtual = ms.ullAvailPageFile;
    return s;
}

std::optional<MemoryReading> Win32System::ReadMemory() {
    MEMORYSTATUSEX ms{};
    ms.dwLength = sizeof ms;
    PERFORMANCE_INFORMATION pi{};
    pi.cb = sizeof pi;
    if (!::GlobalMemoryStatusEx(&ms) || !::GetPerformanceInfo(&pi, sizeof pi)) return std::nullopt;
    const std::uint64_t cache = static_cast<std::uint64_t>(pi.SystemCache) * pi.PageSize;
    const std::uint64_t pageFile = SubtractOrZero(ms.ullTotalPageFile, ms.ullTotalPhys);
    const std::uint64_t pageFileFree = std::min(ms.ullAvailPageFile, pageFile);
    return MemoryReading{SubtractOrZero(ms.ullAvailPhys, cache), ms.ullAvailPhys, cache,
                         pageFile - pageFileFree};
}

// ---- drives -------------------------------------------------------------------------------------

std::vector<std::string> Win32System::Drives() {
    std::vector<std::string> drives;
    const DWORD mask = ::GetLogicalDrives();
    for (int i = 0; i < 26; ++i)
        if (mask & (1u << i)) drives.push_back(std::string{static_cast<char>('a' + i), ':'});
    return drives;
}

bool Win32System::DriveReady(const std::string& drive) {
    const auto root = DriveRoot(drive);
    if (!root) return false;
    const UINT type = ::GetDriveTypeW(root->c_str());
    if (type == DRIVE_NO_ROOT_DIR || type == DRIVE_UNKNOWN) return false;
    // A disc drive spinning up or a network share that does not answer can take far longer than
    // the page may wait: the question is asked on a thread of its own, and left to it after 1 s.
    auto answer = std::make_shared<std::promise<bool>>();
    std::future<bool> ready = answer->get_future();
    std::thread([answer, path = *root] {
        QuietErrors quiet;
        const DWORD attrs = ::GetFileAttributesW(path.c_str());
        answer->set_value(attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY));
    }).detach();
    return ready.wait_for(std::chrono::seconds(1)) == std::future_status::ready && ready.get();
}

std::optional<DriveSpace> Win32System::GetDiskFreeSpace(const std::string& drive) {
    const auto root = DriveRoot(drive);
    if (!root) return std::nullopt;
    QuietErrors quiet;
    ULARGE_INTEGER freeToUser{}, total{}, totalFree{};
    if (!::GetDiskFreeSpaceExW(root->c_str(), &freeToUser, &total, &totalFree)) return std::nullopt;
    return DriveSpace{total.QuadPart, freeToUser.QuadPart};
}

std::optional<VolumeInfo> Win32System::GetVolumeInformation(const std::string& drive) {
    const auto root = DriveRoot(drive);
    if (!root) return std::nullopt;
    QuietErrors quiet;
    wchar_t label[MAX_PATH + 1] = {}, fs[MAX_PATH + 1] = {};
    DWORD serial = 0, maxName = 0, flags = 0;
    if (!::GetVolumeInformationW(root->c_str(), label, MAX_PATH + 1, &serial, &maxName, &flags, fs, MAX_PATH + 1))
        return std::nullopt;
    return VolumeInfo{Utf8(label), Utf8(fs), serial};
}

// ---- processes ----------------------------------------------------------------------------------

std::vector<ProcessEntry> Win32System::ProcessSnapshot() {
    std::vector<ProcessEntry> list;
    HANDLE snap = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return list;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof pe;
    for (BOOL more = ::Process32FirstW(snap, &pe); more; more = ::Process32NextW(snap, &pe)) {
        ProcessEntry p;
        p.pid = pe.th32ProcessID;
        p.parentPid = pe.th32ParentProcessID;
        p.threads = pe.cntThreads;
        p.exeFile = Utf8(pe.szExeFile);
        // The full path where this user may ask for it; the name alone otherwise.
        if (HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID)) {
            wchar_t path[32768];
            DWORD len = static_cast<DWORD>(std::size(path));
            if (::QueryFullProcessImageNameW(h, 0, path, &len) && len > 0) p.exeFile = Utf8(std::wstring_view(path, len));
            ::CloseHandle(h);
        }
        list.push_back(std::move(p));
    }
    ::CloseHandle(snap);
    return list;
}

std::uint32_t Win32System::CurrentProcessId() { return ::GetCurrentProcessId(); }

bool Win32System::TerminateProcess(std::uint32_t pid) {
    // 0 is the idle process, never a program.
    if (pid == 0) return false;
    HANDLE h = ::OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!h) return false;
    // Exit code 0: whoever waits on the process sees an ordinary end, not a failure of its own.
    const bool ok = ::TerminateProcess(h, 0) != FALSE;
    ::CloseHandle(h);
    return ok;
}

}  // namespace platform
