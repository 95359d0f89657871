// The main window's life: single instance, start-up, pages, title strip and shutdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "tray/form6.h"

namespace {

using apptest::ProgramTest;
using tarnolux::Form5;

// Exactly one page shows and its button alone is pressed; 5 is the Options page.
void ExpectPage(Form5& f, int page) {
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(f.Frame1(i).visible(), i == page) << i;
        EXPECT_EQ(f.Check1(i).value(), i == page ? 1 : 0) << i;
    }
    EXPECT_EQ(f.Frame2->visible(), page == 5);
    EXPECT_EQ(f.Check2->value(), page == 5 ? 1 : 0);
    EXPECT_EQ(f.PageSwitching, 0);
}

TEST_F(ProgramTest, StartUpLaysOutTheWindowAndShowsTheGeneralPage) {
    Form5& f = Start();
    ASSERT_TRUE(f.loaded());
    EXPECT_EQ(f.Label20->caption(), "       Tarnolux   v.1.8");
    for (forms::Control* page : {&f.Frame1(1), &f.Frame1(4), f.Frame2})
        EXPECT_EQ(page->left() * 10000 + page->top(), f.Frame1(0).left() * 10000 + f.Frame1(0).top());
    ExpectPage(f, 0);

    // The icon is added with the window's own icon and titled before the first tick retitles it.
    ASSERT_GE(host.trayCalls.size(), 2u);
    EXPECT_EQ(host.trayCalls[0].data.icon.resource, 1);
    EXPECT_EQ(host.trayCalls[1].data.tipText(), "Tarnolux ");

    EXPECT_TRUE(host.Running(*f.Timer1) && host.Running(*f.Timer4));
    EXPECT_FALSE(host.Running(*f.Timer2) || host.Running(*f.Timer3) || host.Running(*f.Timer5));
    EXPECT_EQ(f.TotalMemoryMB, 128);  // without a language file too
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST_F(ProgramTest, LanguageListAndStoredLanguageIgnoreCase) {
    sys.AddFile("/opt/tarnolux/Language/english.ini", "[english]\n1=CPU\n");
    sys.AddFile("/opt/tarnolux/Language/French.INI", "[french]\n1=Processeur\n");
    sys.AddFile("/opt/tarnolux/Language/notes.txt", "");
    Store("Language", "English");
    Form5& f = Start();
    EXPECT_EQ(f.Combo1->listCount(), 2);  // not notes.txt
    EXPECT_EQ(f.Combo1->text(), "english");
    f.Unload();
    EXPECT_EQ(Stored("Language"), "english");

    Store("Language", "klingon");
    Form5& g = Start();
    EXPECT_EQ(g.Combo1->listIndex(), -1);
    EXPECT_TRUE(host.msgBoxes.empty());
    EXPECT_EQ(g.Check4(0).caption(), "Start on Windows StartUp.");  // the design's captions stay
    g.Unload();
    EXPECT_EQ(Stored("Language"), "");

    // The empty name stored then falls back like a missing one.
    Form5& h = Start();
    EXPECT_EQ(h.Combo1->text(), "english");
    EXPECT_EQ(h.Check1(0).caption(), "CPU");
    // A name listed in capitals opens its file as the folder spells it.
    for (int i = 0; i < h.Combo1->listCount(); ++i)
        if (h.Combo1->list(i) == "French") h.Combo1->setListIndex(i);
    EXPECT_EQ(h.Combo1->text(), "French");
    EXPECT_TRUE(host.msgBoxes.empty());
    EXPECT_EQ(h.Check1(0).caption(), "Processeur");
    h.Unload();
    EXPECT_EQ(Stored("Language"), "French");
}

TEST_F(ProgramTest, PageButtonsSwitchPagesAndTheirTimers) {
    Form5& f = Start();
    f.Check1(1).userClick();  // Disk
    ExpectPage(f, 1);
    EXPECT_TRUE(host.Running(*f.Timer2));

    // The pressed Disk button sets its page up again: the timer restarts, the button stays pressed.
    host.Advance(1500);
    f.Check1(1).userClick();
    ExpectPage(f, 1);
    EXPECT_EQ(host.DueIn(*f.Timer2), 2000);

    f.Check1(4).userClick();  // Cache: the size shows at once and is refreshed while the page shows
    ExpectPage(f, 4);
    EXPECT_FALSE(host.Running(*f.Timer2));
    EXPECT_EQ(f.Label9->caption(), "0.00 MB.");
    sys.diskCacheBytes = 3145728;
    host.Advance(2000);
    EXPECT_EQ(f.Label9->caption(), "3.00 MB.");

    f.List2->addItem("left over");
    f.Check2->userClick();  // Options
    ExpectPage(f, 5);
    EXPECT_FALSE(host.Running(*f.Timer3));
    EXPECT_EQ(f.List2->listCount(), 0);
    f.Check2->userClick();
    ExpectPage(f, 5);
    f.Check1(0).userClick();
    ExpectPage(f, 0);
}

TEST_F(ProgramTest, TitleStripButtonsAndDragging) {
    Form5& f = Start();
    f.Label20->MouseMove(forms::vbRightButton, 0, 100, 100);
    EXPECT_TRUE(host.drags.empty());
    f.Label20->MouseMove(forms::vbLeftButton, 0, 100, 100);
    EXPECT_EQ(host.drags, std::vector<forms::Form*>{&f});

    f.Check6->userClick();  // "...": the tray menu, then the button comes up again
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, program->form6().file_menu);
    f.Check8->userClick();  // "__": hidden, still running in the notification area
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(std::pair(f.Check6->value(), f.Check8->value()), std::pair(0, 0));
    const int samples = sys.globalMemoryStatusCalls;
    host.Advance(1000);
    EXPECT_GT(sys.globalMemoryStatusCalls, samples);
    EXPECT_TRUE(host.trayIconPresent);
}

TEST_F(ProgramTest, ExitFromTheMenuButtonEndsTheProgramWithoutTouchingTheButton) {
    Form5& f = Start();
    host.onPopupMenu = [&](forms::MenuItem&, forms::MenuItem*) { program->form6().exit_menu->userClick(); };
    f.Check6->userClick();
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(f.Check6->value(), 1);
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(Stored("Left"), "480");
}

TEST_F(ProgramTest, CloseButtonSavesClosesEveryWindowAndRemovesTheIcon) {
    Form5& f = Start();
    program->form2();
    f.move(1200, 900);
    f.Check5->userClick();
    EXPECT_FALSE(app.anyLoaded());
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(host.trayCalls.back().message, host::NIM_DELETE);
    EXPECT_FALSE(host.trayIconPresent);
    EXPECT_EQ(Stored("Left").value_or("") + "," + Stored("Top").value_or(""), "1200,900");
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

}  // namespace
