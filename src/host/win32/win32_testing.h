// A look inside the Win32 host, for its tests: the windows that mirror a form and its controls,
// the tray record.
#pragma once

#include "host/win32/win32_host_impl.h"

namespace win32host {

struct Win32HostAccess {
    static HWND window(Win32Host& host, const forms::Form& f) {
        FormView* v = host.d->viewOf(f);
        return v ? v->window : nullptr;
    }
    static HWND messageWindow(Win32Host& host) { return host.d->messageWindow; }
    static HWND widget(Win32Host& host, const forms::Control& c) {
        ControlView* v = host.d->viewOf(c);
        return v ? v->widget : nullptr;
    }
    static UINT dpi(Win32Host& host) { return host.d->dpi; }
    static const NOTIFYICONDATAW& trayRecord(Win32Host& host) { return host.d->tray; }
};

}  // namespace win32host
