// A look inside the Win32 host, for its tests: the window that mirrors a form, the tray record.
#pragma once

#include "host/win32/win32_host_impl.h"

namespace win32host {

struct Win32HostAccess {
    static HWND window(Win32Host& host, const forms::Form& f) {
        FormView* v = host.d->viewOf(f);
        return v ? v->window : nullptr;
    }
    static HWND messageWindow(Win32Host& host) { return host.d->messageWindow; }
    static const NOTIFYICONDATAW& trayRecord(Win32Host& host) { return host.d->tray; }
};

}  // namespace win32host
