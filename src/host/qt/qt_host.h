// The Qt host: real widgets for the forms model, Qt timers, the tray icon, menus and message boxes,
// and an orderly end on SIGTERM, SIGINT and SIGHUP. No Qt type shows through this header.
#pragma once

#include <memory>

#include "host/host.h"

namespace qthost {

class QtHost : public host::Host {
public:
    // Creates the QApplication unless one exists already.
    QtHost(forms::Application& app, int& argc, char** argv);
    ~QtHost() override;
    QtHost(const QtHost&) = delete;
    QtHost& operator=(const QtHost&) = delete;

    int Run() override;
    void Quit(int exitCode) override;
    void DoEvents() override;
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

    // forms::Observer
    void formLoaded(forms::Form& form) override;
    void formUnloaded(forms::Form& form) override;
    void formDestroyed(forms::Form& form) override;
    void formChanged(forms::Form& form, forms::Prop prop) override;
    void controlAdded(forms::Control& control) override;
    void controlChanged(forms::Control& control, forms::Prop prop) override;

    struct Impl;

private:
    friend struct QtHostAccess;
    forms::Application& app_;
    std::unique_ptr<Impl> d;
};

}  // namespace qthost
