// The native Windows host: a window per form, native child windows for the controls (owner-drawn
// where the forms toolkit's look needs it), SetTimer timers, the notification-area icon, pop-up menus
// and message boxes. No Win32 type shows through this header.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "host/host.h"

namespace win32host {

class Win32Host : public host::Host {
public:
    Win32Host(forms::Application& app, int& argc, char** argv);
    ~Win32Host() override;
    Win32Host(const Win32Host&) = delete;
    Win32Host& operator=(const Win32Host&) = delete;

    int Run() override;
    void Quit(int exitCode) override;
    void DoEvents() override;
    void PaintNow(forms::Form& form) override;
    void RunAside(const std::function<void(std::stop_token)>& work) override;
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void PopupMenu(forms::Form& owner, forms::MenuItem& menu, forms::MenuItem* defaultItem) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    int TwipsPerPixelX() override;
    int TwipsPerPixelY() override;
    std::vector<host::ScreenRect> Screens() override;
    void SetMousePointer(int pointer) override;
    void BeginWindowDrag(forms::Form& form) override;
    void SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) override;
    bool SetFocus(forms::Control& control) override;
    bool ShellNotifyIcon(int message, const host::NotifyIconData& data) override;
    bool TrayAvailable() override;
    bool ListenForLaterStarts(const std::string& channel) override;
    std::optional<std::string> SendToRunningInstance(const std::string& channel, const std::string& request) override;
    void ActivateWindow(forms::Form& form) override;

    // forms::Observer
    void formLoaded(forms::Form& form) override;
    void formUnloaded(forms::Form& form) override;
    void formDestroyed(forms::Form& form) override;
    void formChanged(forms::Form& form, forms::Prop prop) override;
    void controlAdded(forms::Control& control) override;
    void controlChanged(forms::Control& control, forms::Prop prop) override;

    struct Impl;

private:
    friend struct Win32HostAccess;
    forms::Application& app_;
    std::unique_ptr<Impl> d;
};

// A program built for the window subsystem has no console; text for the command line (--version)
// goes to the console of whoever started it, when there is one.
void AttachParentConsole();

// Writes `text` where the user who started the program reads it: into the file or pipe its output
// was sent to, else into the console it was started from, as UTF-16 so that every character shows
// there. The console is let go again at once: a program that stays in the notification area must
// not end with the window it was started from.
void TellStarter(const std::string& text, bool error);

}  // namespace win32host
