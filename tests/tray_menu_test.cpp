// The tray: its icon's tooltip and the notifications the icon sends to the main window; the menu's
// tree, and the restore, disable/enable, free-up, ReadMe and exit commands.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "monitor_fixture.h"
#include "tray/form6.h"
#include "tray/taskbar_icon.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

std::vector<std::string> Captions(const forms::MenuItem& menu) {
    std::vector<std::string> out;
    for (const auto& child : menu.children()) out.push_back(child->displayName() + " " + child->caption());
    return out;
}

struct TrayMenuTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    tarnolux::Form6& menu;
    TrayMenuTest() : f(Start()), menu(program->form6()) {
        f.Check4(2).setValue(0);
        f.Check4(3).setValue(0);
        sys.claimRequests.clear();
    }
};

TEST_F(TrayMenuTest, EveryCommandIsWiredAndSkinsAddedAtRunTimeFollowDefault) {
    const std::function<void(const forms::MenuItem&)> wired = [&](const forms::MenuItem& m) {
        for (const auto& child : m.children()) {
            if (!child->isSeparator() && child->children().empty()) {
                EXPECT_TRUE(child->Click) << child->displayName();
            }
            wired(*child);
        }
    };
    EXPECT_EQ(menu.extras_menu->children().size(), 14u);
    menu.AddSkinItem("Blue");
    menu.AddSkinItem("Green");
    EXPECT_EQ(Captions(*menu.Skins_MEnu),
              (std::vector<std::string>{"Skins_names(0) Default", "Skins_names(1) Blue", "Skins_names(2) Green"}));
    wired(*menu.file_menu);
}

TEST_F(TrayMenuTest, RestoreShowsTheWindowAndBringsItToTheFrontOnce) {
    f.Check8->userClick();  // hidden to the tray
    ASSERT_FALSE(f.visible());
    f.move(4800, 1207);
    host.windowPos.clear();
    std::size_t stackingAtEvents = 99;
    host.onDoEvents = [&] { stackingAtEvents = host.windowPos.size(); };

    menu.restore_menu->userClick();
    EXPECT_TRUE(f.visible());
    ASSERT_EQ(host.windowPos.size(), 2u);
    EXPECT_EQ(stackingAtEvents, 1u);  // events run between the two
    EXPECT_EQ(host.windowPos[0].insertAfter, host::HWND_TOPMOST);
    EXPECT_EQ(host.windowPos[1].insertAfter, host::HWND_NOTOPMOST);
    // 1207 / 15 = 80.47: the nearest whole pixel.
    EXPECT_EQ(host.windowPos[1].y, 80);
}

TEST_F(TrayMenuTest, DisableStopsEverythingUntilEnabledAgain) {
    f.Check3->setValue(1);
    host.Advance(65535);
    ASSERT_EQ(f.PeriodTickCount, 1);
    sys.memory.availPhys = 1 * MiB;  // low memory: the green lamps would turn red
    f.Check7->setValue(0);
    host.trayCalls.clear();

    menu.disable_menu->userClick();
    for (forms::Control* t : {f.Timer1, f.Timer4, f.Timer5}) EXPECT_FALSE(host.Running(*t)) << t->name();
    EXPECT_FALSE(f.Frame1(3).enabled());
    EXPECT_EQ(menu.disable_menu->tag(), "1");
    EXPECT_EQ(host.trayIcon.resource, 104);
    EXPECT_EQ(host.trayTip, "Tarnolux  - Disable");
    EXPECT_EQ(menu.disable_menu->caption(), "Enable");  // without a language file: the built-in text

    // Nothing ticks while disabled: no free-up, and the tooltip stays.
    host.Advance(5 * 65535);
    EXPECT_TRUE(sys.claimRequests.empty());
    EXPECT_EQ(host.trayTip, "Tarnolux  - Disable");

    host.trayCalls.clear();
    menu.disable_menu->userClick();
    for (forms::Control* t : {f.Timer1, f.Timer4, f.Timer5}) EXPECT_TRUE(host.Running(*t)) << t->name();
    EXPECT_EQ(f.PeriodTickCount, 1);  // the count goes on where it was
    EXPECT_TRUE(f.Frame1(3).enabled());
    EXPECT_EQ(menu.disable_menu->caption(), "Disable");
    ASSERT_EQ(host.trayCalls.size(), 1u);  // the icon only; the next tick brings the tooltip
    EXPECT_EQ(host.trayCalls[0].data.icon.resource, 101);
}

TEST_F(TrayMenuTest, TheLanguageNamesTheItemAndALanguageAppliedWhileDisabledKeepsItDisabled) {
    program->MenuTexts[1] = "Aus&schalten";  // the tip shows the text without its access key
    program->MenuTexts[17] = "Einschalten";
    f.ApplyLanguage();
    menu.disable_menu->userClick();
    EXPECT_EQ(host.trayTip, "Tarnolux  - Ausschalten");
    EXPECT_EQ(menu.disable_menu->caption(), "Einschalten");

    f.ApplyLanguage();
    EXPECT_EQ(menu.disable_menu->caption(), "Aus&schalten");
    EXPECT_EQ(menu.disable_menu->tag(), "1");
    EXPECT_EQ(host.trayTip, "Tarnolux  - Ausschalten");
    menu.disable_menu->userClick();  // switches on, the periodic timer only when its box is ticked
    EXPECT_EQ(menu.disable_menu->tag(), "0");
    EXPECT_TRUE(host.Running(*f.Timer1) && host.Running(*f.Timer4));
    EXPECT_FALSE(host.Running(*f.Timer5));
}

TEST_F(TrayMenuTest, FreeUpNowUsesThePagesAmount) {
    f.Text2(4).setText("33");  // typed, not yet stored, and not the limit trigger's amount
    menu.free_up_menu->userClick();
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{33 * MiB});
    EXPECT_EQ(f.FreeUpMemoryMB, 21);

    for (const char* text : {"", "lots", "1e99"}) {  // no amount: nothing is freed
        f.Text2(4).setText(text);
        menu.free_up_menu->userClick();
    }
    EXPECT_EQ(sys.claimRequests.size(), 1u);
}

TEST_F(TrayMenuTest, ReadMeOpensTheGuideAndExitEndsTheProgram) {
    menu.readme_file_menu->userClick();
    EXPECT_EQ(sys.shellExecuted, std::vector<std::string>{"/opt/tarnolux/ReadMe.txt"});
    menu.exit_menu->userClick();
    EXPECT_FALSE(f.loaded());
    EXPECT_TRUE(host.quitCalled && Stored("LimitFreeMemory"));
    // A restore arriving afterwards does not start the program over.
    menu.restore_menu_Click();
    EXPECT_FALSE(f.loaded());
}

namespace TI = tarnolux::TaskBar_Icon;
using TrayIconTest = monitortest::WindowTest;

TEST_F(TrayIconTest, TipKeepsSixtyThreeWholeCharactersAndATerminatingZero) {
    const auto tipOf = [&](const std::string& text) {
        TI::TraySetTip(program, text);
        const auto& tip = host.trayCalls.back().data.tip;
        EXPECT_EQ(tip.back(), '\0');
        return host.trayCalls.back().data.tipText();
    };
    const std::string a63(63, 'a');
    EXPECT_EQ(tipOf(a63), a63);
    EXPECT_EQ(tipOf(a63 + "bc"), a63);
    // Accented letters count as one character each, however many bytes they take.
    const std::string accented = "Mémoire libre : 1234 Mo. - - - Processeur utilisé : 100%";
    EXPECT_EQ(tipOf(accented), accented);
    EXPECT_EQ(tipOf(std::string(62, 'a') + "é€"), std::string(62, 'a') + "é");
    EXPECT_EQ(tipOf(std::string(62, 'a') + "𝄞!"), std::string(62, 'a') + "𝄞");
    EXPECT_EQ(tipOf(""), "");
}

TEST_F(TrayIconTest, DoubleClickRestoresAndRightButtonPopsTheMenu) {
    ASSERT_TRUE(program.Start());
    f.Hide();
    host.popups.clear();
    host.windowPos.clear();
    tarnolux::Form6& menus = program.form6();

    f.Form_MouseMove(0, 0, 7710.0f, 0);  // left button up
    f.Form_MouseMove(0, 0, 7695.0f, 0);  // left button down
    f.Form_MouseMove(0, 0, 7740.5f, 0);
    EXPECT_TRUE(host.popups.empty());
    EXPECT_TRUE(host.windowPos.empty());
    EXPECT_FALSE(f.visible());

    f.Form_MouseMove(0, 0, 7740.0f, 0);  // right button up
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, menus.file_menu);
    EXPECT_EQ(host.popups[0].defaultItem, menus.restore_menu);

    f.Form_MouseMove(0, 0, 7725.0f, 0);  // left double-click
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_TRUE(f.visible());
}

}  // namespace
