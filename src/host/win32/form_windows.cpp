// The form windows: what the window manager and the user do to them, what the model asks of them
// (placement, styles, showing and hiding, modality), dragging a window without a caption, and focus.
#include "host/win32/win32_host_impl.h"

namespace win32host {

namespace {

DWORD StyleOf(const forms::Form& f) {
    if (f.borderStyle() == 0) return WS_POPUP | WS_CLIPCHILDREN;
    DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    if (f.borderStyle() != 3) style |= WS_MINIMIZEBOX;
    return style;
}

}  // namespace

// ---- Impl: forms ----------------------------------------------------------------------------------

void Win32Host::Impl::formLoaded(forms::Form& form) {
    if (viewOf(form)) return;
    auto owned = std::make_unique<FormView>();
    FormView& fv = *owned;
    views[&form] = std::move(owned);
    fv.form = &form;
    fv.fontPx = fitFontPx(form);
    const DWORD ex = form.showInTaskbar() ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW;
    fv.window = ::CreateWindowExW(ex, FormClassName(), W(form.caption()).c_str(), StyleOf(form), CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, this);
    for (forms::Prop p : {forms::Prop::Geometry, forms::Prop::Icon, forms::Prop::Enabled}) formChanged(form, p);
    for (const auto& c : form.controls()) build(fv, *c);
    // An outline without a fill frames a region: whatever lies inside it is drawn over it.
    for (const auto& c : form.controls())
        if (c->kind() == forms::Kind::Shape && c->backStyle() == 0 && c->fillStyle() == 1)
            if (ControlView* v = viewOf(*c)) ::SetWindowPos(v->widget, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Win32Host::Impl::formUnloaded(forms::Form& form) {
    dropView(form);
    if (!app.anyLoaded()) host.Quit(0);
}

void Win32Host::Impl::formDestroyed(forms::Form& form) {
    dropView(form);
    if (trayOwner == &form) trayOwner = nullptr;
}

void Win32Host::Impl::dropView(const forms::Form& form) {
    if (FormView* fv = viewOf(form)) {
        for (auto& [c, v] : fv->controls) {
            if (v.timer) {
                ::KillTimer(messageWindow, v.timer);
                byTimer.erase(v.timer);
            }
            if (v.widget) byWidget.erase(v.widget);
        }
        const HWND window = fv->window;
        views.erase(&form);
        // Nothing refers to the window any more; destroying it inside its own handler is safe.
        ::DestroyWindow(window);
    }
}

void Win32Host::Impl::placeWindow(FormView& fv) {
    const forms::Form& f = *fv.form;
    RECT r{0, 0, std::max(1, px(f.width())), std::max(1, px(f.height()))};
    ::AdjustWindowRectEx(&r, static_cast<DWORD>(::GetWindowLongPtrW(fv.window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(fv.window, GWL_EXSTYLE)));
    ++syncing;
    ::SetWindowPos(fv.window, nullptr, px(f.left()), px(f.top()), r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    --syncing;
}

void Win32Host::Impl::formChanged(forms::Form& form, forms::Prop prop) {
    FormView* fv = viewOf(form);
    if (!fv) return;
    switch (prop) {
    case forms::Prop::Geometry:
        placeWindow(*fv);
        break;
    case forms::Prop::Caption:
        ::SetWindowTextW(fv->window, W(form.caption()).c_str());
        break;
    case forms::Prop::Visible:
        if (form.visible()) showWindow(*fv);
        else hideWindow(*fv);
        break;
    case forms::Prop::Enabled:
        ::EnableWindow(fv->window, form.enabled());
        break;
    case forms::Prop::Icon: {
        const forms::Picture pic = form.icon().empty() ? forms::Picture{1, {}} : form.icon();
        ::SendMessageW(fv->window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(iconFor(pic, 16)));
        ::SendMessageW(fv->window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(iconFor(pic, 32)));
        break;
    }
    case forms::Prop::Colors:
        ::InvalidateRect(fv->window, nullptr, TRUE);
        break;
    case forms::Prop::Style:
        applyWindowFlags(*fv);
        break;
    default:
        break;
    }
}

void Win32Host::Impl::applyWindowFlags(FormView& fv) {
    const forms::Form& f = *fv.form;
    const LONG_PTR visible = ::GetWindowLongPtrW(fv.window, GWL_STYLE) & WS_VISIBLE;
    ::SetWindowLongPtrW(fv.window, GWL_STYLE, static_cast<LONG_PTR>(StyleOf(f)) | visible);
    ::SetWindowLongPtrW(fv.window, GWL_EXSTYLE, f.showInTaskbar() ? WS_EX_APPWINDOW : WS_EX_TOOLWINDOW);
    placeWindow(fv);
    ::SetWindowPos(fv.window, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

void Win32Host::Impl::showWindow(FormView& fv) {
    if (!fv.placed) {
        fv.placed = true;
        if (fv.form->startUpPosition() == 2) {
            RECT work{};
            ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
            RECT r{};
            ::GetWindowRect(fv.window, &r);
            const int x = work.left + (work.right - work.left - (r.right - r.left)) / 2;
            const int y = work.top + (work.bottom - work.top - (r.bottom - r.top)) / 2;
            fv.form->move(host::Twips(Logical(x, dpi)), host::Twips(Logical(y, dpi)));
        }
    }
    fv.skipActivation = true;  // Form::Show runs Form_Activate itself
    ::ShowWindow(fv.window, ::IsIconic(fv.window) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(fv.window);
}

void Win32Host::Impl::hideWindow(FormView& fv) {
    fv.skipActivation = false;
    if (trayOwner == fv.form && !trayAvailable()) {
        // Hidden, the window could only come back through the tray: keep it on the taskbar.
        ::ShowWindow(fv.window, SW_MINIMIZE);
        return;
    }
    ::ShowWindow(fv.window, SW_HIDE);
}

void Win32Host::Impl::runModal(forms::Form& form) {
    FormView* fv = viewOf(form);
    if (quitRequested || !fv || !form.visible()) return;
    // Every other window of the program waits until this one is gone.
    std::vector<HWND> disabled;
    for (auto& [f, other] : views)
        if (other.get() != fv && ::IsWindowEnabled(other->window)) {
            ::EnableWindow(other->window, FALSE);
            disabled.push_back(other->window);
        }
    fv->modal = true;
    MSG msg;
    while (!quitRequested) {
        FormView* cur = viewOf(form);
        if (!cur || !form.visible()) break;
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            host.Quit(got == 0 ? static_cast<int>(msg.wParam) : 1);
            break;
        }
        dispatch(msg);
    }
    for (HWND w : disabled)
        if (::IsWindow(w)) ::EnableWindow(w, TRUE);
    if (FormView* again = viewOf(form)) again->modal = false;
}

bool Win32Host::Impl::formMessage(FormView& fv, UINT msg, WPARAM wParam, LPARAM, LRESULT& result) {
    forms::Form* f = fv.form;
    switch (msg) {
    case WM_CLOSE:
        // The model decides: it unloads the form, which takes the window away.
        f->Unload(0);
        result = 0;
        return true;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            if (fv.skipActivation) fv.skipActivation = false;
            else f->activate();
        }
        return false;
    case WM_SIZE:
        if (wParam == SIZE_MINIMIZED) {
            fv.minimised = true;
        } else if (fv.minimised) {
            // Brought back from the taskbar while the program had it hidden.
            fv.minimised = false;
            if (!f->visible()) f->Show();
        }
        return false;
    case WM_MOVE:
        if (!syncing && !::IsIconic(fv.window)) {
            RECT r{};
            ::GetWindowRect(fv.window, &r);
            ++syncing;
            f->move(host::Twips(Logical(r.left, dpi)), host::Twips(Logical(r.top, dpi)));
            --syncing;
        }
        return false;
    case WM_DPICHANGED:
        // Moved to a screen of another scale: every window and control is laid out again at it.
        dpi = HIWORD(wParam);
        for (auto& [form, view] : views) {
            placeWindow(*view);
            for (auto& [c, v] : view->controls)
                if (v.widget)
                    for (forms::Prop p : {forms::Prop::Geometry, forms::Prop::Font, forms::Prop::Range}) sync(v, p);
            ::InvalidateRect(view->window, nullptr, TRUE);
        }
        result = 0;
        return true;
    default:
        return false;
    }
}

// ---- Win32Host: placement, drag, focus ------------------------------------------------------------

int Win32Host::ScreenWidth() { return host::Twips(Logical(::GetSystemMetrics(SM_CXSCREEN), d->dpi)); }
int Win32Host::ScreenHeight() { return host::Twips(Logical(::GetSystemMetrics(SM_CYSCREEN), d->dpi)); }
int Win32Host::TwipsPerPixelX() { return host::kTwipsPerPixel; }
int Win32Host::TwipsPerPixelY() { return host::kTwipsPerPixel; }

std::vector<host::ScreenRect> Win32Host::Screens() {
    std::vector<host::ScreenRect> screens;
    struct Walk {
        std::vector<host::ScreenRect>* out;
        UINT dpi;
    } walk{&screens, d->dpi};
    ::EnumDisplayMonitors(
        nullptr, nullptr,
        [](HMONITOR, HDC, LPRECT r, LPARAM data) -> BOOL {
            const auto* w = reinterpret_cast<const Walk*>(data);
            const auto tw = [w](LONG v) { return host::Twips(Logical(static_cast<int>(v), w->dpi)); };
            w->out->push_back({tw(r->left), tw(r->top), tw(r->right - r->left), tw(r->bottom - r->top)});
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walk));
    if (screens.empty()) return Host::Screens();
    return screens;
}

void Win32Host::BeginWindowDrag(forms::Form& form) {
    FormView* fv = d->viewOf(form);
    if (!fv || !::IsWindowVisible(fv->window)) return;
    // The classic way: the window manager moves the window as if its caption were pressed, and
    // returns when the button goes up.
    ::ReleaseCapture();
    ::SendMessageW(fv->window, WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Win32Host::SetWindowPos(forms::Form& form, int insertAfter, int x, int y, int cx, int cy, unsigned flags) {
    FormView* fv = d->viewOf(form);
    if (!fv) return;
    HWND after = insertAfter == model::kTopmost ? HWND_TOPMOST : insertAfter == model::kNotTopmost ? HWND_NOTOPMOST : nullptr;
    UINT native = 0;
    if (flags & model::kShowWindow) native |= SWP_SHOWWINDOW;
    if (flags & model::kNoActivate) native |= SWP_NOACTIVATE;
    if (!after) native |= SWP_NOZORDER;
    ++d->syncing;
    ::SetWindowPos(fv->window, after, Dev(x, d->dpi), Dev(y, d->dpi), Dev(std::max(1, cx), d->dpi),
                   Dev(std::max(1, cy), d->dpi), native);
    --d->syncing;
}

bool Win32Host::SetFocus(forms::Control& control) {
    const forms::Form& form = control.form();
    FormView* fv = d->viewOf(form);
    ControlView* v = d->viewOf(control);
    if (!fv || !v || !v->widget || !form.visible() || !::IsWindowVisible(fv->window) || ::IsIconic(fv->window)) return false;
    if (!control.visible() || !control.enabled() || !::IsWindowEnabled(v->widget)) return false;
    ::SetFocus(v->widget);
    return true;
}

}  // namespace win32host
