// The desktop services the extras reach over D-Bus: the screen saver on the session bus and logind
// on the system bus. Requests are sent and not waited for; only the presence checks wait, briefly.
#pragma once

#include <memory>
#include <string>

namespace platform::linux_impl {

class DesktopBus {
public:
    // Addresses as D-Bus writes them; empty means the usual place (the environment, then
    // $XDG_RUNTIME_DIR/bus for the session, the well-known socket for the system). A session bus is
    // never launched on demand.
    DesktopBus(std::string sessionAddress, std::string systemAddress);
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;

    bool HasScreenSaver();
    bool ActivateScreenSaver();  // org.freedesktop.ScreenSaver.SetActive(true)
    bool HasLogin();
    // logind's Reboot or PowerOff, interactive: the desktop's policy may ask for a password.
    bool Reboot();
    bool PowerOff();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::linux_impl
