// The Qt host: real widgets for the forms model, Qt timers, the tray icon, menus and message boxes.
#pragma once

#include <memory>

#include "host/host.h"

namespace qthost {

class QtHost : public host::Host {
public:
    QtHost(forms::Application& app, int& argc, char** argv);
    ~QtHost() override;

    int Run() override;
    void Quit(int exitCode) override;
    void DoEvents() override;
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void PopupMenu(forms::Form& owner, forms::MenuItem& menu, forms::MenuItem* defaultItem) override;
    int ScreenWidth() override;
    int ScreenHeight() override;
    int TwipsPerPixelX() override;
    int TwipsPerPixelY() override;
    void SetMousePointer(int pointer) override;
    void BeginWindowDrag(forms::Form& form) override;
    void SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) override;
    bool SetFocus(forms::Control& control) override;
    bool ShellNotifyIcon(int message, const host::NotifyIconData& data) override;
    bool TrayAvailable() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace qthost
