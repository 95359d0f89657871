// The host itself: the window classes, the message loop, the look-ups from model to windows, and
// the Host and Observer calls handed on to the parts that carry them out.
#include "host/win32/win32_host_impl.h"

#include <cstdio>

namespace win32host {

namespace {

constexpr const wchar_t* kFormClass = L"TarnoluxForm";
constexpr const wchar_t* kDrawnClass = L"TarnoluxDrawn";
constexpr const wchar_t* kMessageClass = L"TarnoluxMessages";

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* impl = reinterpret_cast<Win32Host::Impl*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return impl ? impl->handle(hwnd, msg, wParam, lParam) : ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

void RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.style = CS_DBLCLKS;
    wc.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kFormClass;
    ::RegisterClassExW(&wc);
    wc.hIcon = nullptr;
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpszClassName = kDrawnClass;
    ::RegisterClassExW(&wc);
    wc.style = 0;
    wc.lpszClassName = kMessageClass;
    ::RegisterClassExW(&wc);
}

UINT SystemDpi() {
    using GetDpi = UINT(WINAPI*)();
    // GetDpiForSystem exists from Windows 10 1607 on; older systems and Wine answer through the DC.
    if (auto fn = reinterpret_cast<GetDpi>(
            reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "GetDpiForSystem"))))
        return fn();
    HDC dc = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
    ::ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

}  // namespace

const wchar_t* FormClassName() { return kFormClass; }
const wchar_t* DrawnClassName() { return kDrawnClass; }

void AttachParentConsole() {
    if (::AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* ignored = nullptr;
        freopen_s(&ignored, "CONOUT$", "w", stdout);
        freopen_s(&ignored, "CONOUT$", "w", stderr);
    }
}

void TellStarter(const std::string& text, bool error) {
    const HANDLE redirected = ::GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, written = 0;
    if (redirected && redirected != INVALID_HANDLE_VALUE && !::GetConsoleMode(redirected, &mode)) {
        ::WriteFile(redirected, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    if (!::AttachConsole(ATTACH_PARENT_PROCESS)) return;
    const HANDLE console = ::CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         OPEN_EXISTING, 0, nullptr);
    if (console != INVALID_HANDLE_VALUE) {
        const std::wstring wide = W(text);
        ::WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        ::CloseHandle(console);
    }
    ::FreeConsole();
}

Win32Host::Impl::Impl(Win32Host& h, forms::Application& a) : host(h), app(a), instance(::GetModuleHandleW(nullptr)) {
    RegisterClasses(instance);
    dpi = SystemDpi();
    taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    messageWindow = ::CreateWindowExW(0, kMessageClass, L"Tarnolux", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, this);
}

Win32Host::Impl::~Impl() {
    laterStarts.reset();  // its thread posts to the message window
    if (trayAdded) ::Shell_NotifyIconW(NIM_DELETE, &tray);
    for (auto& [form, fv] : views) ::DestroyWindow(fv->window);
    views.clear();
    byWidget.clear();
    if (messageWindow) ::DestroyWindow(messageWindow);
    for (auto& [key, font] : fonts) ::DeleteObject(font);
    for (auto& [color, brush] : brushes) ::DeleteObject(brush);
    for (auto& [key, icon] : icons) ::DestroyIcon(icon);
}

FormView* Win32Host::Impl::viewOf(const forms::Form& form) {
    auto it = views.find(&form);
    return it == views.end() ? nullptr : it->second.get();
}

ControlView* Win32Host::Impl::viewOf(const forms::Control& control) {
    FormView* fv = viewOf(control.form());
    if (!fv) return nullptr;
    auto it = fv->controls.find(&control);
    return it == fv->controls.end() ? nullptr : &it->second;
}

ControlView* Win32Host::Impl::viewOfWidget(HWND widget) {
    auto it = byWidget.find(widget);
    return it == byWidget.end() ? nullptr : it->second;
}

// One window procedure for the form windows, the drawn controls and the message window.
LRESULT Win32Host::Impl::handle(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == messageWindow) {
        if (msg == WM_TIMER) {
            timerFired(wParam);
            return 0;
        }
        if (msg == kLaterStartMessage) {
            laterStartArrived();
            return 0;
        }
        if (msg == kTrayMessage) {
            trayActivated(static_cast<UINT>(LOWORD(lParam)));
            return 0;
        }
        if (msg == taskbarCreated && trayAdded) {
            // Explorer started again: the icon must be added anew.
            ::Shell_NotifyIconW(NIM_ADD, &tray);
            return 0;
        }
        if (msg == WM_QUERYENDSESSION) return TRUE;
        if (msg == WM_ENDSESSION) {
            if (wParam) endSession();
            return 0;
        }
        return ::DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    ControlView* self = viewOfWidget(hwnd);
    switch (msg) {
    case WM_COMMAND: {
        HWND child = reinterpret_cast<HWND>(lParam);
        const UINT code = HIWORD(wParam);
        ControlView* v = viewOfWidget(child);
        if (!v) break;
        if ((v->type == ViewType::Button || v->type == ViewType::CheckBox) && code == BN_CLICKED) userClicked(child);
        else if (v->type == ViewType::LineEdit && code == EN_CHANGE) userEdited(child);
        else if (v->type == ViewType::List && code == LBN_SELCHANGE) userChose(child);
        else if (v->type == ViewType::List && code == LBN_DBLCLK) v->control->userDblClick();
        else if (v->type == ViewType::Combo && code == CBN_SELCHANGE) userChose(child);
        return 0;
    }
    case WM_VSCROLL:
        if (lParam) {
            userScrolled(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        }
        break;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (ControlView* v = viewOfWidget(item->hwndItem)) {
            drawButton(*v, *item);
            return TRUE;
        }
        break;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        ControlView* v = viewOfWidget(reinterpret_cast<HWND>(lParam));
        if (!v) break;
        const forms::Control& c = *v->control;
        const forms::Color back = v->type == ViewType::CheckBox ? backOf(c) : c.backColor();
        ::SetTextColor(dc, Cref(c.foreColor()));
        ::SetBkColor(dc, Cref(back));
        return reinterpret_cast<LRESULT>(brushFor(Cref(back)));
    }
    case WM_ERASEBKGND:
        if (self) return TRUE;  // a drawn control paints all of itself
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd, &ps);
        RECT r;
        ::GetClientRect(hwnd, &r);
        if (self) {
            // Drawn off screen first: the monitor repaints labels every second without flicker.
            HDC mem = ::CreateCompatibleDC(dc);
            HBITMAP bmp = ::CreateCompatibleBitmap(dc, std::max<LONG>(1, r.right), std::max<LONG>(1, r.bottom));
            HGDIOBJ old = ::SelectObject(mem, bmp);
            paint(*self, mem, r);
            ::BitBlt(dc, 0, 0, r.right, r.bottom, mem, 0, 0, SRCCOPY);
            ::SelectObject(mem, old);
            ::DeleteObject(bmp);
            ::DeleteDC(mem);
        } else {
            for (auto& [form, fv] : views)
                if (fv->window == hwnd) ::FillRect(dc, &r, brushFor(Cref(form->backColor())));
        }
        ::EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDBLCLK:
        if (self) {
            userMouse(hwnd, msg, wParam, lParam);
            return 0;
        }
        break;
    case WM_SETCURSOR:
        if (waitCursor) {
            ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        break;
    default:
        break;
    }
    if (!self) {
        for (auto& [form, fv] : views)
            if (fv->window == hwnd) {
                LRESULT result = 0;
                if (formMessage(*fv, msg, wParam, lParam, result)) return result;
                break;
            }
    }
    return ::DefWindowProcW(hwnd, msg, wParam, lParam);
}

// ---- Win32Host ------------------------------------------------------------------------------------

Win32Host::Win32Host(forms::Application& app, int&, char**) : app_(app), d(std::make_unique<Impl>(*this, app)) {
    app_.setObserver(this);
    app_.runModal = [this](forms::Form& form) { d->runModal(form); };
}

Win32Host::~Win32Host() {
    if (app_.observer() == this) app_.setObserver(nullptr);
    app_.runModal = nullptr;
    d.reset();
}

int Win32Host::Run() {
    MSG msg;
    while (!d->quitRequested) {
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            Quit(got == 0 ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        d->dispatch(msg);
    }
    return d->exitCode;
}

void Win32Host::Quit(int exitCode) {
    d->quitRequested = true;
    d->exitCode = exitCode;
    ::PostMessageW(d->messageWindow, WM_NULL, 0, 0);  // wakes a loop waiting in GetMessage
}

void Win32Host::DoEvents() {
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Whoever posted it wants the program to end: every loop of this host ends with it.
            Quit(static_cast<int>(msg.wParam));
            break;
        }
        d->dispatch(msg);
    }
}

// Tab and the arrow keys move the focus between a window's controls, as in a dialog.
void Win32Host::Impl::dispatch(MSG& msg) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) {
        const HWND top = ::GetAncestor(msg.hwnd, GA_ROOT);
        for (auto& [form, fv] : views)
            if (fv->window == top && ::IsDialogMessageW(top, &msg)) return;
    }
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
}

bool Win32Host::ShellNotifyIcon(int message, const host::NotifyIconData& data) { return d->shellNotifyIcon(message, data); }
bool Win32Host::TrayAvailable() { return d->trayAvailable(); }

void Win32Host::formLoaded(forms::Form& form) { d->formLoaded(form); }
void Win32Host::formUnloaded(forms::Form& form) { d->formUnloaded(form); }
void Win32Host::formDestroyed(forms::Form& form) { d->formDestroyed(form); }
void Win32Host::formChanged(forms::Form& form, forms::Prop prop) { d->formChanged(form, prop); }
void Win32Host::controlAdded(forms::Control& control) { d->controlAdded(control); }
void Win32Host::controlChanged(forms::Control& control, forms::Prop prop) { d->controlChanged(control, prop); }

}  // namespace win32host
