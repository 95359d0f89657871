// Win32System: the shell, the recycle bin, the desktop extras, restarting Windows and the instance
// lock.
#include "platform/win32/win32_system.h"

// Named before <windows.h> turns the name into a native macro.
namespace {
constexpr platform::HKEY kCurrentUser = platform::HKEY_CURRENT_USER;
}  // namespace

#include "platform/win32/windows_api.h"

#include "platform/win32/files.h"

namespace platform {

namespace {

using win32_impl::Wide;

HWND TrayWindow() { return ::FindWindowW(L"Shell_TrayWnd", nullptr); }

bool ShowShellWindow(HWND w, bool show) {
    if (!w) return false;
    ::ShowWindow(w, show ? SW_SHOW : SW_HIDE);
    return true;
}

// ExitWindowsEx needs the shutdown privilege, which every interactive user holds but no process has
// switched on.
bool EnableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool ok = ::LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid) &&
              ::AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) && ::GetLastError() == ERROR_SUCCESS;
    ::CloseHandle(token);
    return ok;
}

}  // namespace

bool Win32System::ShellExecute(const std::string& file) {
    if (file.empty()) return false;
    const HINSTANCE rc = ::ShellExecuteW(nullptr, L"open", Wide(file).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(rc) > 32;
}

bool Win32System::EmptyRecycleBin() {
    const HRESULT hr = ::SHEmptyRecycleBinW(nullptr, nullptr, SHERB_NOCONFIRMATION | SHERB_NOPROGRESSUI | SHERB_NOSOUND);
    // An empty bin answers E_UNEXPECTED on some versions: there was nothing to do, which is success.
    return SUCCEEDED(hr) || hr == E_UNEXPECTED;
}

std::uint64_t Win32System::RecycleBinItems() {
    SHQUERYRBINFO info{};
    info.cbSize = sizeof info;
    if (FAILED(::SHQueryRecycleBinW(nullptr, &info))) return 0;
    return info.i64NumItems > 0 ? static_cast<std::uint64_t>(info.i64NumItems) : 0;
}

namespace {

// A screen saver starts only when one is chosen and switched on; with "(None)" chosen the
// request is silently dropped, so the item is not offered.
bool ScreenSaverChosen(System& sys) {
    BOOL active = FALSE;
    if (!::SystemParametersInfoW(SPI_GETSCREENSAVEACTIVE, 0, &active, 0) || !active) return false;
    platform::HKEY key = 0;
    if (sys.RegOpenKey(kCurrentUser, "Control Panel\\Desktop", key) != ERROR_SUCCESS) return false;
    char saver[MAX_PATH] = {};
    std::uint32_t size = sizeof saver - 1;
    const long rc = sys.RegQueryValueEx(key, "SCRNSAVE.EXE", nullptr, reinterpret_cast<std::uint8_t*>(saver), &size);
    sys.RegCloseKey(key);
    return rc == ERROR_SUCCESS && saver[0] != '\0';
}

}  // namespace

ExtrasAvailability Win32System::AvailableExtras() {
    const HWND tray = TrayWindow();
    ExtrasAvailability a;
    a.desktopIcons = ::FindWindowW(L"Progman", nullptr) != nullptr;
    a.taskbar = tray != nullptr;
    a.startButton = tray && ::FindWindowExW(tray, nullptr, L"Button", nullptr) != nullptr;
    a.screenSaver = ScreenSaverChosen(*this);
    a.recycleBin = true;
    a.minimizeAll = tray != nullptr;
    a.restart = true;
    a.shutDown = true;
    return a;
}

bool Win32System::Desktop(DesktopAction action) {
    switch (action) {
        case DesktopAction::HideDesktopIcons: return ShowShellWindow(::FindWindowW(L"Progman", nullptr), false);
        case DesktopAction::ShowDesktopIcons: return ShowShellWindow(::FindWindowW(L"Progman", nullptr), true);
        case DesktopAction::HideTaskbar: return ShowShellWindow(TrayWindow(), false);
        case DesktopAction::ShowTaskbar: return ShowShellWindow(TrayWindow(), true);
        case DesktopAction::DisableStartButton:
        case DesktopAction::EnableStartButton: {
            const HWND tray = TrayWindow();
            const HWND start = tray ? ::FindWindowExW(tray, nullptr, L"Button", nullptr) : nullptr;
            if (!start) return false;
            ::EnableWindow(start, action == DesktopAction::EnableStartButton);
            return true;
        }
        case DesktopAction::RunScreenSaver:
            // Posted, not sent: the desktop window must not hold up this program's thread.
            return ::PostMessageW(::GetDesktopWindow(), WM_SYSCOMMAND, SC_SCREENSAVE, 0) != FALSE;
        case DesktopAction::MinimizeAll: {
            const HWND tray = TrayWindow();
            constexpr WPARAM kMinimizeAll = 419;  // the taskbar's own "minimise all windows" command
            return tray && ::PostMessageW(tray, WM_COMMAND, kMinimizeAll, 0) != FALSE;
        }
    }
    return false;
}

bool Win32System::ExitWindows(ExitWindowsMode mode) {
    EnableShutdownPrivilege();
    const UINT how = mode == ExitWindowsMode::Restart ? EWX_REBOOT : (EWX_SHUTDOWN | EWX_POWEROFF);
    return ::ExitWindowsEx(how, SHTDN_REASON_MAJOR_APPLICATION | SHTDN_REASON_FLAG_PLANNED) != FALSE;
}

bool Win32System::PrevInstance() {
    if (instanceMutex_) return false;  // this process holds the lock
    // "Local\": one instance per user session. The mutex dies with the process, so a crash never
    // leaves a stale lock behind.
    const std::wstring name =
        L"Local\\" + Wide(options_.instanceName.empty() ? std::string("TALVO.Tarnolux") : options_.instanceName);
    HANDLE m = ::CreateMutexW(nullptr, FALSE, name.c_str());
    if (!m) return ::GetLastError() == ERROR_ACCESS_DENIED;  // another user's object of that name: held
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        ::CloseHandle(m);
        return true;
    }
    instanceMutex_ = m;
    return false;
}

std::string Win32System::InstanceChannel() {
    // Beside the mutex, one per user session: a pipe of that name reaches this session's instance.
    DWORD session = 0;
    ::ProcessIdToSessionId(::GetCurrentProcessId(), &session);
    return "\\\\.\\pipe\\" + (options_.instanceName.empty() ? std::string("TALVO.Tarnolux") : options_.instanceName) +
           "." + std::to_string(session);
}

}  // namespace platform
