// A host without a windowing system, for the tests: a virtual clock that fires due timers in order,
// a record of every tray, stacking and focus call, and scripted answers to message boxes, pop-up
// menus and modal windows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"

namespace host {

class ScriptedHost : public Host {
public:
    explicit ScriptedHost(forms::Application& app);
    ~ScriptedHost() override;

    // ---- the virtual clock --------------------------------------------------------------------
    std::int64_t now() const { return now_; }
    // Moves the clock forward, firing every timer that falls due, in time order (ties in the order
    // the timers were created). Timers re-armed by a handler count from the moment of re-arming.
    void Advance(std::int64_t ms);
    // Milliseconds until the timer next fires; -1 when it is not running.
    std::int64_t DueIn(const forms::Control& timer) const;
    bool Running(const forms::Control& timer) const { return DueIn(timer) >= 0; }

    // ---- scripts ------------------------------------------------------------------------------
    // Answers for the next message boxes, in order; vbOK when none is left.
    std::deque<int> msgBoxAnswers;
    struct MsgBoxCall { std::string prompt; int style; std::string title; };
    std::vector<MsgBoxCall> msgBoxes;
    // Runs while a message box is open (events go on under a modal box: a timer, a signal...).
    std::function<void(const MsgBoxCall&)> onMsgBox;

    // Runs while a pop-up menu is open; may click an item (item.userClick()), advance the clock, ...
    std::function<void(forms::MenuItem& menu, forms::MenuItem* defaultItem)> onPopupMenu;
    struct PopupCall { forms::MenuItem* menu; forms::MenuItem* defaultItem; };
    std::vector<PopupCall> popups;

    // Runs while a modal form is shown; the form stays modal until it is hidden or unloaded.
    std::function<void(forms::Form&)> onModal;

    // Runs inside DoEvents: stands for whatever events were pending.
    std::function<void()> onDoEvents;
    int doEventsCount = 0;

    // RunAside runs `onRunAside` (the events served meanwhile) and then the work, on this thread;
    // Quit, also from within the work, requests the work's stop.
    std::function<void()> onRunAside;
    int runAsideCount = 0;
    std::vector<forms::Form*> painted;  // PaintNow calls (they serve no events here)

    // ---- records ------------------------------------------------------------------------------
    struct TrayCall { int message; NotifyIconData data; };
    std::vector<TrayCall> trayCalls;
    bool trayIconPresent = false;
    forms::Picture trayIcon;
    std::string trayTip;
    bool trayAvailable = true;

    struct WindowPosCall { forms::Form* form; int insertAfter; int x, y, cx, cy; unsigned flags; };
    std::vector<WindowPosCall> windowPos;
    std::vector<forms::Control*> focusCalls;
    std::vector<forms::Form*> drags;
    std::vector<int> mousePointers;  // every pointer set, in order
    bool quitCalled = false;
    int exitCode = 0;
    // Later starts: hosts listening on a channel, found by hosts of other runs in the same test.
    std::string listeningOn;                 // the channel this host listens on, if any
    std::vector<std::string> sentRequests;   // what SendToRunningInstance sent
    std::vector<forms::Form*> activations;   // ActivateWindow calls
    int screenWidth = 1024 * 15;
    int screenHeight = 768 * 15;
    std::vector<ScreenRect> screens;  // empty: the one screen of screenWidth x screenHeight

    // ---- Host ---------------------------------------------------------------------------------
    int Run() override;
    void Quit(int exitCode) override;
    void DoEvents() override;
    void PaintNow(forms::Form& form) override;
    void RunAside(const std::function<void(std::stop_token)>& work) override;
    int MsgBox(const std::string& prompt, int style, const std::string& title) override;
    void PopupMenu(forms::Form& owner, forms::MenuItem& menu, forms::MenuItem* defaultItem) override;
    int ScreenWidth() override { return screenWidth; }
    int ScreenHeight() override { return screenHeight; }
    int TwipsPerPixelX() override { return 15; }
    int TwipsPerPixelY() override { return 15; }
    std::vector<ScreenRect> Screens() override { return screens.empty() ? Host::Screens() : screens; }
    void SetMousePointer(int pointer) override { mousePointers.push_back(pointer); }
    void BeginWindowDrag(forms::Form& form) override { drags.push_back(&form); }
    void SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) override;
    bool SetFocus(forms::Control& control) override;
    bool ShellNotifyIcon(int message, const NotifyIconData& data) override;
    bool TrayAvailable() override { return trayAvailable; }
    bool ListenForLaterStarts(const std::string& channel) override;
    std::optional<std::string> SendToRunningInstance(const std::string& channel, const std::string& request) override;
    void ActivateWindow(forms::Form& form) override { activations.push_back(&form); }

    // ---- forms::Observer ----------------------------------------------------------------------
    void formLoaded(forms::Form& form) override;
    void formUnloaded(forms::Form& form) override;
    void formDestroyed(forms::Form& form) override;
    void controlAdded(forms::Control& control) override;
    void controlChanged(forms::Control& control, forms::Prop prop) override;

private:
    struct TimerState { std::int64_t due = -1; std::uint64_t order = 0; };
    void rearm(forms::Control& timer);
    void forgetTimers(const forms::Form& form);

    forms::Application& app_;
    std::int64_t now_ = 0;
    std::uint64_t nextOrder_ = 0;
    std::map<forms::Control*, TimerState> timers_;
    std::stop_source asideStop_;
};

}  // namespace host
