// What every host does alike, so the scripted host never drifts from the real ones. A driver is the user's
// hand: ChooseInNextMenu("") closes the next pop-up unchosen; a host without threads serves WhileWorkRuns.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "forms/forms.h"
#include "host/host.h"
#include "support.h"

namespace hostcontract {

// The cases' forms go while loaded, as a form may.
class ContractForm : public forms::Form {
public:
    explicit ContractForm(forms::Application& app, const std::string& name = "Contract") : forms::Form(app, name) {}
    int queryUnloadMode = -1;
    bool refuseToClose = false;
    void Form_QueryUnload(int& cancel, int mode) override {
        queryUnloadMode = mode;
        if (refuseToClose) cancel = 1;
    }
};

// For a host with threads: sends from another thread, as another start would, while `serve` serves events.
template <typename Serve>
std::optional<std::string> SendFromAnotherThread(host::Host& host, const std::string& channel,
                                                 const std::string& request, Serve serve) {
    std::optional<std::string> answer;
    std::atomic<bool> done{false};
    std::thread other([&] {
        answer = host.SendToRunningInstance(channel, request);
        done = true;
    });
    while (!done) serve();
    other.join();
    return answer;
}

template <typename Driver>
class HostContract : public ::testing::Test {
protected:
    forms::Application app;
    Driver driver{app};
    host::Host& host() { return driver.host(); }
    void SetUp() override {
        if (!driver.Usable()) GTEST_SKIP() << "this host cannot make windows here";
    }

    // Serves events until `done` holds, for at most a few seconds of (real or virtual) time.
    template <typename Done>
    bool ServeUntil(Done done) {
        for (int i = 0; i < 300 && !done(); ++i) driver.LetTimePass(10);
        return done();
    }
};

TYPED_TEST_SUITE_P(HostContract);

TYPED_TEST_P(HostContract, ClosingAWindowAsksItsFormWhichMayRefuseAndClosingTheLastEndsTheLoop) {
    ContractForm f(this->app);
    f.Show();
    this->host().PaintNow(f);

    f.refuseToClose = true;
    this->driver.UserCloses(f);
    EXPECT_EQ(f.queryUnloadMode, 0);  // the control menu, not code
    EXPECT_TRUE(f.loaded());
    EXPECT_TRUE(this->driver.Shown(f));

    f.refuseToClose = false;
    this->driver.UserCloses(f);
    EXPECT_FALSE(f.loaded());
    this->host().SetWindowPos(f, host::HWND_TOPMOST, 0, 0, 600, 600, host::SWP_SHOWWINDOW);  // gone stays gone
    EXPECT_FALSE(this->driver.Shown(f));
    EXPECT_EQ(this->host().Run(), 0);  // returns at once: nothing is left to run
}

TYPED_TEST_P(HostContract, MenusAndBoxesAnswerTheUserUntilQuitEndsTheLoopWithItsCode) {
    ContractForm f(this->app);
    forms::MenuItem& file = f.menuRoot().add("file_menu", "file");
    std::vector<std::string> clicked;
    forms::MenuItem& restore = file.add("restore_menu", "&Restore");
    restore.Click = [&] { clicked.push_back("restore"); };
    file.add("sep", "-");
    file.add("hidden_menu", "Hidden").setVisible(false);
    file.add("exit_menu", "E&xit").Click = [&] { clicked.push_back("exit"); };
    forms::Control& timer = f.add(forms::Kind::Timer, "Timer1");
    timer.Timer = [&] {
        timer.setEnabled(false);
        this->host().Quit(3);
    };
    f.Show();

    // A pop-up offers the visible items and runs the chosen one before it returns.
    this->driver.ChooseInNextMenu("E&xit");
    this->host().PopupMenu(f, file, &restore);
    EXPECT_EQ(this->driver.menuOffered, (std::vector<std::string>{"&Restore", "-", "E&xit"}));
    EXPECT_EQ(clicked, std::vector<std::string>{"exit"});
    this->driver.ChooseInNextMenu("");
    this->host().PopupMenu(f, file, nullptr);
    for (const auto& [style, answer] :
         {std::pair{host::vbYesNo | host::vbQuestion, host::vbYes}, {host::vbYesNo, host::vbNo},
          {host::vbOKCancel, host::vbCancel}, {host::vbInformation, host::vbOK}}) {
        this->driver.AnswerNextMsgBox(answer);
        EXPECT_EQ(this->host().MsgBox("Free now?", style, "Tarnolux "), answer);
    }

    timer.setInterval(20);
    ASSERT_TRUE(this->ServeUntil([&] { return !timer.enabled(); }));
    EXPECT_EQ(this->host().Run(), 3);
    // Nobody is there to answer: boxes count as closed, menus as dismissed (armed lest a host still waits).
    this->driver.AnswerNextMsgBox(host::vbYes);
    EXPECT_EQ(this->host().MsgBox("Free now?", host::vbYesNo | host::vbQuestion, "Tarnolux "), host::vbNo);
    this->driver.ChooseInNextMenu("&Restore");
    this->host().PopupMenu(f, file, nullptr);
    EXPECT_EQ(clicked, std::vector<std::string>{"exit"});
    bool stoppedAtOnce = false;
    this->host().RunAside([&](std::stop_token stop) { stoppedAtOnce = stop.stop_requested(); });
    EXPECT_TRUE(stoppedAtOnce);
}

TYPED_TEST_P(HostContract, TimersTickWhileEnabledWithAnIntervalAndStopWithTheirForm) {
    ContractForm f(this->app);
    forms::Control& timer = f.add(forms::Kind::Timer, "Timer1");
    int ticks = 0;
    timer.Timer = [&] { ++ticks; };
    timer.setInterval(15);
    timer.setEnabled(false);
    f.Load();
    const auto quietFor = [&](int ms) {
        const int before = ticks;
        this->driver.LetTimePass(ms);
        return ticks == before;
    };
    EXPECT_TRUE(quietFor(60));
    timer.setEnabled(true);  // a timer loaded switched off starts when switched on
    ASSERT_TRUE(this->ServeUntil([&] { return ticks >= 2; }));

    timer.setEnabled(false);
    EXPECT_TRUE(quietFor(60));
    timer.setInterval(0);
    timer.setEnabled(true);
    EXPECT_TRUE(quietFor(60));
    timer.setInterval(15);  // an interval given to a switched-on timer that had none starts it
    const int restarted = ticks;
    EXPECT_TRUE(this->ServeUntil([&] { return ticks > restarted; }));

    // A handler may unload the very form its timer sits on.
    ContractForm other(this->app, "Other");
    forms::Control& last = other.add(forms::Kind::Timer, "Timer1");
    last.setInterval(15);
    last.Timer = [&] { other.Unload(); };
    other.Load();
    EXPECT_TRUE(this->ServeUntil([&] { return !other.loaded(); }));

    // A form destroyed while shown leaves nothing to paint or tick (the address sanitizer shows any).
    timer.setEnabled(false);
    {
        forms::Form gone(this->app, "Gone");
        forms::Control& label = gone.add(forms::Kind::Label, "Label1");
        label.move(0, 0, 600, 300);
        label.setCaption("gone");
        forms::Control& goneTimer = gone.add(forms::Kind::Timer, "Timer1");
        goneTimer.setInterval(10);
        goneTimer.Timer = [&] { ++ticks; };
        gone.Show();
    }
    EXPECT_TRUE(quietFor(60));
    timer.setEnabled(true);
    f.Unload();
    EXPECT_TRUE(quietFor(60));
}

TYPED_TEST_P(HostContract, WorkAsideLeavesEventsServedAndQuittingAsksItToStop) {
    ContractForm f(this->app);
    forms::Control& timer = f.add(forms::Kind::Timer, "Timer1");
    std::atomic<int> ticks{0};
    // The user-interface thread quits once it has ticked while the work ran; nothing serves its events before.
    timer.Timer = [&] {
        if (++ticks == 2) this->host().Quit(0);
    };
    timer.setInterval(10);
    f.Load();
    bool sawTicks = false, sawStop = false;
    this->driver.WhileWorkRuns([&] { this->driver.LetTimePass(40); });
    this->host().RunAside([&](std::stop_token stop) {
        sawTicks = testsupport::Eventually([&] { return ticks.load() >= 1; });
        sawStop = testsupport::Eventually([&] { return stop.stop_requested(); });
    });
    EXPECT_TRUE(sawTicks);
    EXPECT_TRUE(sawStop);
}

TYPED_TEST_P(HostContract, TheTrayIconIsAddedOnceChangedAndRemovedAndHidingWithoutATrayMinimises) {
    ContractForm f(this->app);
    f.setShowInTaskbar(false);
    forms::Control& text = f.add(forms::Kind::TextBox, "Text1");
    text.move(0, 0, 600, 285);
    f.Show();
    this->host().PaintNow(f);

    host::NotifyIconData data;
    data.window = &f;
    data.flags = host::NIF_MESSAGE | host::NIF_ICON;
    data.icon = {101, {}};
    const bool added = this->host().ShellNotifyIcon(host::NIM_ADD, data);
    if (added) {
        EXPECT_FALSE(this->host().ShellNotifyIcon(host::NIM_ADD, data));
        EXPECT_TRUE(this->host().ShellNotifyIcon(host::NIM_MODIFY, data));
    }

    EXPECT_TRUE(this->host().SetFocus(text));
    f.Hide();
    this->driver.LetTimePass(20);
    if constexpr (TypeParam::kHasWindows) {
        // Hidden, it could only come back through the tray: without one it stays on the taskbar, minimised.
        EXPECT_EQ(this->driver.Minimised(f), !this->host().TrayAvailable());
    }
    EXPECT_FALSE(this->driver.Shown(f));
    EXPECT_FALSE(this->host().SetFocus(text));
    f.Show();
    this->host().PaintNow(f);
    EXPECT_TRUE(this->driver.Shown(f));
    EXPECT_TRUE(this->host().SetFocus(text));
    text.setEnabled(false);
    EXPECT_FALSE(this->host().SetFocus(text));

    EXPECT_EQ(this->host().ShellNotifyIcon(host::NIM_DELETE, data), added);
    EXPECT_FALSE(this->host().ShellNotifyIcon(host::NIM_MODIFY, data));
    EXPECT_FALSE(this->host().ShellNotifyIcon(host::NIM_DELETE, data));
}

// A request may take minutes (a large free-up that swaps): the sender gives up only on a silent instance.
TYPED_TEST_P(HostContract, ALaterStartIsAnsweredByTheListeningHostHoweverSlowlyButAHungOneIsGivenUp) {
    using std::chrono::milliseconds;
    ContractForm f(this->app);
    f.Load();
    this->host().laterStartTiming = {milliseconds(50), milliseconds(500)};
    std::vector<std::string> seen;
    milliseconds busyFor(0);
    bool servingEvents = true;
    this->host().LaterStart = [&](const std::string& request) {
        seen.push_back(request);
        const auto work = [&](std::stop_token) { std::this_thread::sleep_for(busyFor); };
        if (servingEvents) this->host().RunAside(work);
        else work({});
        return "ok " + request;
    };
    const std::string channel = this->driver.Channel();
    ASSERT_TRUE(this->host().ListenForLaterStarts(channel));
    EXPECT_EQ(this->driver.SendFromAnotherStart(channel, "show"), std::optional<std::string>("ok show"));
    busyFor = milliseconds(2000);
    EXPECT_EQ(this->driver.SendFromAnotherStart(channel, "free-up 10"), std::optional<std::string>("ok free-up 10"));
    EXPECT_EQ(seen, (std::vector<std::string>{"show", "free-up 10"}));
    if constexpr (TypeParam::kHasWindows) {  // the hosts with windows are the ones with threads
        servingEvents = false;
        busyFor = milliseconds(1500);
        EXPECT_EQ(this->driver.SendFromAnotherStart(channel, "show"), std::nullopt);
    }
    this->host().LaterStart = nullptr;
}

TYPED_TEST_P(HostContract, TheScreensStartWithThePrimaryAtTheOriginInTwips) {
    EXPECT_EQ(std::pair(this->host().TwipsPerPixelX(), this->host().TwipsPerPixelY()), std::pair(15, 15));
    const std::vector<host::ScreenRect> screens = this->host().Screens();
    EXPECT_TRUE(std::any_of(screens.begin(), screens.end(), [&](const host::ScreenRect& s) {
        return s.left == 0 && s.top == 0 && s.width == this->host().ScreenWidth() &&
               s.height == this->host().ScreenHeight();
    }));
}

REGISTER_TYPED_TEST_SUITE_P(HostContract, ClosingAWindowAsksItsFormWhichMayRefuseAndClosingTheLastEndsTheLoop,
                            MenusAndBoxesAnswerTheUserUntilQuitEndsTheLoopWithItsCode,
                            TimersTickWhileEnabledWithAnIntervalAndStopWithTheirForm,
                            WorkAsideLeavesEventsServedAndQuittingAsksItToStop,
                            TheTrayIconIsAddedOnceChangedAndRemovedAndHidingWithoutATrayMinimises,
                            ALaterStartIsAnsweredByTheListeningHostHoweverSlowlyButAHungOneIsGivenUp,
                            TheScreensStartWithThePrimaryAtTheOriginInTwips);

}  // namespace hostcontract
