// The tray icon record and the notifications the icon sends to the main window.
#include <gtest/gtest.h>

#include "monitor_fixture.h"
#include "tray/form6.h"
#include "tray/taskbar_icon.h"

namespace {

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
