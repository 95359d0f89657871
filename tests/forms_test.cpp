// The rules every host shares: pixels, message-box buttons, arrows, list rows, folder lists, tray clicks.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "forms/forms.h"
#include "host/host.h"
#include "host/host_rules.h"

namespace {

TEST(HostRulesTest, AListWithoutAChosenRowShowsTheRowOfItsPath) {
    forms::Application app;
    forms::Form form{app, "F"};
    auto& drives = form.add(forms::Kind::DriveListBox, "Drive1");
    for (const char* d : {"c: /", "z: /media/Zip"}) drives.addItem(d);
    for (const auto& [path, row] : {std::pair{"Z: /MEDIA/zip", 1}, {"c: /", 0}, {"y: /", -1}}) {
        drives.setPath(path);
        EXPECT_EQ(host::ShownListIndex(drives), row) << path;
    }
    drives.setListIndex(0);
    EXPECT_EQ(host::ShownListIndex(drives), 0);
}

TEST(HostRulesTest, TwipsRoundToTheNearestPixelAndTouchingControlsStayTouching) {
    using host::Px, host::Twips;
    // Half a pixel rounds away from zero.
    EXPECT_EQ((std::vector<int>{Px(7), Px(8), Px(-7), Px(-8), Px(Twips(-3))}), (std::vector<int>{0, 1, 0, -1, -3}));

    // Rounding each size alone would leave gaps between controls side by side: edges are converted.
    EXPECT_EQ(host::PxRect(100, 100, 100, 100), (host::PixelRect{7, 7, 6, 6}));  // from 6.67 to 13.33 pixels
    EXPECT_EQ(host::PxRect(-8, 8, 15, 0), (host::PixelRect{-1, 1, 1, 0}));
}

TEST(HostRulesTest, MessageBoxButtonsDefaultIconAndTheAnswerWhenClosed) {
    using namespace host;
    using Icon = MsgBoxIcon;
    const std::tuple<int, std::vector<int>, std::size_t, int, Icon> cases[] = {
        {vbOKOnly | vbCritical, {vbOK}, 0, vbOK, Icon::Critical},
        {vbOKCancel | 0x100, {vbOK, vbCancel}, 1, vbCancel, Icon::None},
        {vbAbortRetryIgnore | 0x200, {vbAbort, vbRetry, vbIgnore}, 2, vbAbort, Icon::None},
        {vbYesNoCancel, {vbYes, vbNo, vbCancel}, 0, vbCancel, Icon::None},
        {vbYesNo | 0x100 | vbInformation, {vbYes, vbNo}, 1, vbNo, Icon::Information},
        {vbRetryCancel, {vbRetry, vbCancel}, 0, vbCancel, Icon::None},
        // A default beyond the buttons there are falls back to the first.
        {vbYesNo | 0x200, {vbYes, vbNo}, 0, vbNo, Icon::None},
        {vbOKOnly | 0x300, {vbOK}, 0, vbOK, Icon::None},
        // Sets the toolkit does not number show OK alone; the icon bits do not disturb the buttons.
        {6 | vbQuestion, {vbOK}, 0, vbOK, Icon::Question},
        {vbYesNo | vbExclamation, {vbYes, vbNo}, 0, vbNo, Icon::Exclamation},
        {0x70, {vbOK}, 0, vbOK, Icon::None},
    };
    for (const auto& [style, answers, defaultButton, answerOnClose, icon] : cases) {
        const MsgBoxLayout box = MsgBoxFor(style);
        EXPECT_EQ(std::tuple(box.answers, box.defaultButton, box.answerOnClose, box.icon),
                  std::tuple(answers, defaultButton, answerOnClose, icon))
            << style;
    }
}

TEST(HostRulesTest, ArrowsStepTowardsTheirEndAndStopThere) {
    // Upper arrow (-1) towards Min, the larger end of a reversed bar; no SmallChange moves by one.
    const int cases[][6] = {{0, 10, 3, 5, -1, 2},   {0, 10, 3, 5, +1, 8},  {0, 10, 3, 2, -1, 0},  {0, 10, 3, 9, +1, 10},
                            {0, 10, 3, 10, +1, 10}, {10, 0, 3, 5, -1, 8},  {10, 0, 3, 1, +1, 0},  {0, 10, 0, 5, +1, 6},
                            {0, 10, -4, 5, -1, 4},  {0, 10, 1, 15, +1, 14}};
    for (const auto& c : cases)
        EXPECT_EQ(host::ArrowStep(c[0], c[1], c[2], c[3], c[4]), c[5])
            << c[0] << ".." << c[1] << " by " << c[2] << " from " << c[3];
    // The toolkit's bars run low to high: a reversed one is mirrored, and a value set there maps back.
    for (const auto& b : {std::array{0, 10, 3}, std::array{10, 0, 3}, std::array{5, 5, 5}}) {
        const host::BarRange bar = host::ToolkitBar(b[0], b[1], b[2]);
        EXPECT_TRUE(bar.min <= bar.max && host::ModelValueOfBar(b[0], b[1], bar.value) == b[2]) << b[0] << ".." << b[1];
    }
}

TEST(HostRulesTest, AFolderListShowsRootsWholeAndFoldersByNameAtTheirDepth) {
    const std::tuple<const char*, std::string, int> cases[] = {
        {"/", "/", 0},       {"/home/ada", "ada", 2},         {"/home/ada/", "ada", 2},
        {"C:\\", "C:\\", 0}, {"Z:\\work\\main", "main", 2}, {"d:", "d:", 0}};
    for (const auto& [path, name, depth] : cases) {
        const host::FolderEntry got = host::FolderEntryOf(path);
        EXPECT_EQ(std::pair(got.name, got.depth), std::pair(name, depth)) << path;
    }
}

// Only a D-Bus tray's activate click stands for the double-click it never sends.
TEST(HostRulesTest, TrayClicksMapToTheMessagesOfTheClassicIcon) {
    using C = host::TrayClick;
    const std::tuple<C, int, int> cases[] = {{C::Double, host::WM_LBUTTONDBLCLK, host::WM_LBUTTONDBLCLK},
                                             {C::Context, host::WM_RBUTTONDOWN, host::WM_RBUTTONDOWN},
                                             {C::Other, 0, 0},
                                             {C::Single, 0, host::WM_LBUTTONDBLCLK}};
    for (const auto& [click, classic, viaDBus] : cases)
        EXPECT_EQ(std::pair(host::TrayMouseMessage(click, false), host::TrayMouseMessage(click, true)),
                  std::pair(classic, viaDBus));
}

}  // namespace
