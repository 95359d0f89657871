#include "x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

namespace xtest {

namespace {
::Display* D(void* p) { return static_cast<::Display*>(p); }
}  // namespace

Display::Display(const std::string& name) : dpy_(XOpenDisplay(name.c_str())) {}

Display::~Display() {
    if (dpy_) XCloseDisplay(D(dpy_));
}

unsigned long Display::Make(const std::string& type) {
    ::Display* d = D(dpy_);
    const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 20, 0, 0, 0);
    if (!type.empty()) {
        const Atom t = XInternAtom(d, type.c_str(), False);
        XChangeProperty(d, w, XInternAtom(d, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&t), 1);
    }
    XMapWindow(d, w);
    XSync(d, False);
    return w;
}

bool Display::Mapped(unsigned long window) {
    ::Display* d = D(dpy_);
    XSync(d, False);
    XWindowAttributes a{};
    XGetWindowAttributes(d, window, &a);
    return a.map_state != IsUnmapped;
}

void Display::OfferShowingDesktop() {
    ::Display* d = D(dpy_);
    const Window root = DefaultRootWindow(d);
    const Atom showing = XInternAtom(d, "_NET_SHOWING_DESKTOP", False);
    XChangeProperty(d, root, XInternAtom(d, "_NET_SUPPORTED", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&showing), 1);
    XSelectInput(d, root, SubstructureRedirectMask);
    XSync(d, False);
}

bool Display::ShowingDesktopAsked() {
    ::Display* d = D(dpy_);
    const Atom showing = XInternAtom(d, "_NET_SHOWING_DESKTOP", False);
    for (int tries = 0; tries < 200; ++tries) {
        while (XPending(d)) {
            XEvent e{};
            XNextEvent(d, &e);
            if (e.type == ClientMessage && e.xclient.message_type == showing && e.xclient.data.l[0] == 1) return true;
        }
        ::usleep(5000);
    }
    return false;
}

}  // namespace xtest
