// The toolkit semantics the program relies on: events raised at once and nested, refusal of scroll
// values out of range, control arrays, menus that grow, and the scripted host's virtual clock.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "forms/forms.h"
#include "host/scripted_host.h"

using forms::Kind;

namespace {

struct Fixture : ::testing::Test {
    forms::Application app;
    host::ScriptedHost host{app};
    forms::Form form{app, "F"};
};

TEST_F(Fixture, ValueChangesRaiseTheirEventNestedAndOnlyOnChange) {
    auto& a = form.add(Kind::CheckBox, "A");
    auto& b = form.add(Kind::CheckBox, "B");
    std::vector<std::string> log;
    a.Click = [&] {
        log.push_back("A" + std::to_string(a.value()));
        b.setValue(1);  // nested: B's handler runs before this one goes on
        log.push_back("A-end");
    };
    b.Click = [&] { log.push_back("B" + std::to_string(b.value())); };
    a.setValue(1);
    a.setValue(1);  // unchanged: no event
    EXPECT_EQ(log, (std::vector<std::string>{"A1", "B1", "A-end"}));

    // A user click flips a push button, also a pressed one.
    log.clear();
    a.userClick();
    EXPECT_EQ(a.value(), 0);
    a.setEnabled(false);
    a.userClick();  // disabled controls ignore the user
    EXPECT_EQ(log, (std::vector<std::string>{"A0", "A-end"}));
}

TEST_F(Fixture, ScrollBarRefusesValuesOutsideItsRange) {
    auto& s = form.add(Kind::VScrollBar, "S");
    s.setMin(1);
    s.setMax(99);
    int changes = 0;
    s.Change = [&] { ++changes; };
    EXPECT_TRUE(s.setValue(50));
    EXPECT_FALSE(s.setValue(100) || s.setValue(0));
    EXPECT_EQ(std::pair(s.value(), changes), std::pair(50, 1));
}

TEST_F(Fixture, TextAndListSelectionRaiseTheirEvents) {
    auto& t = form.add(Kind::TextBox, "T");
    auto& c = form.add(Kind::ComboBox, "C");
    int textChanges = 0, clicks = 0;
    t.Change = [&] { ++textChanges; };
    c.Click = [&] { ++clicks; };
    t.setText("12");
    t.setText("12");
    c.addItem("english");
    c.addItem("deutsch");
    EXPECT_EQ(c.text(), "");
    c.setListIndex(1);
    EXPECT_EQ(c.text(), "deutsch");
    c.setListIndex(1);  // selecting the selected item clicks again
    EXPECT_EQ(std::pair(textChanges, clicks), std::pair(1, 2));
    c.removeItem(0);
    EXPECT_EQ(c.listIndex(), 0);
    EXPECT_EQ(c.text(), "deutsch");
}

TEST_F(Fixture, MenuArraysGrowAfterTheirLastItem) {
    auto& top = form.menuRoot().add("file_menu", "file");
    auto& first = top.add("Skins_names", "Default", 0);
    top.add("after", "After");
    first.loadArrayItem(1).setCaption("Blue");
    form.menu("Skins_names", 0).loadArrayItem(2).setCaption("Green");
    std::vector<std::string> captions;
    for (auto& c : top.children()) captions.push_back(c->caption());
    EXPECT_EQ(captions, (std::vector<std::string>{"Default", "Blue", "Green", "After"}));
    int clicks = 0;
    form.menu("Skins_names", 2).Click = [&] { ++clicks; };
    form.menu("Skins_names", 2).setEnabled(false);
    form.menu("Skins_names", 2).userClick();
    EXPECT_EQ(clicks, 0);
}

TEST_F(Fixture, UnloadAsksFirstAndTheLastUnloadEndsTheProgram) {
    struct Asking : forms::Form {
        using forms::Form::Form;
        int cancel = 1;
        void Form_QueryUnload(int& c, int) override { c = cancel; }
    } asking{app, "Asking"};
    asking.Show();
    asking.Unload();
    EXPECT_TRUE(asking.loaded());
    asking.cancel = 0;
    asking.Unload();
    EXPECT_FALSE(asking.loaded() || asking.visible());
    EXPECT_TRUE(host.quitCalled);
}

TEST_F(Fixture, VirtualClockFiresDueTimersInTimeOrder) {
    auto& fast = form.add(Kind::Timer, "Fast");
    auto& slow = form.add(Kind::Timer, "Slow");
    fast.setInterval(1000);
    slow.setInterval(2500);
    std::vector<std::string> log;
    fast.Timer = [&] { log.push_back("f" + std::to_string(host.now())); };
    slow.Timer = [&] {
        log.push_back("s" + std::to_string(host.now()));
        slow.setEnabled(false);
    };
    form.Load();
    host.Advance(3000);
    EXPECT_EQ(log, (std::vector<std::string>{"f1000", "f2000", "s2500", "f3000"}));
    EXPECT_FALSE(host.Running(slow));

    // Re-enabling counts the interval from that moment.
    slow.setEnabled(true);
    EXPECT_EQ(host.DueIn(slow), 2500);
    form.Unload();
    EXPECT_FALSE(host.Running(fast));
}

TEST_F(Fixture, TheClockForgetsTheTimersOfAFormDestroyedWhileLoaded) {
    int oldTicks = 0, newTicks = 0;
    for (int run = 0; run < 2; ++run) {
        auto f = std::make_unique<forms::Form>(app, "Run" + std::to_string(run));
        auto& t = f->add(Kind::Timer, "T");
        t.setInterval(100);
        t.Timer = [&ticks = run == 0 ? oldTicks : newTicks] { ++ticks; };
        f->Load();
        host.Advance(100);
        if (run == 1) break;
        f.reset();  // never unloaded: only its destruction says it is gone
        host.Advance(1000);
    }
    EXPECT_EQ(oldTicks, 1);
    EXPECT_EQ(newTicks, 1);
}

}  // namespace
