// The desktop extras of the tray menu on the fake System: one request per item, the taskbar's way
// back (Form4), the question before the recycle bin is emptied, and greyed items without a target.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "tray/form4.h"
#include "tray/form6.h"

namespace {

using platform::DesktopAction;
using platform::ExitWindowsMode;

struct TrayExtrasTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    tarnolux::Form6& menu;
    TrayExtrasTest() : f(Start()), menu(program->form6()) {}
    void Choose(int index) { menu.extras1_menu(index).userClick(); }
    int Count(DesktopAction a) const {
        int n = 0;
        for (DesktopAction d : sys.desktopActions) n += d == a;
        return n;
    }
};

TEST_F(TrayExtrasTest, EachItemMakesOneRequestAndSeparatorsNone) {
    for (int i = 0; i < 14; ++i) menu.extras1_menu_Click(i);
    EXPECT_EQ(sys.desktopActions,
              (std::vector<DesktopAction>{DesktopAction::HideDesktopIcons, DesktopAction::ShowDesktopIcons,
                                          DesktopAction::HideTaskbar, DesktopAction::ShowTaskbar,
                                          DesktopAction::DisableStartButton, DesktopAction::EnableStartButton,
                                          DesktopAction::RunScreenSaver, DesktopAction::MinimizeAll}));
    EXPECT_EQ(sys.emptyRecycleBinCalls, 0);  // an empty bin asks nothing and deletes nothing
    EXPECT_TRUE(host.msgBoxes.empty());

    // Restart and shut down go straight to the system, without a question; the results are not looked at.
    sys.exitWindowsResult = false;
    menu.restart_menu->userClick();
    menu.exit_windows_menu->userClick();
    EXPECT_EQ(sys.exitWindowsCalls, (std::vector<ExitWindowsMode>{ExitWindowsMode::Restart, ExitWindowsMode::ShutDown}));
    EXPECT_TRUE(host.msgBoxes.empty());
}

TEST_F(TrayExtrasTest, HiddenTaskbarLeavesAButtonThatBringsItBack) {
    Choose(3);
    ASSERT_TRUE(program->form4Loaded());
    tarnolux::Form4& back = program->form4();
    EXPECT_TRUE(back.visible());
    EXPECT_EQ(std::pair(back.left(), back.top()), std::pair(120, 120));
    EXPECT_EQ(back.Command1->caption(), "");  // no language applied yet: the text is still empty

    back.Command1->userClick();
    EXPECT_FALSE(program->form4Loaded());
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 1);  // once, not again as the window goes

    // Hidden again, then shown from the menu; hiding twice leaves one window.
    program->ShowTaskbarText = "Taskleiste zeigen";
    Choose(3);
    Choose(3);
    EXPECT_EQ(program->form4().Command1->caption(), "Taskleiste zeigen");
    Choose(4);
    EXPECT_FALSE(program->form4Loaded());
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 2);

    // Showing a taskbar that was never hidden asks once and creates no window.
    Choose(4);
    EXPECT_FALSE(program->form4Loaded());
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 3);
}

TEST_F(TrayExtrasTest, TheTaskbarComesBackWhenItsButtonIsClosedOrTheProgramEnds) {
    Choose(3);
    program->form4().Unload(0);  // the close box
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 1);

    Choose(3);
    menu.exit_menu->userClick();
    EXPECT_FALSE(f.loaded());
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 2);

    // A run that never hid it leaves the panels alone at its end.
    sys.desktopActions.clear();
    Start().Unload();
    EXPECT_EQ(Count(DesktopAction::ShowTaskbar), 0);
}

TEST_F(TrayExtrasTest, EmptyingTheRecycleBinSaysHowManyItemsOnEveryMountGo) {
    sys.recycleBins = {{"/home", 3}, {"/media/usb", 2}};
    program->MenuTexts[11] = "&Papierkorb leeren";
    f.ApplyLanguage();

    host.msgBoxAnswers = {host::vbNo, host::vbYes};
    Choose(11);
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "Are you sure you want to permanently delete these 5 items?");
    EXPECT_EQ(host.msgBoxes[0].style, host::vbYesNo + host::vbExclamation);
    EXPECT_EQ(host.msgBoxes[0].title, "Papierkorb leeren");
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(0, std::uint64_t{5}));
    Choose(11);
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(1, std::uint64_t{0}));

    sys.recycleBins = {{"/media/usb", 1}};
    host.msgBoxAnswers = {host::vbYes};
    Choose(11);
    EXPECT_EQ(host.msgBoxes.back().prompt, "Are you sure you want to permanently delete this item?");
    EXPECT_EQ(sys.emptyRecycleBinCalls, 2);
}

TEST_F(TrayExtrasTest, ItemsWithoutATargetAreGreyedWhenTheMenuPopsUp) {
    sys.extras = {};
    sys.extras.recycleBin = true;
    sys.extras.restart = true;
    f.Form_MouseMove(0, 0, 7740.0f, 0);  // right button on the tray icon
    ASSERT_EQ(host.popups.size(), 1u);
    for (int i : {0, 1, 3, 4, 6, 7, 9, 13}) EXPECT_FALSE(menu.extras1_menu(i).enabled()) << i;
    EXPECT_TRUE(menu.extras1_menu(11).enabled());
    EXPECT_TRUE(menu.restart_menu->enabled());
    EXPECT_FALSE(menu.exit_windows_menu->enabled());
    EXPECT_EQ(menu.extras1_menu(6).caption(), "Disable Start");  // the captions stay

    // The "..." button's menu asks again. While this program keeps the taskbar hidden, the way
    // back stays offered.
    menu.extras1_menu_Click(3);
    f.Check6->userClick();
    ASSERT_EQ(host.popups.size(), 2u);
    EXPECT_FALSE(menu.extras1_menu(3).enabled());
    EXPECT_TRUE(menu.extras1_menu(4).enabled());
}

}  // namespace
