// Message boxes, pop-up menus and the mouse pointer.
#include "host/win32/win32_host_impl.h"

namespace win32host {

namespace {

HWND OwnerWindow(Win32Host::Impl& d) {
    HWND active = ::GetActiveWindow();
    for (auto& [form, fv] : d.views)
        if (fv->window == active) return active;
    return nullptr;
}

void BuildMenu(HMENU menu, forms::MenuItem& parent, forms::MenuItem* defaultItem, std::vector<forms::MenuItem*>& items) {
    for (const auto& child : parent.children()) {
        forms::MenuItem& item = *child;
        if (!item.visible()) continue;
        if (item.isSeparator()) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const std::wstring caption = W(item.caption());
        if (!item.children().empty()) {
            HMENU sub = ::CreatePopupMenu();
            BuildMenu(sub, item, defaultItem, items);
            ::AppendMenuW(menu, MF_POPUP | (item.enabled() ? 0 : MF_GRAYED), reinterpret_cast<UINT_PTR>(sub), caption.c_str());
            continue;
        }
        items.push_back(&item);
        const UINT id = static_cast<UINT>(items.size());
        ::AppendMenuW(menu, MF_STRING | (item.enabled() ? 0 : MF_GRAYED) | (item.checked() ? MF_CHECKED : 0), id,
                      caption.c_str());
        if (&item == defaultItem) ::SetMenuDefaultItem(menu, id, FALSE);
    }
}

// The system's box names its buttons in the system's language; they are renamed as the box first
// shows, when it is activated. A button's identifier is its answer.
thread_local const std::map<int, std::string>* tButtonTexts = nullptr;
thread_local HHOOK tButtonHook = nullptr;

LRESULT CALLBACK RenameButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && tButtonTexts) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        for (const auto& [answer, text] : *tButtonTexts)
            if (const HWND button = ::GetDlgItem(box, answer)) ::SetWindowTextW(button, W(text).c_str());
        tButtonTexts = nullptr;
    }
    return ::CallNextHookEx(tButtonHook, code, wParam, lParam);
}

}  // namespace

int Win32Host::MsgBox(const std::string& prompt, int style, const std::string& title) {
    // The program is ending: nobody is there to answer, so the box counts as closed.
    if (d->quitRequested) return host::MsgBoxFor(style).answerOnClose;
    // A box shown while another waits (a timer's) sets its own texts through the hook in place.
    bool hooked = false;
    if (!tButtonHook && !ButtonTexts().empty()) {
        tButtonHook = ::SetWindowsHookExW(WH_CBT, RenameButtons, nullptr, ::GetCurrentThreadId());
        hooked = tButtonHook != nullptr;
    }
    if (tButtonHook) tButtonTexts = &ButtonTexts();
    // The toolkit's styles and answers are the system's own numbers.
    const int answer =
        ::MessageBoxW(OwnerWindow(*d), W(prompt).c_str(), W(title).c_str(), static_cast<UINT>(style) | MB_SETFOREGROUND);
    if (hooked) {
        ::UnhookWindowsHookEx(std::exchange(tButtonHook, nullptr));
        tButtonTexts = nullptr;
    }
    return answer;
}

void Win32Host::PopupMenu(forms::Form& owner, forms::MenuItem& menu, forms::MenuItem* defaultItem) {
    if (d->quitRequested) return;
    FormView* fv = d->viewOf(owner);
    HWND window = fv ? fv->window : d->messageWindow;
    std::vector<forms::MenuItem*> items;
    HMENU popup = ::CreatePopupMenu();
    BuildMenu(popup, menu, defaultItem, items);
    POINT at{};
    ::GetCursorPos(&at);
    // Without the foreground, a menu opened from the tray would not close when clicked away from.
    ::SetForegroundWindow(window);
    const UINT chosen = static_cast<UINT>(
        ::TrackPopupMenuEx(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, window, nullptr));
    ::PostMessageW(window, WM_NULL, 0, 0);
    ::DestroyMenu(popup);
    // The program may have ended, or the item's form gone, while the menu was open.
    if (chosen >= 1 && chosen <= items.size() && !d->quitRequested && items[chosen - 1]->form().loaded())
        items[chosen - 1]->userClick();
}

void Win32Host::SetMousePointer(int pointer) {
    d->waitCursor = pointer == host::vbHourglass;
    ::SetCursor(::LoadCursorW(nullptr, d->waitCursor ? IDC_WAIT : IDC_ARROW));
}

}  // namespace win32host
