// The desktop and panel windows of an X11 desktop, found by their EWMH window types, and the
// window manager's "show the desktop" mode. The one place that speaks Xlib. A connection that
// breaks holds the thread it broke on, for good, rather than ending the process.
#pragma once

#include <string>

struct _XDisplay;

namespace platform::linux_impl {

class X11Desktop {
public:
    enum class Kind { Desktop, Dock };

    // `display` as for XOpenDisplay; empty means $DISPLAY. Connects on first use.
    explicit X11Desktop(std::string display);
    ~X11Desktop();
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    // Whether a window of this kind exists, shown or hidden.
    bool Has(Kind kind);
    // Unmaps (hides) or maps (shows) every window of this kind; false when there is none.
    bool SetShown(Kind kind, bool shown);
    // Whether the window manager offers _NET_SHOWING_DESKTOP, and asking it to show the desktop.
    bool CanShowDesktop();
    bool ShowDesktop();

private:
    _XDisplay* Connection();

    std::string name_;
    _XDisplay* dpy_ = nullptr;
    bool tried_ = false;
};

}  // namespace platform::linux_impl
