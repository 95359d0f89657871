// The host contract on the Windows host: the user's hand is a thread timer that runs in its modal loops.
#include "host_contract.h"

#include <functional>

#include "host/win32/win32_testing.h"

namespace {

class Win32Driver {
public:
    static constexpr bool kHasWindows = true;
    explicit Win32Driver(forms::Application& app) : app_(app), host_(app, argc_, argv_) {
        current_ = this;
        hand_ = ::SetTimer(nullptr, 0, 10, &Win32Driver::Hand);
    }
    ~Win32Driver() {
        for (forms::Form* f : std::vector<forms::Form*>(app_.forms()))
            if (f->loaded()) f->Unload();
        ::KillTimer(nullptr, hand_);
        host_.DoEvents();
        current_ = nullptr;
    }
    // Windows cannot be made without a display (Wine started without one).
    bool Usable() { return win32host::Win32HostAccess::messageWindow(host_) != nullptr; }
    host::Host& host() { return host_; }

    void UserCloses(forms::Form& form) { ::SendMessageW(window(form), WM_CLOSE, 0, 0); }
    void ChooseInNextMenu(std::string caption) {
        menuChoice_ = std::move(caption);
        menuPending_ = true;
    }
    std::vector<std::string> menuOffered;
    void AnswerNextMsgBox(int answer) { boxAnswer_ = answer; }

    void LetTimePass(int ms) {
        const ULONGLONG start = ::GetTickCount64();
        for (;;) {
            const ULONGLONG passed = ::GetTickCount64() - start;
            if (passed >= static_cast<ULONGLONG>(ms)) break;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms - passed), QS_ALLINPUT);
            host_.DoEvents();
        }
    }
    bool Shown(const forms::Form& form) {
        HWND w = window(form);
        return w && ::IsWindowVisible(w) && !::IsIconic(w);
    }
    bool Minimised(const forms::Form& form) {
        HWND w = window(form);
        return w && ::IsWindowVisible(w) && ::IsIconic(w);
    }
    void WhileWorkRuns(const std::function<void()>&) {}  // the host serves its own events meanwhile
    std::string Channel() { return "\\\\.\\pipe\\tarnolux-contract-" + std::to_string(::GetCurrentProcessId()); }
    std::optional<std::string> SendFromAnotherStart(const std::string& channel, const std::string& request) {
        return hostcontract::SendFromAnotherThread(host_, channel, request, [this] { LetTimePass(5); });
    }

private:
    HWND window(const forms::Form& f) { return win32host::Win32HostAccess::window(host_, f); }

    static void CALLBACK Hand(HWND, UINT, UINT_PTR, DWORD) {
        if (current_) current_->act();
    }

    void act() {
        if (menuPending_) {
            HWND menu = ::FindWindowW(L"#32768", nullptr);
            if (menu && ::IsWindowVisible(menu)) {
                menuPending_ = false;
                readMenu(reinterpret_cast<HMENU>(::SendMessageW(menu, MN_GETHMENU, 0, 0)));
                const auto amp = menuChoice_.find('&');
                if (amp == std::string::npos || amp + 1 >= menuChoice_.size()) ::EndMenu();
                else ::PostMessageW(menu, WM_CHAR, static_cast<WPARAM>(menuChoice_[amp + 1]), 0);
            }
        }
        if (boxAnswer_) {
            HWND box = ::FindWindowW(L"#32770", nullptr);
            if (box && ::IsWindowVisible(box)) {
                const int answer = boxAnswer_;
                boxAnswer_ = 0;
                // The box's buttons carry the answers as their identifiers.
                ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                               reinterpret_cast<LPARAM>(::GetDlgItem(box, answer)));
            }
        }
    }

    void readMenu(HMENU menu) {
        menuOffered.clear();
        for (int i = 0, n = ::GetMenuItemCount(menu); i < n; ++i) {
            wchar_t text[128] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(i), text, 127, MF_BYPOSITION);  // a separator has no text
            std::string caption;
            for (const wchar_t* c = text; *c; ++c) caption += static_cast<char>(*c);  // the tests' captions are ASCII
            menuOffered.push_back(caption.empty() ? "-" : caption);
        }
    }

    forms::Application& app_;
    win32host::Win32Host host_;
    UINT_PTR hand_ = 0;
    bool menuPending_ = false;
    std::string menuChoice_;
    int boxAnswer_ = 0;
    static inline Win32Driver* current_ = nullptr;
    static inline int argc_ = 1;
    static inline char arg0_[] = "tarnolux_tests";
    static inline char* argv_[] = {arg0_, nullptr};
};

}  // namespace

namespace hostcontract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, HostContract, Win32Driver);
}

namespace {

// A free-up's notice: its texts cut where the icon's record ends, but never inside a character.
TEST(Win32Tray, ABalloonGoesToTheShellInTheIconsRecord) {
    namespace model = win32host::model;  // the record's numbers, before <windows.h> took their names
    forms::Application app;
    Win32Driver driver(app);
    if (!driver.Usable()) GTEST_SKIP() << "no windows here";
    hostcontract::ContractForm f(app);
    f.Load();
    host::NotifyIconData data;
    data.window = &f;
    data.flags = model::kMessage | model::kIcon;
    ASSERT_TRUE(driver.host().ShellNotifyIcon(model::kAdd, data)) << "no notification area";
    data.flags = model::kMessage | model::kInfo;
    data.infoTitle = "Freed 21 MB of memory";
    data.info = std::string(254, 'x') + "\xF0\x9F\x98\x80";  // its last character takes two of UTF-16's units
    EXPECT_TRUE(driver.host().ShellNotifyIcon(model::kModify, data));
    const NOTIFYICONDATAW& record = win32host::Win32HostAccess::trayRecord(static_cast<win32host::Win32Host&>(driver.host()));
    EXPECT_EQ(std::wstring(record.szInfoTitle), L"Freed 21 MB of memory");
    EXPECT_EQ(std::wstring(record.szInfo), std::wstring(254, L'x'));
    EXPECT_EQ(record.dwInfoFlags, static_cast<DWORD>(NIIF_INFO | NIIF_NOSOUND));
    EXPECT_EQ(record.uFlags & NIF_INFO, 0u);  // shown once: not again when Explorer starts anew
    EXPECT_TRUE(driver.host().ShellNotifyIcon(model::kDelete, data));
}

}  // namespace
