// Inside the Win32 host: one top-level window per loaded form, one child window (or timer) per
// control. The member names match the Qt host's, so one search finds a duty in both.
#pragma once

// The program's headers come first: <windows.h> defines macros (RGB, ...) that would rename them.
#include "host/win32/win32_host.h"
#include "host/win32/win32_util.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace win32host {

enum class ViewType { Drawn, Button, CheckBox, LineEdit, ScrollBar, List, Combo, Timer };

struct FormView;

// The text size the forms were laid out for, in logical pixels (8 points at 96 dots per inch).
inline constexpr int kDesignFontPx = 11;

struct ControlView {
    forms::Control* control = nullptr;
    FormView* form = nullptr;
    ViewType type = ViewType::Drawn;
    HWND widget = nullptr;  // null for timers
    UINT_PTR timer = 0;     // timers only
    bool pressed = false;   // a drawn control holds the mouse
};

struct FormView {
    forms::Form* form = nullptr;
    HWND window = nullptr;
    std::unordered_map<const forms::Control*, ControlView> controls;
    bool placed = false;          // the start-up position has been applied
    bool skipActivation = false;  // the model ran Form_Activate for this show already
    bool modal = false;
    bool minimised = false;
    int fontPx = kDesignFontPx;  // the form's text size, shrunk where the captions would not fit
};

// Later starts: a named pipe served on its own thread, each client on one of its own. A request
// waits in `waiting` until the user-interface thread (woken by kLaterStartMessage) has carried it
// out and put its answer in `replies`.
struct LaterStartListener {
    ~LaterStartListener();
    void serve(HANDLE pipe);
    void answer(HANDLE pipe);

    std::wstring name;
    HWND notify = nullptr;
    host::Host::LaterStartTiming timing;
    HANDLE stop = nullptr;  // manual reset: the host stops listening
    std::mutex lock;
    std::condition_variable answered;
    bool stopping = false;
    std::uint64_t lastId = 0;
    std::deque<std::pair<std::uint64_t, std::string>> waiting;
    std::map<std::uint64_t, std::string> replies;
    struct Client {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    std::vector<Client> clients;
    std::thread thread;
};

struct Win32Host::Impl {
    Impl(Win32Host& host, forms::Application& app);
    ~Impl();

    // ---- forms and controls ----
    void formLoaded(forms::Form& form);
    void formUnloaded(forms::Form& form);
    void formDestroyed(forms::Form& form);
    void dropView(const forms::Form& form);
    void formChanged(forms::Form& form, forms::Prop prop);
    void controlAdded(forms::Control& control);
    void controlChanged(forms::Control& control, forms::Prop prop);

    FormView* viewOf(const forms::Form& form);
    ControlView* viewOf(const forms::Control& control);
    ControlView* viewOfWidget(HWND widget);

    void build(FormView& fv, forms::Control& c);
    void sync(ControlView& v, forms::Prop prop);
    void syncAll(ControlView& v);
    void syncItems(ControlView& v);
    void syncListIndex(ControlView& v);
    void syncRange(ControlView& v);
    void rearm(ControlView& v);
    void paint(ControlView& v, HDC dc, const RECT& r);
    void drawButton(ControlView& v, const DRAWITEMSTRUCT& item);

    void applyWindowFlags(FormView& fv);
    void placeWindow(FormView& fv);
    void showWindow(FormView& fv);
    void hideWindow(FormView& fv);
    void runModal(forms::Form& form);
    // What the window manager and the user do to a form window; true when handled.
    bool formMessage(FormView& fv, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

    // ---- user input ----
    void userClicked(HWND widget);
    void userEdited(HWND widget);
    void userScrolled(HWND widget, int code);
    void userStepped(HWND widget, int direction);
    void userChose(HWND widget);
    void userMouse(HWND widget, UINT message, WPARAM wParam, LPARAM lParam);
    void timerFired(UINT_PTR timer);

    // ---- tray ----
    bool shellNotifyIcon(int message, const host::NotifyIconData& data);
    bool trayAvailable() const;
    void trayActivated(UINT mouseMessage);

    void endSession();
    void laterStartArrived();

    // ---- look ----
    HFONT fontFor(const forms::Font& font, int formPx);
    int fitFontPx(const forms::Form& form);
    HBRUSH brushFor(COLORREF color);
    HICON iconFor(const forms::Picture& picture, int size);
    forms::Color backOf(const forms::Control& c) const;  // what shows behind a transparent control

    LRESULT handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void dispatch(MSG& msg);
    int px(int twips) const { return Dev(host::Px(twips), dpi); }

    Win32Host& host;
    forms::Application& app;
    HINSTANCE instance = nullptr;
    UINT dpi = 96;
    HWND messageWindow = nullptr;  // timers, the tray's callbacks, the end of the session
    UINT taskbarCreated = 0;
    std::unordered_map<const forms::Form*, std::unique_ptr<FormView>> views;
    std::unordered_map<HWND, ControlView*> byWidget;
    std::unordered_map<UINT_PTR, ControlView*> byTimer;
    UINT_PTR nextTimer = 1;
    std::set<const forms::Control*> firingTimers;
    int syncing = 0;

    bool quitRequested = false;
    int exitCode = 0;
    bool sessionEnding = false;
    bool waitCursor = false;

    bool trayAdded = false;
    const forms::Form* trayOwner = nullptr;
    NOTIFYICONDATAW tray{};

    std::unique_ptr<LaterStartListener> laterStarts;

    std::map<std::tuple<std::string, int, bool, bool>, HFONT> fonts;
    std::map<COLORREF, HBRUSH> brushes;
    std::map<std::pair<int, int>, HICON> icons;
};

inline constexpr UINT kTrayMessage = WM_APP + 1;
inline constexpr UINT kLaterStartMessage = WM_APP + 2;
const wchar_t* FormClassName();
const wchar_t* DrawnClassName();

}  // namespace win32host
