// The rules every host shares (what every host does with forms, timers and boxes: host_contract.h):
// pixel rounding, message-box buttons, scroll-bar arrows, rows shown selected, how a folder list
// shows its folders, and the meaning of clicks on the tray icon.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms/forms.h"
#include "host/host.h"
#include "host/host_rules.h"
#include "host/scripted_host.h"

using forms::Kind;

namespace {

struct Fixture : ::testing::Test {
    forms::Application app;
    host::ScriptedHost host{app};
    forms::Form form{app, "F"};
};

TEST_F(Fixture, AListWithoutAChosenRowShowsTheRowOfItsPath) {
    auto& drives = form.add(Kind::DriveListBox, "Drive1");
    for (const char* d : {"c: /", "z: /media/Zip"}) drives.addItem(d);
    for (const auto& [path, row] : {std::pair{"Z: /MEDIA/zip", 1}, {"c: /", 0}, {"y: /", -1}}) {
        drives.setPath(path);
        EXPECT_EQ(host::ShownListIndex(drives), row) << path;
    }
    drives.setListIndex(0);
    EXPECT_EQ(host::ShownListIndex(drives), 0);
}

TEST(HostRulesTest, TwipsRoundToTheNearestPixelAndTouchingControlsStayTouching) {
    // Half a pixel rounds away from zero.
    EXPECT_EQ((std::vector<int>{host::Px(7), host::Px(8), host::Px(-7), host::Px(-8)}), (std::vector<int>{0, 1, 0, -1}));
    EXPECT_EQ(host::Px(host::Twips(-3)), -3);

    // Three controls 100 twips wide side by side: rounding each size alone would leave gaps or
    // overlaps; converting the edges lets each start where the previous one ends.
    int right = 0;
    for (int i = 0; i < 3; ++i) {
        const host::PixelRect r = host::PxRect(100 * i, 0, 100, 100);
        EXPECT_EQ(r.x, right) << i;
        right = r.x + r.width;
    }
    EXPECT_EQ(right, host::Px(300));
    EXPECT_EQ(host::PxRect(-8, 8, 15, 0), (host::PixelRect{-1, 1, 1, 0}));
}

TEST(HostRulesTest, MessageBoxButtonsDefaultAndTheAnswerWhenClosed) {
    struct Case {
        int style;
        std::vector<int> answers;
        std::size_t defaultButton;
        int answerOnClose;
    };
    const Case cases[] = {
        {host::vbOKOnly, {host::vbOK}, 0, host::vbOK},
        {host::vbOKCancel | 0x100, {host::vbOK, host::vbCancel}, 1, host::vbCancel},
        {host::vbAbortRetryIgnore | 0x200, {host::vbAbort, host::vbRetry, host::vbIgnore}, 2, host::vbAbort},
        {host::vbYesNoCancel, {host::vbYes, host::vbNo, host::vbCancel}, 0, host::vbCancel},
        {host::vbYesNo | 0x100, {host::vbYes, host::vbNo}, 1, host::vbNo},
        {host::vbRetryCancel, {host::vbRetry, host::vbCancel}, 0, host::vbCancel},
        // A default beyond the buttons there are falls back to the first.
        {host::vbYesNo | 0x200, {host::vbYes, host::vbNo}, 0, host::vbNo},
        {host::vbOKOnly | 0x300, {host::vbOK}, 0, host::vbOK},
        // Sets the toolkit does not number show OK alone; the icon bits do not disturb the buttons.
        {6 | host::vbQuestion, {host::vbOK}, 0, host::vbOK},
        {host::vbYesNo | host::vbExclamation, {host::vbYes, host::vbNo}, 0, host::vbNo},
    };
    for (const Case& c : cases) {
        const host::MsgBoxLayout box = host::MsgBoxFor(c.style);
        EXPECT_EQ(box.answers, c.answers) << c.style;
        EXPECT_EQ(box.defaultButton, c.defaultButton) << c.style;
        EXPECT_EQ(box.answerOnClose, c.answerOnClose) << c.style;
    }

    using Icon = host::MsgBoxIcon;
    const std::pair<int, Icon> icons[] = {{host::vbCritical, Icon::Critical},         {host::vbQuestion | host::vbYesNo, Icon::Question},
                                          {host::vbExclamation, Icon::Exclamation},   {host::vbInformation | 0x100, Icon::Information},
                                          {host::vbOKCancel, Icon::None},             {0x70, Icon::None}};
    for (const auto& [style, icon] : icons)
        EXPECT_EQ(host::MsgBoxFor(style).icon, icon) << style;
}

TEST(HostRulesTest, ArrowsStepTowardsTheirEndAndStopThere) {
    // Upper arrow (-1) towards Min, lower arrow towards Max; on a reversed bar the upper arrow still
    // goes to Min, the larger end; no SmallChange still moves by one; a value left outside the
    // range comes back towards the end the arrow names.
    const int cases[][6] = {{0, 10, 3, 5, -1, 2}, {0, 10, 3, 5, +1, 8},  {0, 10, 3, 2, -1, 0},  {0, 10, 3, 9, +1, 10},
                            {0, 10, 3, 10, +1, 10}, {10, 0, 3, 5, -1, 8}, {10, 0, 3, 1, +1, 0}, {0, 10, 0, 5, +1, 6},
                            {0, 10, -4, 5, -1, 4}, {0, 10, 1, 15, +1, 14}};
    for (const auto& c : cases)
        EXPECT_EQ(host::ArrowStep(c[0], c[1], c[2], c[3], c[4]), c[5]) << c[0] << ".." << c[1] << " by " << c[2] << " from " << c[3];
}

TEST(HostRulesTest, AFolderListShowsRootsWholeAndFoldersByNameAtTheirDepth) {
    const std::pair<const char*, host::FolderEntry> cases[] = {
        {"/", {"/", 0}},         {"/home/ada", {"ada", 2}},       {"/home/ada/", {"ada", 2}},
        {"C:\\", {"C:\\", 0}}, {"Z:\\work\\main", {"main", 2}}, {"d:", {"d:", 0}}};
    for (const auto& [path, want] : cases) {
        const host::FolderEntry got = host::FolderEntryOf(path);
        EXPECT_EQ(got.name, want.name) << path;
        EXPECT_EQ(got.depth, want.depth) << path;
    }
}

TEST(HostRulesTest, TrayClicksMapToTheMessagesOfTheClassicIcon) {
    for (bool dbus : {false, true}) {
        EXPECT_EQ(host::TrayMouseMessage(host::TrayClick::Double, dbus), host::WM_LBUTTONDBLCLK);
        EXPECT_EQ(host::TrayMouseMessage(host::TrayClick::Context, dbus), host::WM_RBUTTONDOWN);
        EXPECT_EQ(host::TrayMouseMessage(host::TrayClick::Other, dbus), 0);
    }
    // Only a D-Bus tray's activate click stands for the double-click it never sends.
    EXPECT_EQ(host::TrayMouseMessage(host::TrayClick::Single, true), host::WM_LBUTTONDBLCLK);
    EXPECT_EQ(host::TrayMouseMessage(host::TrayClick::Single, false), 0);
}

}  // namespace
