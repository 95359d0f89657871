// Windows a test makes on its own X display, kept apart from gtest: Xlib's macros clash with it.
#pragma once

#include <string>

namespace xtest {

class Display {
public:
    explicit Display(const std::string& name);
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;
    bool ok() const { return dpy_ != nullptr; }

    // A mapped top-level window with this _NET_WM_WINDOW_TYPE (none when empty).
    unsigned long Make(const std::string& type);
    bool Mapped(unsigned long window);
    // Plays the window manager: announces _NET_SHOWING_DESKTOP and listens for requests to it.
    void OfferShowingDesktop();
    // Whether a request to show the desktop arrived within about a second.
    bool ShowingDesktopAsked();

private:
    void* dpy_ = nullptr;
};

}  // namespace xtest
