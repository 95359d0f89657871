// Building the child window of every control from the model's kind and properties, keeping it in
// step with the model, and drawing the controls the toolkit draws itself (labels, frames, picture
// boxes, shapes, lines, images, and the push-button check boxes of the page bar).
#include "host/win32/win32_host_impl.h"

#include <commctrl.h>

namespace win32host {

namespace {

// The child window's rectangle in its container, in device pixels. Lines get the box around their
// end points, at least one pixel wide.
RECT RectOf(const forms::Control& c, const Win32Host::Impl& d) {
    if (c.kind() == forms::Kind::Line) {
        const int x = std::min(c.x1(), c.x2()), y = std::min(c.y1(), c.y2());
        const int w = std::abs(c.x2() - c.x1()), h = std::abs(c.y2() - c.y1());
        const int left = d.px(x), top = d.px(y);
        return {left, top, left + std::max(1, d.px(x + w) - left), top + std::max(1, d.px(y + h) - top)};
    }
    const host::PixelRect r = host::PxRect(c.left(), c.top(), c.width(), c.height());
    const int left = Dev(r.x, d.dpi), top = Dev(r.y, d.dpi);
    return {left, top, left + Dev(r.width, d.dpi), top + Dev(r.height, d.dpi)};
}

}  // namespace

// The largest text size up to the design's at which every caption fits its control, as the forms
// were laid out with a narrower font than most desktops have.
int Win32Host::Impl::fitFontPx(const forms::Form& form) {
    constexpr int kMinPx = 9;
    HDC dc = ::GetDC(nullptr);
    int chosen = kMinPx;
    for (int px = kDesignFontPx; px > kMinPx && chosen == kMinPx; --px) {
        bool fits = true;
        for (const auto& c : form.controls()) {
            if (c->caption().empty()) continue;
            RECT r = RectOf(*c, *this);
            switch (c->kind()) {
            case forms::Kind::Label:
                break;
            case forms::Kind::CheckBox:
                if (c->style() == 1) ::InflateRect(&r, -3, -1);
                else r.left += ::GetSystemMetrics(SM_CXMENUCHECK) + Dev(4, dpi);
                break;
            case forms::Kind::CommandButton:
                ::InflateRect(&r, -3, -1);
                break;
            default:
                continue;
            }
            if (r.right <= r.left || r.bottom <= r.top) continue;
            HGDIOBJ old = ::SelectObject(dc, fontFor(c->font(), px));
            const std::wstring caption = W(c->caption());
            RECT need{0, 0, r.right - r.left, 0};
            ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
            TEXTMETRICW tm{};
            ::GetTextMetricsW(dc, &tm);
            ::SelectObject(dc, old);
            if (need.right > r.right - r.left || need.bottom > std::max<LONG>(r.bottom - r.top, tm.tmHeight)) {
                fits = false;
                break;
            }
        }
        if (fits) chosen = px;
    }
    ::ReleaseDC(nullptr, dc);
    return chosen;
}

void Win32Host::Impl::controlAdded(forms::Control& control) {
    if (FormView* fv = viewOf(control.form())) build(*fv, control);
}

void Win32Host::Impl::build(FormView& fv, forms::Control& c) {
    if (fv.controls.count(&c)) return;
    ControlView& v = fv.controls[&c];
    v.control = &c;
    v.form = &fv;
    const wchar_t* cls = DrawnClassName();
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
    DWORD ex = 0;
    switch (c.kind()) {
    case forms::Kind::Timer:
        v.type = ViewType::Timer;
        v.timer = nextTimer++;
        byTimer[v.timer] = &v;
        rearm(v);
        return;
    case forms::Kind::CheckBox:
        v.type = ViewType::CheckBox;
        cls = L"BUTTON";
        // Drawn as a push button (style 1) by the host; a plain box by the system.
        style |= WS_TABSTOP | (c.style() == 1 ? BS_OWNERDRAW : BS_CHECKBOX | BS_MULTILINE | BS_VCENTER);
        break;
    case forms::Kind::CommandButton:
        v.type = ViewType::Button;
        cls = L"BUTTON";
        style |= BS_OWNERDRAW | WS_TABSTOP;
        break;
    case forms::Kind::TextBox:
        v.type = ViewType::LineEdit;
        cls = L"EDIT";
        style |= ES_AUTOHSCROLL | WS_TABSTOP | (c.alignment() == 1 ? ES_RIGHT : c.alignment() == 2 ? ES_CENTER : ES_LEFT);
        if (c.borderStyle() != 0) ex |= WS_EX_CLIENTEDGE;
        break;
    case forms::Kind::VScrollBar:
        v.type = ViewType::ScrollBar;
        cls = L"SCROLLBAR";
        style |= SBS_VERT;
        break;
    case forms::Kind::ListBox:
    case forms::Kind::DirListBox:
    case forms::Kind::FileListBox:
        v.type = ViewType::List;
        cls = L"LISTBOX";
        // The sideways bar shows once the program gives the list an extent wider than itself.
        style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP;
        ex |= WS_EX_CLIENTEDGE;
        break;
    case forms::Kind::ComboBox:
    case forms::Kind::DriveListBox:
        v.type = ViewType::Combo;
        cls = L"COMBOBOX";
        style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
        break;
    default:
        v.type = ViewType::Drawn;
        style |= WS_CLIPCHILDREN;  // frames and picture boxes hold other controls
        ex |= WS_EX_CONTROLPARENT;  // which Tab reaches inside them
        break;
    }
    HWND parent = fv.window;
    if (forms::Control* box = c.container())
        if (ControlView* pv = viewOf(*box); pv && pv->widget) parent = pv->widget;
    const RECT r = RectOf(c, *this);
    // A drop-down list's height is that of its open list; the closed box keeps the font's height.
    const int height = v.type == ViewType::Combo ? (r.bottom - r.top) + Dev(160, dpi) : r.bottom - r.top;
    v.widget = ::CreateWindowExW(ex, cls, L"", style, r.left, r.top, r.right - r.left, height, parent, nullptr,
                                 instance, v.type == ViewType::Drawn ? this : nullptr);
    byWidget[v.widget] = &v;
    // Later controls lie over earlier ones, as in the forms toolkit; Windows puts a new child last.
    ::SetWindowPos(v.widget, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    syncAll(v);
}

void Win32Host::Impl::syncAll(ControlView& v) {
    for (forms::Prop p : {forms::Prop::Font, forms::Prop::Caption, forms::Prop::Items, forms::Prop::Range,
                          forms::Prop::Text, forms::Prop::Value, forms::Prop::ListIndex, forms::Prop::Enabled,
                          forms::Prop::Visible})
        sync(v, p);
}

void Win32Host::Impl::controlChanged(forms::Control& control, forms::Prop prop) {
    if (ControlView* v = viewOf(control)) sync(*v, prop);
}

void Win32Host::Impl::sync(ControlView& v, forms::Prop prop) {
    forms::Control& c = *v.control;
    if (v.type == ViewType::Timer) {
        if (prop == forms::Prop::Enabled || prop == forms::Prop::Interval) rearm(v);
        return;
    }
    HWND w = v.widget;
    ++syncing;
    switch (prop) {
    case forms::Prop::Geometry: {
        const RECT r = RectOf(c, *this);
        const int height = v.type == ViewType::Combo ? (r.bottom - r.top) + Dev(160, dpi) : r.bottom - r.top;
        ::SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
        break;
    }
    case forms::Prop::Caption:
        if (v.type == ViewType::CheckBox || v.type == ViewType::Button) ::SetWindowTextW(w, W(c.caption()).c_str());
        ::InvalidateRect(w, nullptr, FALSE);
        break;
    case forms::Prop::Text:
        if (v.type == ViewType::LineEdit) {
            const int n = ::GetWindowTextLengthW(w);
            std::wstring shown(static_cast<std::size_t>(n) + 1, L'\0');
            ::GetWindowTextW(w, shown.data(), n + 1);
            shown.resize(static_cast<std::size_t>(n));
            if (U(shown) != c.text()) ::SetWindowTextW(w, W(c.text()).c_str());
        }
        break;
    case forms::Prop::Value:
        if (v.type == ViewType::CheckBox) {
            ::SendMessageW(w, BM_SETCHECK, c.value() == forms::vbChecked ? BST_CHECKED : BST_UNCHECKED, 0);
            ::InvalidateRect(w, nullptr, FALSE);
        } else if (v.type == ViewType::ScrollBar) {
            syncRange(v);
        }
        break;
    case forms::Prop::Range:
        if (v.type == ViewType::ScrollBar) syncRange(v);
        else if (v.type == ViewType::List)
            ::SendMessageW(w, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(Dev(std::max(0, c.horizontalExtent()), dpi)), 0);
        break;
    case forms::Prop::Enabled:
        ::EnableWindow(w, c.enabled());
        ::InvalidateRect(w, nullptr, FALSE);
        break;
    case forms::Prop::Visible:
        ::ShowWindow(w, c.visible() ? SW_SHOWNA : SW_HIDE);
        break;
    case forms::Prop::Font:
        ::SendMessageW(w, WM_SETFONT, reinterpret_cast<WPARAM>(fontFor(c.font(), v.form->fontPx)), TRUE);
        break;
    case forms::Prop::Items:
        syncItems(v);
        break;
    case forms::Prop::ListIndex:
    case forms::Prop::Path:
        syncListIndex(v);
        break;
    case forms::Prop::Colors:
    case forms::Prop::Graphics:
    case forms::Prop::Picture:
    case forms::Prop::Style:
        ::InvalidateRect(w, nullptr, FALSE);
        break;
    default:
        break;
    }
    --syncing;
}

void Win32Host::Impl::syncItems(ControlView& v) {
    if (v.type != ViewType::List && v.type != ViewType::Combo) return;
    const bool list = v.type == ViewType::List;
    ::SendMessageW(v.widget, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(v.widget, list ? LB_RESETCONTENT : CB_RESETCONTENT, 0, 0);
    const bool folders = v.control->kind() == forms::Kind::DirListBox;
    for (const std::string& item : v.control->items()) {
        std::string shown = item;
        if (folders) {
            const host::FolderEntry entry = host::FolderEntryOf(item);
            shown = std::string(static_cast<std::size_t>(entry.depth) * 2, ' ') + entry.name;
        }
        ::SendMessageW(v.widget, list ? LB_ADDSTRING : CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(shown).c_str()));
    }
    ::SendMessageW(v.widget, WM_SETREDRAW, TRUE, 0);
    syncListIndex(v);
    ::InvalidateRect(v.widget, nullptr, TRUE);
}

void Win32Host::Impl::syncListIndex(ControlView& v) {
    const int index = host::ShownListIndex(*v.control);
    if (v.type == ViewType::List) ::SendMessageW(v.widget, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    else if (v.type == ViewType::Combo) ::SendMessageW(v.widget, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void Win32Host::Impl::syncRange(ControlView& v) {
    const forms::Control& c = *v.control;
    const host::BarRange bar = host::ToolkitBar(c.min(), c.max(), c.value());
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_PAGE | SIF_DISABLENOSCROLL;
    si.nMin = bar.min;
    si.nMax = bar.max;
    si.nPage = 0;
    si.nPos = bar.value;
    ::SetScrollInfo(v.widget, SB_CTL, &si, TRUE);
}

void Win32Host::Impl::rearm(ControlView& v) {
    const forms::Control& c = *v.control;
    ::KillTimer(messageWindow, v.timer);
    if (c.enabled() && c.interval() > 0) ::SetTimer(messageWindow, v.timer, static_cast<UINT>(c.interval()), nullptr);
}

// ---- drawn controls -------------------------------------------------------------------------------

forms::Color Win32Host::Impl::backOf(const forms::Control& c) const {
    for (const forms::Control* box = c.container(); box; box = box->container())
        if (box->backStyle() != 0) return box->backColor();
    return c.form().backColor();
}

void Win32Host::Impl::paint(ControlView& v, HDC dc, const RECT& r) {
    const forms::Control& c = *v.control;
    const forms::Color back = c.backStyle() == 0 || c.kind() == forms::Kind::Line || c.kind() == forms::Kind::Image
                                  ? backOf(c)
                                  : c.backColor();
    ::FillRect(dc, &r, brushFor(Cref(back)));
    ::SetBkMode(dc, TRANSPARENT);
    ::SelectObject(dc, fontFor(c.font(), v.form->fontPx));
    ::SetTextColor(dc, Cref(c.foreColor()));
    switch (c.kind()) {
    case forms::Kind::Line:
        ::FillRect(dc, &r, brushFor(Cref(c.borderColor())));
        break;
    case forms::Kind::Shape: {
        if (c.fillStyle() == 0) ::FillRect(dc, &r, brushFor(Cref(c.fillColor())));
        HPEN pen = ::CreatePen(PS_SOLID, 1, Cref(c.borderColor()));
        HGDIOBJ oldPen = ::SelectObject(dc, pen);
        HGDIOBJ oldBrush = ::SelectObject(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, r.left, r.top, r.right, r.bottom);
        ::SelectObject(dc, oldBrush);
        ::SelectObject(dc, oldPen);
        ::DeleteObject(pen);
        break;
    }
    case forms::Kind::Image:
        if (HICON icon = iconFor(c.picture(), std::min(r.right, r.bottom)))
            ::DrawIconEx(dc, 0, 0, icon, std::min(r.right, r.bottom), std::min(r.right, r.bottom), 0, nullptr, DI_NORMAL);
        break;
    case forms::Kind::PictureBox:
        for (const forms::PrintedText& t : c.printed()) {
            const std::wstring text = W(t.text);
            ::TextOutW(dc, px(t.x), px(t.y), text.c_str(), static_cast<int>(text.size()));
        }
        if (!c.picture().empty())
            if (HICON icon = iconFor(c.picture(), 32)) ::DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
        break;
    case forms::Kind::Label: {
        RECT text = r;
        const UINT align = c.alignment() == 1 ? DT_RIGHT : c.alignment() == 2 ? DT_CENTER : DT_LEFT;
        if (!c.enabled()) ::SetTextColor(dc, ::GetSysColor(COLOR_GRAYTEXT));
        const std::wstring caption = W(c.caption());
        ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text, align | DT_WORDBREAK | DT_NOPREFIX);
        break;
    }
    default:
        break;
    }
    if (c.borderStyle() != 0 && c.kind() != forms::Kind::Shape && c.kind() != forms::Kind::Line) {
        RECT edge = r;
        ::DrawEdge(dc, &edge, c.kind() == forms::Kind::Frame ? EDGE_ETCHED : BDR_SUNKENOUTER, BF_RECT);
    }
}

// The page bar's check boxes and the command buttons: the model's colours, pressed while checked.
void Win32Host::Impl::drawButton(ControlView& v, const DRAWITEMSTRUCT& item) {
    const forms::Control& c = *v.control;
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    const bool down = (item.itemState & ODS_SELECTED) || (v.type == ViewType::CheckBox && c.value() == forms::vbChecked);
    // The sunken edge alone is two thin lines in the system's colours; the chosen page must stand
    // out of the column at a glance, as it does on Linux.
    ::FillRect(dc, &r, brushFor(Cref(down ? PressedFace(c.backColor()) : c.backColor())));
    ::DrawEdge(dc, &r, down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    ::SetBkMode(dc, TRANSPARENT);
    ::SelectObject(dc, fontFor(c.font(), v.form->fontPx));
    ::SetTextColor(dc, c.enabled() ? Cref(c.foreColor()) : ::GetSysColor(COLOR_GRAYTEXT));
    if (down) ::OffsetRect(&r, 1, 1);
    // Captions may hold line breaks (the free-up pop-up's title line and message): every CR, LF
    // or CR LF starts a line, and the lines stand centred as one block.
    std::wstring caption = W(c.caption());
    for (std::size_t i = 0; i < caption.size(); ++i)
        if (caption[i] == L'\r') {
            if (i + 1 < caption.size() && caption[i + 1] == L'\n') caption.erase(i, 1);
            else caption[i] = L'\n';
        }
    RECT box = r;
    ::InflateRect(&box, -2, -2);
    if (!c.picture().empty()) {
        const int side = std::max(1, static_cast<int>(std::min(box.right - box.left, box.bottom - box.top)) - 2);
        const int drawn = side <= 20 ? std::min(side, 16) : std::min(side, 32);
        if (HICON icon = iconFor(c.picture(), drawn <= 16 ? 16 : 32))
            ::DrawIconEx(dc, (box.left + box.right - drawn) / 2, (box.top + box.bottom - drawn) / 2, icon, drawn, drawn, 0,
                         nullptr, DI_NORMAL);
    }
    RECT measured = box;
    const UINT flags = DT_CENTER | DT_WORDBREAK | DT_NOPREFIX;
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &measured, flags | DT_CALCRECT);
    const int spare = (box.bottom - box.top) - (measured.bottom - measured.top);
    if (spare > 0) box.top += spare / 2;
    ::DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &box, flags);
    if (item.itemState & ODS_FOCUS) {
        RECT focus = item.rcItem;
        ::InflateRect(&focus, -3, -3);
        ::DrawFocusRect(dc, &focus);
    }
}

}  // namespace win32host
