#include "platform/linux/x11_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace platform::linux_impl {

namespace {

// Windows come and go between asking for them and acting on them; the errors that follow are
// expected and must not end the program, as Xlib's default handler would.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

class ErrorTrap {
public:
    explicit ErrorTrap(Display* d) : d_(d), old_(XSetErrorHandler(IgnoreError)) {}
    ~ErrorTrap() {
        XSync(d_, False);
        XSetErrorHandler(old_);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

private:
    Display* d_;
    int (*old_)(Display*, XErrorEvent*);
};

// Xlib ends the process when a connection breaks. For the extras' own connection that is not its
// place: the toolkit's connection to the same display breaks as well, and the toolkit ends the
// program after saving. The thread the extras' connection broke on waits out that end instead.
std::mutex g_ownMutex;
std::vector<Display*> g_own;
XIOErrorHandler g_previous = nullptr;

int OnBrokenConnection(Display* d) {
    {
        const std::lock_guard lock(g_ownMutex);
        if (std::find(g_own.begin(), g_own.end(), d) == g_own.end()) return g_previous(d);
    }
    for (;;) std::this_thread::sleep_for(std::chrono::hours(1));
}

void Own(Display* d, bool own) {
    const std::lock_guard lock(g_ownMutex);
    if (!own) {
        g_own.erase(std::remove(g_own.begin(), g_own.end(), d), g_own.end());
        return;
    }
    g_own.push_back(d);
    if (const XIOErrorHandler previous = XSetIOErrorHandler(OnBrokenConnection); previous != OnBrokenConnection)
        g_previous = previous;
}

std::vector<unsigned long> Property32(Display* d, Window w, Atom property, Atom type) {
    std::vector<unsigned long> out;
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, property, 0, 1024, False, type, &actualType, &format, &count, &after, &data) ==
            Success &&
        data && format == 32) {
        const auto* values = reinterpret_cast<const unsigned long*>(data);  // Xlib widens format 32 to long
        out.assign(values, values + count);
    }
    if (data) XFree(data);
    return out;
}

std::vector<Window> Children(Display* d, Window w) {
    Window root = None, parent = None;
    Window* kids = nullptr;
    unsigned int n = 0;
    std::vector<Window> out;
    if (XQueryTree(d, w, &root, &parent, &kids, &n) && kids) out.assign(kids, kids + n);
    if (kids) XFree(kids);
    return out;
}

// The windows of a kind: the top-level ones (where hidden windows are), the ones a window manager
// has put in frames one level down, and the ones it lists as managed.
std::vector<Window> WindowsOf(Display* d, X11Desktop::Kind kind) {
    const Atom typeProp = XInternAtom(d, "_NET_WM_WINDOW_TYPE", False);
    const Atom wanted = XInternAtom(
        d, kind == X11Desktop::Kind::Desktop ? "_NET_WM_WINDOW_TYPE_DESKTOP" : "_NET_WM_WINDOW_TYPE_DOCK", False);
    const Window root = DefaultRootWindow(d);
    std::vector<Window> candidates;
    for (Window top : Children(d, root)) {
        candidates.push_back(top);
        for (Window inner : Children(d, top)) candidates.push_back(inner);
    }
    for (unsigned long w : Property32(d, root, XInternAtom(d, "_NET_CLIENT_LIST", False), XA_WINDOW))
        candidates.push_back(static_cast<Window>(w));
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    std::vector<Window> out;
    for (Window w : candidates) {
        const std::vector<unsigned long> types = Property32(d, w, typeProp, XA_ATOM);
        if (std::find(types.begin(), types.end(), wanted) != types.end()) out.push_back(w);
    }
    return out;
}

}  // namespace

X11Desktop::X11Desktop(std::string display) : name_(std::move(display)) {}

X11Desktop::~X11Desktop() {
    if (!dpy_) return;
    XCloseDisplay(dpy_);
    Own(dpy_, false);
}

_XDisplay* X11Desktop::Connection() {
    if (!tried_) {
        tried_ = true;
        dpy_ = XOpenDisplay(name_.empty() ? nullptr : name_.c_str());
        if (dpy_) Own(dpy_, true);
    }
    return dpy_;
}

bool X11Desktop::Has(Kind kind) {
    Display* d = Connection();
    if (!d) return false;
    ErrorTrap trap(d);
    return !WindowsOf(d, kind).empty();
}

bool X11Desktop::SetShown(Kind kind, bool shown) {
    Display* d = Connection();
    if (!d) return false;
    ErrorTrap trap(d);
    const std::vector<Window> windows = WindowsOf(d, kind);
    for (Window w : windows) {
        XWindowAttributes a{};
        if (!XGetWindowAttributes(d, w, &a)) continue;
        if (shown) {
            if (a.map_state == IsUnmapped) XMapWindow(d, w);
        } else if (a.map_state != IsUnmapped) {
            // Withdrawn as a client withdraws itself, so a window manager lets go of it too.
            XWithdrawWindow(d, w, XScreenNumberOfScreen(a.screen));
        }
    }
    XFlush(d);
    return !windows.empty();
}

bool X11Desktop::CanShowDesktop() {
    Display* d = Connection();
    if (!d) return false;
    ErrorTrap trap(d);
    const Atom showing = XInternAtom(d, "_NET_SHOWING_DESKTOP", False);
    const std::vector<unsigned long> supported =
        Property32(d, DefaultRootWindow(d), XInternAtom(d, "_NET_SUPPORTED", False), XA_ATOM);
    return std::find(supported.begin(), supported.end(), showing) != supported.end();
}

bool X11Desktop::ShowDesktop() {
    Display* d = Connection();
    if (!d) return false;
    ErrorTrap trap(d);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = DefaultRootWindow(d);
    e.xclient.message_type = XInternAtom(d, "_NET_SHOWING_DESKTOP", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = 1;
    const bool sent = XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XFlush(d);
    return sent;
}

}  // namespace platform::linux_impl
