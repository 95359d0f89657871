// The notification-area icon: the classic add/modify/delete record handed to Shell_NotifyIcon, and
// its mouse messages handed back to the program.
#include "host/win32/win32_host_impl.h"

namespace win32host {

namespace {

// As much of `text` as the record's field holds, with its terminating 0, never half a character.
template <std::size_t N>
void CopyWhole(const std::wstring& text, wchar_t (&field)[N]) {
    std::size_t n = std::min(text.size(), N - 1);
    if (n < text.size() && text[n - 1] >= 0xD800 && text[n - 1] < 0xDC00) --n;  // n is N - 1 here
    std::copy_n(text.begin(), n, field);
    field[n] = L'\0';
}

}  // namespace

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
        CopyWhole(W(data.tipText()), tray.szTip);
    }
    if (data.flags & model::kInfo) {
        // Each balloon takes the place of the one before; the program plays its own sound.
        tray.uFlags |= NIF_INFO;
        tray.dwInfoFlags = NIIF_INFO | NIIF_NOSOUND;
        CopyWhole(W(data.infoTitle), tray.szInfoTitle);
        CopyWhole(W(data.info), tray.szInfo);
    }
    trayOwner = data.window;
    const bool ok = ::Shell_NotifyIconW(message == model::kAdd ? NIM_ADD : NIM_MODIFY, &tray) != FALSE;
    if (message == model::kAdd) trayAdded = ok;
    tray.uFlags &= ~static_cast<UINT>(NIF_INFO);  // shown once, not again when Explorer restarts
    return ok;
}

void Win32Host::Impl::trayActivated(UINT mouseMessage) {
    // The program knows the classic mouse messages; the shell delivers exactly those.
    if (host.TrayMouse) host.TrayMouse(static_cast<int>(mouseMessage));
}

}  // namespace win32host
