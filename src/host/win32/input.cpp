// What the user does to the child windows, and the timers' ticks, handed to the model.
#include "host/win32/win32_host_impl.h"

#include <windowsx.h>

namespace win32host {

namespace {

int ShiftMask() {
    return (::GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (::GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
           (::GetKeyState(VK_MENU) < 0 ? 4 : 0);
}
int ButtonMask(WPARAM keys) {
    return (keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) | (keys & MK_MBUTTON ? 4 : 0);
}

}  // namespace

void Win32Host::Impl::userClicked(HWND widget) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    v->control->userClick();
}

void Win32Host::Impl::userEdited(HWND widget) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    const int n = ::GetWindowTextLengthW(widget);
    std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
    ::GetWindowTextW(widget, text.data(), n + 1);
    text.resize(static_cast<std::size_t>(n));
    v->control->setText(U(text));
}

void Win32Host::Impl::userScrolled(HWND widget, int code) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    switch (code) {
    case SB_LINEUP: userStepped(widget, -1); return;
    case SB_LINEDOWN: userStepped(widget, 1); return;
    case SB_PAGEUP:
    case SB_PAGEDOWN: {
        const host::BarRange bar = host::ToolkitBar(c.min(), c.max(), c.value());
        const int step = std::max(1, std::abs(c.largeChange()));
        const int to = std::clamp(bar.value + (code == SB_PAGEUP ? -step : step), bar.min, bar.max);
        const int value = host::ModelValueOfBar(c.min(), c.max(), to);
        if (value != c.value()) c.setValue(value);
        return;
    }
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_TRACKPOS;
        ::GetScrollInfo(widget, SB_CTL, &si);
        const int value = host::ModelValueOfBar(c.min(), c.max(), si.nTrackPos);
        if (value != c.value()) c.setValue(value);
        return;
    }
    default:
        return;
    }
}

void Win32Host::Impl::userStepped(HWND widget, int direction) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    const int value = c.value();
    const int next = host::ArrowStep(c.min(), c.max(), c.smallChange(), value, direction);
    if (next != value) c.setValue(next);
    // A refused value leaves the model where it was; the bar must show that, not the native step.
    if (ControlView* again = viewOfWidget(widget)) syncRange(*again);
}

void Win32Host::Impl::userChose(HWND widget) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    const bool list = v->type == ViewType::List;
    const int index = static_cast<int>(::SendMessageW(widget, list ? LB_GETCURSEL : CB_GETCURSEL, 0, 0));
    if (index < 0) return;
    forms::Control& c = *v->control;
    c.setListIndex(index);
    if (c.kind() == forms::Kind::DriveListBox || c.kind() == forms::Kind::DirListBox) {
        // The current drive or folder is the chosen entry; Change reports it.
        if (!viewOfWidget(widget) || index >= c.listCount()) return;
        const std::string entry = c.list(index);
        c.setText(entry);
        c.setPath(entry);
    }
}

void Win32Host::Impl::userMouse(HWND widget, UINT message, WPARAM wParam, LPARAM lParam) {
    ControlView* v = viewOfWidget(widget);
    if (!v || syncing) return;
    forms::Control& c = *v->control;
    const int shift = ShiftMask();
    const float x = static_cast<float>(host::Twips(Logical(GET_X_LPARAM(lParam), dpi)));
    const float y = static_cast<float>(host::Twips(Logical(GET_Y_LPARAM(lParam), dpi)));
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        v->pressed = true;
        ::SetCapture(widget);
        if (auto h = c.MouseDown) h(message == WM_LBUTTONDOWN ? forms::vbLeftButton : forms::vbRightButton, shift, x, y);
        break;
    case WM_MOUSEMOVE:
        if (auto h = c.MouseMove) h(ButtonMask(wParam), shift, x, y);
        break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
        const bool wasPressed = v->pressed;
        v->pressed = false;
        if (::GetCapture() == widget) ::ReleaseCapture();
        if (auto h = c.MouseUp) h(message == WM_LBUTTONUP ? forms::vbLeftButton : forms::vbRightButton, shift, x, y);
        RECT r{};
        ::GetClientRect(widget, &r);
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (message == WM_LBUTTONUP && wasPressed && viewOfWidget(widget) && ::PtInRect(&r, p)) c.userClick();
        break;
    }
    case WM_LBUTTONDBLCLK:
        c.userDblClick();
        break;
    default:
        break;
    }
}

void Win32Host::Impl::timerFired(UINT_PTR timer) {
    auto it = byTimer.find(timer);
    if (it == byTimer.end()) return;
    const forms::Control* c = it->second->control;
    // A handler that lets events run (DoEvents, a menu, a modal box) must not be entered again.
    if (!firingTimers.insert(c).second) return;
    it->second->control->fireTimer();
    firingTimers.erase(c);
}

}  // namespace win32host
