// The notification-area icon: the classic add/modify/delete record handed to Shell_NotifyIcon, and
// its mouse messages handed back to the program.
#include "host/win32/win32_host_impl.h"

namespace win32host {

bool Win32Host::Impl::trayAvailable() const { return ::FindWindowW(L"Shell_TrayWnd", nullptr) != nullptr; }

bool Win32Host::Impl::shellNotifyIcon(int message, const host::NotifyIconData& data) {
    if (message == model::kDelete) {
        if (!trayAdded) return false;
        trayAdded = false;
        trayOwner = nullptr;
        return ::Shell_NotifyIconW(NIM_DELETE, &tray) != FALSE;
    }
    if (message != model::kAdd && message != model::kModify) return false;
    if (message == model::kModify && !trayAdded) return false;
    if (message == model::kAdd && trayAdded) return false;  // one icon, as the shell keeps it
    tray.cbSize = sizeof tray;
    tray.hWnd = messageWindow;
    tray.uID = data.id;
    tray.uFlags = 0;
    if (data.flags & model::kMessage) {
        tray.uFlags |= NIF_MESSAGE;
        tray.uCallbackMessage = kTrayMessage;
    }
    if (data.flags & model::kIcon) {
        tray.uFlags |= NIF_ICON;
        tray.hIcon = iconFor(data.icon, ::GetSystemMetrics(SM_CXSMICON));
    }
    if (data.flags & model::kTip) {
        tray.uFlags |= NIF_TIP;
        const std::wstring tip = W(data.tipText());
        const std::size_t n = std::min(tip.size(), std::size(tray.szTip) - 1);
        std::copy_n(tip.begin(), n, tray.szTip);
        tray.szTip[n] = L'\0';
    }
    trayOwner = data.window;
    if (message == model::kAdd) {
        trayAdded = ::Shell_NotifyIconW(NIM_ADD, &tray) != FALSE;
        return trayAdded;
    }
    return ::Shell_NotifyIconW(NIM_MODIFY, &tray) != FALSE;
}

void Win32Host::Impl::trayActivated(UINT mouseMessage) {
    // The program knows the classic mouse messages; the shell delivers exactly those.
    if (host.TrayMouse) host.TrayMouse(static_cast<int>(mouseMessage));
}

}  // namespace win32host
