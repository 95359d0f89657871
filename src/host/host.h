// What needs a real windowing system: timers, pending events, modal boxes, pop-up menus, the tray
// icon, window dragging and stacking, and the end of the program. The Qt host drives real widgets;
// the scripted host drives the tests with a virtual clock. Both mirror the forms model by observing
// it (forms::Observer), and run its timers.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <stop_token>
#include <optional>
#include <string>
#include <utility>
#include <string_view>
#include <vector>

#include "forms/forms.h"

namespace host {

// Message box styles and answers, as the toolkit numbers them.
inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbYesNo = 4;
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

// Mouse pointers.
inline constexpr int vbDefault = 0;
inline constexpr int vbHourglass = 11;

// Stacking requests of SetWindowPos.
inline constexpr int HWND_TOPMOST = -1;
inline constexpr int HWND_NOTOPMOST = -2;
inline constexpr unsigned SWP_SHOWWINDOW = 0x40;
inline constexpr unsigned SWP_NOACTIVATE = 0x10;

// The notification-area record: one icon, addressed by the main window and identifier 0.
inline constexpr int NIM_ADD = 0;
inline constexpr int NIM_MODIFY = 1;
inline constexpr int NIM_DELETE = 2;
inline constexpr unsigned NIF_MESSAGE = 1;
inline constexpr unsigned NIF_ICON = 2;
inline constexpr unsigned NIF_TIP = 4;
inline constexpr unsigned NIF_INFO = 0x10;
struct NotifyIconData {
    forms::Form* window = nullptr;
    unsigned id = 0;
    unsigned flags = NIF_MESSAGE;
    unsigned callbackMessage = 0x200;
    forms::Picture icon;
    // The tip holds 63 characters and a terminating 0, as the classic record does; characters are
    // UTF-8 here, so the room is counted in bytes of up to four per character.
    static constexpr std::size_t kTipCharacters = 64;
    std::array<char, kTipCharacters * 4> tip{};
    std::string tipText() const;  // the bytes up to the first NUL
    // With NIF_INFO: a balloon from the icon, which takes the place of the one before. A host whose
    // desktop shows notices another way may ignore it.
    std::string infoTitle, info;
};

// One monitor's part of the desktop, in twips; the primary monitor starts at 0, 0.
struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
};

// What a listening host sends while a later start's request is still being carried out.
inline constexpr std::string_view kStillWorking = "working";

// Mouse messages the tray icon delivers.
inline constexpr int WM_LBUTTONDBLCLK = 0x203;
inline constexpr int WM_RBUTTONDOWN = 0x204;

class Host : public forms::Observer {
public:
    ~Host() override = default;

    // Runs the event loop until Quit; returns the exit code.
    virtual int Run() = 0;
    // Ends the event loop with the given exit code.
    virtual void Quit(int exitCode) = 0;

    // Processes the events that are pending now (timer ticks, clicks, painting), once.
    virtual void DoEvents() = 0;

    // Returns once `form`, just shown, has been mapped and painted by the window system, serving
    // events meanwhile; gives up after a short while when the window never shows.
    virtual void PaintNow(forms::Form& form) {
        (void)form;
        DoEvents();
    }

    // Runs `work` off the user-interface thread while this thread keeps serving events (painting,
    // timers, input), and returns when `work` has finished. When the program is ending (Quit) the
    // stop of `work` is requested; the call still returns only once `work` has finished. A host
    // without threads runs it here.
    virtual void RunAside(const std::function<void(std::stop_token)>& work) { work(std::stop_token{}); }

    // A modal message box; returns the answer (vbOK, vbYes, ...).
    virtual int MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
    // The captions of the message boxes' buttons by answer, in the program's language, "&" before
    // the access key; a button without one keeps the toolkit's caption.
    void SetButtonTexts(std::map<int, std::string> texts) { buttonTexts_ = std::move(texts); }
    const std::map<int, std::string>& ButtonTexts() const { return buttonTexts_; }

    // Pops `menu`'s children up at the pointer, modally; returns when the menu has closed (after
    // the chosen item's Click has run). `defaultItem` is drawn bold.
    virtual void PopupMenu(forms::Form& owner, forms::MenuItem& menu, forms::MenuItem* defaultItem) = 0;

    // Screen size in twips and the twips per pixel.
    virtual int ScreenWidth() = 0;
    virtual int ScreenHeight() = 0;
    virtual int TwipsPerPixelX() = 0;
    virtual int TwipsPerPixelY() = 0;
    // Every monitor's rectangle; by default the one screen ScreenWidth and ScreenHeight describe.
    virtual std::vector<ScreenRect> Screens();

    // The mouse pointer over the program's windows (vbDefault, vbHourglass).
    virtual void SetMousePointer(int pointer) = 0;

    // Lets the window manager move `form` with the pointer, as if its caption bar were dragged.
    virtual void BeginWindowDrag(forms::Form& form) = 0;

    // Stacking and placement in pixels, shown without activation (flags SWP_SHOWWINDOW|SWP_NOACTIVATE).
    virtual void SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) = 0;

    // Gives the keyboard focus to a control; false when it cannot take it (hidden window, ...).
    virtual bool SetFocus(forms::Control& control) = 0;

    // The notification area. Mouse notifications arrive through TrayMouse.
    virtual bool ShellNotifyIcon(int message, const NotifyIconData& data) = 0;
    std::function<void(int mouseMessage)> TrayMouse;
    // False where no notification area exists (hiding to it would leave the program unreachable).
    virtual bool TrayAvailable() = 0;

    // Later starts of the program reach the running one through a local channel beside the instance
    // lock. Listen is called by the instance that holds the lock, so whatever is left at `channel`
    // comes from one that crashed and is replaced. Each request is one line of text; LaterStart
    // performs it and gives the answer that goes back. False when nothing can listen there.
    virtual bool ListenForLaterStarts(const std::string& channel) {
        (void)channel;
        return false;
    }
    std::function<std::string(const std::string& request)> LaterStart;
    // While a request is carried out, the listening host sends the line kStillWorking every
    // `heartbeat`, for as long as its user-interface thread serves events; the sender waits for the
    // answer as long as these come, however long the work takes, and gives up after `silence`
    // without a line.
    struct LaterStartTiming {
        std::chrono::milliseconds heartbeat{1000};
        std::chrono::milliseconds silence{30000};
    };
    LaterStartTiming laterStartTiming;
    // Sends `request` to the instance listening on `channel` and returns its answer; nothing when
    // none answers (it may be starting: connecting is retried for a few seconds), or when the one
    // that took the request falls silent.
    virtual std::optional<std::string> SendToRunningInstance(const std::string& channel, const std::string& request) {
        (void)channel;
        (void)request;
        return std::nullopt;
    }
    // Gives a shown window the focus and raises it, as the desktop allows; asked for by the user
    // through another start of the program.
    virtual void ActivateWindow(forms::Form& form) { (void)form; }

    // The session or the system asks the program to end (logout, shutdown, a termination signal).
    // The program answers by unloading its main window, so that its settings are saved.
    std::function<void()> EndSession;

private:
    std::map<int, std::string> buttonTexts_;
};

}  // namespace host
