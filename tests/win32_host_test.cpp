// The native host's own controls, where what the user sees must match the Qt host.
#include <gtest/gtest.h>

#include "host/win32/win32_testing.h"

namespace {

using forms::Kind;

class Win32HostLook : public ::testing::Test {
protected:
    forms::Application app;
    int argc = 1;
    char arg0[16] = "tarnolux_tests";
    char* argv[2] = {arg0, nullptr};
    win32host::Win32Host host{app, argc, argv};
    forms::Form form{app, "Look"};

    void SetUp() override {
        if (!win32host::Win32HostAccess::messageWindow(host)) GTEST_SKIP() << "no display for windows";
    }
    void TearDown() override {
        if (form.loaded()) form.Unload();
    }
    HWND widget(const forms::Control& c) { return win32host::Win32HostAccess::widget(host, c); }
};

TEST_F(Win32HostLook, AListScrollsSidewaysOverTheExtentTheProgramSets) {
    forms::Control& list = form.add(Kind::ListBox, "List2");
    list.move(0, 0, 3705, 1815);
    list.addItem("c:\\program files\\a vendor with a long name\\a program of many parts\\bin\\program.exe");
    form.Show();
    list.setHorizontalExtent(494);
    host.DoEvents();
    HWND w = widget(list);
    RECT client{};
    ::GetClientRect(w, &client);
    ::SendMessageW(w, WM_HSCROLL, SB_RIGHT, 0);
    // Scrolled fully right, the last pixels of the extent stand at the list's right edge.
    const int extent = MulDiv(494, static_cast<int>(win32host::Win32HostAccess::dpi(host)), 96);
    EXPECT_EQ(::GetScrollPos(w, SB_HORZ), extent - client.right);
    EXPECT_TRUE(::GetWindowLongW(w, GWL_STYLE) & WS_HSCROLL);
    // Moved to a screen of twice the scale, the list keeps its reach.
    HWND window = win32host::Win32HostAccess::window(host, form);
    RECT suggested{};
    ::GetWindowRect(window, &suggested);
    ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(::SendMessageW(w, LB_GETHORIZONTALEXTENT, 0, 0), MulDiv(494, 192, 96));
}

// Checked, a push-button check box shows the face the Qt host paints for the skins' button colours.
TEST_F(Win32HostLook, APressedPageButtonShowsTheDarkerFaceOfTheLinuxHost) {
    const struct {
        forms::Color back, pressed;
    } cases[] = {
        {forms::RGB(216, 222, 233), forms::RGB(177, 182, 191)},  // Default
        {forms::RGB(201, 217, 238), forms::RGB(165, 178, 195)},  // Blue
        {forms::RGB(33, 38, 45), forms::RGB(27, 31, 37)},        // Midnight
        {forms::RGB(232, 217, 181), forms::RGB(190, 178, 148)},  // Sand
        {forms::RGB(208, 147, 86), forms::RGB(170, 120, 70)},    // a user's skin, by a rounding edge
    };
    forms::Control& page = form.add(Kind::CheckBox, "Check1", 0);
    page.setStyle(1);
    page.setCaption("CPU");
    page.move(0, 0, 1815, 375);
    form.Show();
    HWND w = widget(page);
    const auto face = [&] {
        ::InvalidateRect(w, nullptr, TRUE);
        ::UpdateWindow(w);
        HDC dc = ::GetDC(w);
        const COLORREF c = ::GetPixel(dc, 5, 5);  // inside the edge, clear of the caption
        ::ReleaseDC(w, dc);
        return static_cast<forms::Color>(c);
    };
    for (const auto& c : cases) {
        page.setBackColor(c.back);
        page.setValue(forms::vbUnchecked);
        EXPECT_EQ(face(), c.back);
        page.setValue(forms::vbChecked);
        EXPECT_EQ(face(), c.pressed) << std::hex << c.back;
    }
}

}  // namespace
