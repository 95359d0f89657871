// The main window's life: single instance, start-up, pages, title strip and shutdown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "tray/form6.h"

namespace {

using apptest::ProgramTest;
using tarnolux::Form5;

// After start-up and after every page click exactly one page shows and its button alone is pressed.
void ExpectPage(Form5& f, int page) {  // 0..4 for Frame1(i), 5 for the Options page
    for (int i = 0; i <= 4; ++i) {
        EXPECT_EQ(f.Frame1(i).visible(), i == page) << "Frame1(" << i << ")";
        EXPECT_EQ(f.Check1(i).value(), i == page ? 1 : 0) << "Check1(" << i << ")";
    }
    EXPECT_EQ(f.Frame2->visible(), page == 5);
    EXPECT_EQ(f.Check2->value(), page == 5 ? 1 : 0);
    EXPECT_EQ(f.PageSwitching, 0);
}

TEST_F(ProgramTest, SecondInstanceEndsWithoutTouchingAnything) {
    sys.prevInstance = true;
    program = std::make_unique<tarnolux::Program>(app, sys, host);
    EXPECT_FALSE(program->Start());
    EXPECT_TRUE(program->form5().InstanceEnded);
    EXPECT_FALSE(program->form5().loaded());
    EXPECT_FALSE(program->form6Loaded());
    EXPECT_TRUE(host.trayCalls.empty());
    EXPECT_EQ(sys.globalMemoryStatusCalls, 0);
    EXPECT_FALSE(sys.RegKeyExists(platform::HKEY_CURRENT_USER, "Software\\TALVO"));
}

TEST_F(ProgramTest, StartUpLaysOutTheWindowAndShowsTheGeneralPage) {
    Form5& f = Start();
    ASSERT_TRUE(f.loaded());
    EXPECT_EQ(f.Label20->caption(), "       Tarnolux   v.1.8");
    EXPECT_EQ(f.caption(), "Tarnolux ");
    EXPECT_EQ(program->AppTitle, "Tarnolux ");
    EXPECT_EQ(f.width(), 5970);
    EXPECT_EQ(f.height(), 3120);
    EXPECT_EQ(f.Shape2->width(), 5990);
    EXPECT_EQ(f.Picture1->width(), 3725);
    EXPECT_EQ(f.Picture1->height(), 2440);
    EXPECT_EQ(f.Text5->left(), 8000);
    EXPECT_EQ(f.Line1->y1(), f.Line2->y1() + 10);
    EXPECT_EQ(f.Line1->y2(), f.Line2->y2() + 10);

    const forms::Control& first = f.Frame1(0);
    for (forms::Control* page : {&f.Frame1(1), &f.Frame1(2), &f.Frame1(3), &f.Frame1(4), f.Frame2}) {
        EXPECT_EQ(page->left(), first.left());
        EXPECT_EQ(page->top(), first.top());
        EXPECT_EQ(page->width(), first.width());
        EXPECT_EQ(page->height(), first.height());
        EXPECT_EQ(page->backColor(), first.backColor());
    }
    EXPECT_EQ(f.Check3->backColor(), first.backColor());
    EXPECT_EQ(f.Check4(3).backColor(), first.backColor());
    ExpectPage(f, 0);
    EXPECT_EQ(f.Frame1(0).caption(), "");

    // The icon is added with the window's own icon, then titled, before the first tick retitles it.
    ASSERT_GE(host.trayCalls.size(), 2u);
    EXPECT_EQ(host.trayCalls[0].message, host::NIM_ADD);
    EXPECT_EQ(host.trayCalls[0].data.icon.resource, 1);
    EXPECT_EQ(host.trayCalls[1].message, host::NIM_MODIFY);
    EXPECT_EQ(host.trayCalls[1].data.tipText(), "Tarnolux ");
    EXPECT_TRUE(host.trayIconPresent);

    EXPECT_TRUE(host.Running(*f.Timer1));
    EXPECT_TRUE(host.Running(*f.Timer4));
    EXPECT_FALSE(host.Running(*f.Timer2));
    EXPECT_FALSE(host.Running(*f.Timer3));
    EXPECT_FALSE(host.Running(*f.Timer5));
    EXPECT_EQ(f.Unloading, 0);
    // Without a language file the total is still the machine's.
    EXPECT_EQ(f.TotalMemoryMB, 128);
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST_F(ProgramTest, LanguageListAndStoredLanguageIgnoreCase) {
    sys.AddFile("/opt/tarnolux/Language/english.ini", "[english]\n1=CPU\n");
    sys.AddFile("/opt/tarnolux/Language/French.INI", "[french]\n1=Processeur\n");
    sys.AddFile("/opt/tarnolux/Language/notes.txt", "");
    Store("Language", "English");
    Form5& f = Start();

    std::vector<std::string> expected;
    for (const std::string& name : sys.Dir("/opt/tarnolux/Language/*.ini", 7)) expected.push_back(name.substr(0, name.size() - 4));
    EXPECT_EQ(f.Combo1->items(), expected);
    ASSERT_GE(f.Combo1->listIndex(), 0);
    EXPECT_EQ(f.Combo1->text(), "english");
    EXPECT_TRUE(host.msgBoxes.empty());

    f.Unload();
    EXPECT_EQ(Stored("Language"), "english");
}

TEST_F(ProgramTest, UnknownLanguageSelectsNothingAndStoresEmpty) {
    sys.AddFile("/opt/tarnolux/Language/english.ini", "[english]\n");
    Store("Language", "klingon");
    Form5& f = Start();
    EXPECT_EQ(f.Combo1->listIndex(), -1);
    EXPECT_EQ(f.Check1(0).caption(), "CPU");
    EXPECT_TRUE(host.msgBoxes.empty());
    f.Unload();
    EXPECT_EQ(Stored("Language"), "");
}

TEST_F(ProgramTest, StoredSkinIsUsedWhenItsFileExists) {
    sys.AddFile("/opt/tarnolux/Skins/Default.ini", "");
    sys.AddFile("/opt/tarnolux/Skins/Blue.ini", "");
    Store("Skin", "Blue");
    Start();
    EXPECT_EQ(program->CurrentSkin, "blue");
    form().Unload();
    EXPECT_EQ(Stored("Skin"), "blue");
}

TEST_F(ProgramTest, MissingSkinFileFallsBackToDefault) {
    sys.AddFile("/opt/tarnolux/Skins/Default.ini", "");
    Store("Skin", "Blue");
    Start();
    EXPECT_EQ(program->CurrentSkin, "Default");
    form().Unload();
    EXPECT_EQ(Stored("Skin"), "Default");

    // A stored name with wildcards names no file.
    sys.AddFile("/opt/tarnolux/Skins/Green.ini", "");
    Store("Skin", "*");
    Start();
    EXPECT_EQ(program->CurrentSkin, "Default");
}

TEST_F(ProgramTest, SkinMenuListsEachSkinFileOnce) {
    sys.AddFile("/opt/tarnolux/Skins/Default.ini", "");
    sys.AddFile("/opt/tarnolux/Skins/Blue.INI", "");
    sys.AddFile("/opt/tarnolux/Skins/Green.ini", "");
    Start();
    tarnolux::Form6& menu = program->form6();
    if (!menu.Skins_MEnu) GTEST_SKIP() << "the tray menu is not built yet";
    std::vector<std::string> captions;
    for (const auto& [index, item] : menu.Skins_names.items()) {
        captions.push_back(item->caption());
        EXPECT_TRUE(item->visible());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Default", "Blue", "Green"}));
    EXPECT_EQ(menu.disable_menu->tag(), "0");
}

TEST_F(ProgramTest, PageButtonsSwitchPagesAndTheirTimers) {
    Form5& f = Start();

    f.Check1(1).userClick();  // Disk
    ExpectPage(f, 1);
    EXPECT_TRUE(host.Running(*f.Timer2));

    // The pressed Disk button sets its page up again: the timer restarts, the button stays pressed.
    host.Advance(1500);
    EXPECT_EQ(host.DueIn(*f.Timer2), 500);
    f.Check1(1).userClick();
    ExpectPage(f, 1);
    EXPECT_EQ(host.DueIn(*f.Timer2), 2000);

    f.Check1(4).userClick();  // Cache: its size is shown at once and refreshed while it shows
    ExpectPage(f, 4);
    EXPECT_FALSE(host.Running(*f.Timer2));
    EXPECT_TRUE(host.Running(*f.Timer3));
    EXPECT_EQ(f.Label9->caption(), "0.00 MB.");
    sys.diskCacheBytes = 3145728;
    host.Advance(2000);
    EXPECT_EQ(f.Label9->caption(), "3.00 MB.");

    f.List2->addItem("left over");
    f.Check2->userClick();  // Options
    ExpectPage(f, 5);
    EXPECT_FALSE(host.Running(*f.Timer3));
    EXPECT_EQ(f.List2->listCount(), 0);

    f.Check2->userClick();  // the pressed Options button keeps its page
    ExpectPage(f, 5);

    f.Check1(0).userClick();  // back to "CPU"
    ExpectPage(f, 0);

    f.Check1(2).userClick();
    ExpectPage(f, 2);
    f.Check1(3).userClick();
    ExpectPage(f, 3);
}

TEST_F(ProgramTest, FocusGoesToTheSinkWhenTheWindowIsActivated) {
    Form5& f = Start();
    host.focusCalls.clear();
    f.activate();
    ASSERT_EQ(host.focusCalls.size(), 1u);
    EXPECT_EQ(host.focusCalls[0], f.Text5);
}

TEST_F(ProgramTest, HideButtonHidesTheWindowAndTheProgramGoesOn) {
    Form5& f = Start();
    ASSERT_TRUE(f.visible());
    f.Check8->userClick();
    EXPECT_FALSE(f.visible());
    EXPECT_EQ(f.Check8->value(), 0);
    EXPECT_TRUE(f.loaded());
    EXPECT_TRUE(host.trayIconPresent);
    const int before = sys.globalMemoryStatusCalls;
    host.Advance(1000);
    EXPECT_GT(sys.globalMemoryStatusCalls, before);
    EXPECT_TRUE(host.Running(*f.Timer1));
    EXPECT_TRUE(host.Running(*f.Timer4));
}

TEST_F(ProgramTest, HideButtonKeepsTheWindowWithoutANotificationArea) {
    host.trayAvailable = false;
    Form5& f = Start();
    f.Check8->userClick();
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.Check8->value(), 0);
}

TEST_F(ProgramTest, OnlyTheLeftButtonDragsTheTitleStrip) {
    Form5& f = Start();
    f.Label20->MouseMove(forms::vbRightButton, 0, 100, 100);
    f.Label20->MouseMove(forms::vbLeftButton | forms::vbRightButton, 0, 100, 100);
    EXPECT_TRUE(host.drags.empty());
    f.Label20->MouseMove(forms::vbLeftButton, 0, 100, 100);
    ASSERT_EQ(host.drags.size(), 1u);
    EXPECT_EQ(host.drags[0], &f);
}

TEST_F(ProgramTest, MenuButtonPopsTheTrayMenuAndIsReleasedAfterwards) {
    Form5& f = Start();
    if (!program->form6().file_menu) GTEST_SKIP() << "the tray menu is not built yet";
    f.Check6->userClick();
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, program->form6().file_menu);
    EXPECT_EQ(f.Check6->value(), 0);
    EXPECT_EQ(host.popups.size(), 1u);  // the release does not pop it again
}

TEST_F(ProgramTest, ExitFromTheMenuButtonEndsTheProgramWithoutTouchingTheButton) {
    Form5& f = Start();
    if (!program->form6().file_menu) GTEST_SKIP() << "the tray menu is not built yet";
    host.onPopupMenu = [&](forms::MenuItem&, forms::MenuItem*) { program->form6().exit_menu->userClick(); };
    f.Check6->userClick();
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(f.Unloading, 1);
    EXPECT_EQ(f.Check6->value(), 1);
    EXPECT_FALSE(program->form6Loaded());
    EXPECT_FALSE(host.trayIconPresent);
    EXPECT_TRUE(host.quitCalled);
    EXPECT_EQ(Stored("Left"), "480");
}

TEST_F(ProgramTest, CloseButtonSavesClosesEveryWindowAndRemovesTheIcon) {
    Form5& f = Start();
    program->form2();  // a window loaded on demand
    f.move(1200, 900);
    f.Check5->userClick();
    EXPECT_FALSE(f.loaded());
    EXPECT_FALSE(program->form2Loaded());
    EXPECT_FALSE(program->form6Loaded());
    EXPECT_FALSE(app.anyLoaded());
    EXPECT_TRUE(host.quitCalled);
    ASSERT_FALSE(host.trayCalls.empty());
    EXPECT_EQ(host.trayCalls.back().message, host::NIM_DELETE);
    EXPECT_FALSE(host.trayIconPresent);
    EXPECT_EQ(Stored("Left"), "1200");
    EXPECT_EQ(Stored("Top"), "900");
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST_F(ProgramTest, TheSessionEndingSavesTheSettings) {
    Start();
    host.EndSession();
    EXPECT_FALSE(form().loaded());
    EXPECT_EQ(Stored("StartMinimized"), "0");
}

}  // namespace
