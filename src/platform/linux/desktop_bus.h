// The desktop services reached over D-Bus: the screen saver and the notification server on the
// session bus, logind on the system bus. All bus work happens on a thread of its own, and every
// connection and call there has a time limit: a bus that accepts and never answers holds nobody.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace platform::linux_impl {

class DesktopBus {
public:
    // Addresses as D-Bus writes them; empty means the usual place (the environment, then
    // $XDG_RUNTIME_DIR/bus for the session, the well-known socket for the system). A session bus is
    // never launched on demand. `limit` bounds each connection's setup and each call. `icon` finds
    // the notices' icon name; it looks at files, so it runs aside, once.
    DesktopBus(std::string sessionAddress, std::string systemAddress, std::chrono::milliseconds limit,
               std::function<std::string()> icon);
    // Gives what was sent until Stop's deadline (half a second when Stop was not called) to go out.
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;

    // Whether the screen saver and logind had an owner on their buses at the latest answer; false
    // until an answer is in, and when the bus did not answer in time.
    struct Presence {
        bool screenSaver;
        bool login;
    };
    Presence Known() const;
    // Asks both buses again; the answers replace what Known gives when they come.
    void Refresh();

    // Requests go out without waiting for their fate; false only when surely nobody listens on that
    // bus (no address, or a socket address whose socket is not there).
    bool ActivateScreenSaver();  // org.freedesktop.ScreenSaver.SetActive(true)
    // logind's Reboot or PowerOff, interactive: the desktop's policy may ask for a password.
    bool Reboot();
    bool PowerOff();
    // A desktop notification that replaces this program's previous one (by the id its server gave).
    bool Notify(const std::string& summary, const std::string& body);

    // Lets what was asked so far go out until `deadline`, then gives up on the rest.
    void Stop(std::chrono::steady_clock::time_point deadline);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::linux_impl
