// The tray: its icon's tooltip and the notifications the icon sends to the main window; the menu's
// tree and its commands (restore, disable/enable, free-up, ReadMe, exit and the desktop extras,
// with the taskbar's way back, Form4); the About box and the sound chooser.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "support.h"
#include "tray/form1.h"
#include "tray/form3.h"
#include "tray/form4.h"
#include "tray/form6.h"
#include "tray/taskbar_icon.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

std::vector<std::string> Captions(const forms::MenuItem& menu) {
    std::vector<std::string> out;
    for (const auto& child : menu.children()) out.push_back(child->displayName() + " " + child->caption());
    return out;
}

// A started program, its free-up quiet (no pop-up, no sound).
struct TrayTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    tarnolux::Form6& menu;
    TrayTest() : f(Start()), menu(program->form6()) {
        f.Check4(2).setValue(0);
        f.Check4(3).setValue(0);
        sys.claimRequests.clear();
    }
    // Opens the sound chooser from the Options page (the sound switched on); `use` acts in it while
    // it is shown.
    void Choose(const std::function<void(tarnolux::Form3&)>& use) {
        f.Check4(3).setValue(1);
        host.onModal = [&](forms::Form& form) {
            ASSERT_EQ(form.name(), "Form3");
            use(static_cast<tarnolux::Form3&>(form));
        };
        f.Command2->userClick();
        host.onModal = nullptr;
    }
    static void Pick(tarnolux::Form3& chooser, const std::string& name) {
        const std::vector<std::string>& files = chooser.File1->items();
        const auto it = std::find(files.begin(), files.end(), name);
        ASSERT_NE(it, files.end()) << name;
        chooser.File1->setListIndex(static_cast<int>(it - files.begin()));
    }
    // Chooses an item of the Extras submenu.
    void Choose(int index) { menu.extras1_menu(index).userClick(); }
    int Count(platform::DesktopAction a) const {
        return static_cast<int>(std::count(sys.desktopActions.begin(), sys.desktopActions.end(), a));
    }
};

TEST_F(TrayTest, EveryCommandIsWiredAndSkinsAddedAtRunTimeFollowDefault) {
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

TEST_F(TrayTest, RestoreShowsTheWindowAndBringsItToTheFrontOnce) {
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

TEST_F(TrayTest, DisableStopsEverythingUntilEnabledAgain) {
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

TEST_F(TrayTest, TheLanguageNamesTheItemAndALanguageAppliedWhileDisabledKeepsItDisabled) {
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

TEST_F(TrayTest, FreeUpNowUsesThePagesAmount) {
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

TEST_F(TrayTest, ReadMeOpensTheGuideAndExitEndsTheProgram) {
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

TEST_F(TrayTest, TipKeepsSixtyThreeWholeCharactersAndATerminatingZero) {
    const auto tipOf = [&](const std::string& text) {
        TI::TraySetTip(*program, text);
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

TEST_F(TrayTest, DoubleClickRestoresAndRightButtonPopsTheMenu) {
    f.Hide();
    host.popups.clear();
    host.windowPos.clear();

    f.Form_MouseMove(0, 0, 7710.0f, 0);  // left button up
    f.Form_MouseMove(0, 0, 7695.0f, 0);  // left button down
    f.Form_MouseMove(0, 0, 7740.5f, 0);
    EXPECT_TRUE(host.popups.empty());
    EXPECT_TRUE(host.windowPos.empty());
    EXPECT_FALSE(f.visible());

    f.Form_MouseMove(0, 0, 7740.0f, 0);  // right button up
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(host.popups[0].menu, menu.file_menu);
    EXPECT_EQ(host.popups[0].defaultItem, menu.restore_menu);

    f.Form_MouseMove(0, 0, 7725.0f, 0);  // left double-click
    EXPECT_EQ(host.popups.size(), 1u);
    EXPECT_TRUE(f.visible());
}

using tarnolux::Form1;
using tarnolux::Form3;

TEST_F(TrayTest, AboutShowsNameVersionAndTheTrayPictureOfTheMomentAndItsLinkWritesAMail) {
    program->form6().disable_menu->userClick();  // the lamps are crossed out
    bool shown = false;
    host.onModal = [&](forms::Form& form) {
        ASSERT_EQ(form.name(), "Form1");
        Form1& about = static_cast<Form1&>(form);
        shown = true;
        EXPECT_EQ((std::vector<std::string>{about.caption(), about.Label1->caption(), about.Label2->caption(),
                                            about.Label4->caption()}),
                  (std::vector<std::string>{"Tarnolux ", "Tarnolux ", "Version: 1.8", "E-mail: " + tarnolux::ContactAddress()}));
        EXPECT_EQ(about.Image1->picture().resource, 104);
        about.Label4->userClick();
        about.Command1->userClick();
    };
    program->form6().about_menu->userClick();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(program->form1().loaded());
    EXPECT_EQ(sys.shellExecuted, std::vector<std::string>{"mailto:" + tarnolux::ContactAddress()});
    EXPECT_NE(tarnolux::ContactAddress().find('@'), std::string::npos);
}

TEST_F(TrayTest, FilesInARootAndInASubFolderGetOneSeparatorAndOnlyWaveFilesAreListed) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}, {"d: /media/usb", platform::DriveSpace{}, {}}, {"e: /mnt/nfs", {}, {}}};
    sys.AddFile("/ding.WAV");
    sys.AddFile("/media/usb/sounds/bell.wav");
    sys.AddFile("/media/usb/sounds/notes.txt");
    sys.AddFile("/media/usb/sounds/.hidden.wav", "", platform::vbHidden);
    sys.AddFolder("/media/usb/sounds/more.wav");
    Store("LastAccessWAVDir", "/media/usb/sounds/");
    Choose([&](Form3& chooser) {
        EXPECT_EQ(chooser.caption(), "Select .WAV File");
        EXPECT_EQ(chooser.Drive1->items(), (std::vector<std::string>{"c: /", "d: /media/usb", "e: /mnt/nfs"}));
        // The stored folder on the second drive is where the chooser opens.
        EXPECT_EQ(chooser.Drive1->path(), "d: /media/usb");
        EXPECT_EQ(chooser.Dir1->path(), "/media/usb/sounds");
        EXPECT_EQ(chooser.Dir1->items(), (std::vector<std::string>{"/", "/media", "/media/usb", "/media/usb/sounds",
                                                                   "/media/usb/sounds/more.wav"}));
        EXPECT_EQ(chooser.File1->items(), std::vector<std::string>{"bell.wav"});
        Pick(chooser, "bell.wav");
        EXPECT_EQ(chooser.Text1->text(), "/media/usb/sounds/bell.wav");

        chooser.Drive1->setPath("e: /mnt/nfs");  // not ready: the lists stay
        EXPECT_EQ(chooser.Dir1->path(), "/media/usb/sounds");
        chooser.Drive1->setPath("c: /");  // another drive: its root
        Pick(chooser, "ding.WAV");
        EXPECT_EQ(chooser.Dir1->path() + " " + chooser.Text1->text(), "/ /ding.WAV");
        chooser.File1->userDblClick();  // the same as OK
    });
    EXPECT_EQ(f.Text6->text(), "/ding.WAV");
    EXPECT_EQ(Stored("LastAccessWAVDir"), "/");
}

// Folders are searched off the user-interface thread (a share may hang), so the user can pick
// another folder before the first search is back: the lists must end up showing the newest pick.
TEST_F(TrayTest, AFolderPickedWhileAnotherIsStillBeingSearchedIsTheOneShown) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}};
    sys.AddFolder("/slow");
    sys.AddFile("/slow/old.wav");
    sys.AddFolder("/fast");
    sys.AddFile("/fast/new.wav");
    Store("LastAccessWAVDir", "/");
    Choose([&](Form3& chooser) {
        bool picked = false;
        host.onRunAside = [&] {
            if (picked || chooser.Dir1->path() != "/slow") return;
            picked = true;
            chooser.Dir1->setPath("/fast");
        };
        chooser.Dir1->setPath("/slow");
        host.onRunAside = nullptr;
        ASSERT_TRUE(picked);
        EXPECT_EQ(chooser.Dir1->path(), "/fast");
        EXPECT_EQ(chooser.Dir1->items(), (std::vector<std::string>{"/", "/fast"}));
        EXPECT_EQ(chooser.File1->items(), std::vector<std::string>{"new.wav"});
        chooser.Unload(0);
    });
}

TEST_F(TrayTest, ClosingWithoutOkKeepsTheSoundAndOkWithoutAFileClearsIt) {
    sys.AddFile("/opt/tarnolux/done.wav");
    f.Text6->setText("/snd/mine.wav");
    // Closed with the close box before anything was confirmed: the user's sound stays.
    Choose([](Form3& chooser) { chooser.Unload(0); });
    EXPECT_EQ(f.Text6->text(), "/snd/mine.wav");

    // The chooser opens in the program folder by default.
    Choose([](Form3& chooser) {
        Pick(chooser, "done.wav");
        chooser.Command1->userClick();
    });
    EXPECT_EQ(f.Text6->text(), "/opt/tarnolux/done.wav");
    EXPECT_EQ(f.Command2->tag(), "/opt/tarnolux/done.wav");

    // Reopened, a file clicked, then closed: the confirmed file stays.
    f.Text6->setText("/snd/typed.wav");
    Choose([](Form3& chooser) {
        EXPECT_EQ(chooser.Text1->text(), "");
        Pick(chooser, "done.wav");
        chooser.Unload(0);
    });
    EXPECT_EQ(f.Text6->text(), "/snd/typed.wav");

    Choose([](Form3& chooser) { chooser.Command1->userClick(); });
    EXPECT_EQ(f.Text6->text(), "");
}

TEST_F(TrayTest, AStoredFolderThatIsGoneOpensWhereTheListsWere) {
    sys.AddFile("/home/u/a.wav");
    for (const char* stored : {"/home/u", "/home/gone", "/home/u/a.wav"}) {
        Store("LastAccessWAVDir", stored);
        Choose([](Form3& chooser) {
            EXPECT_EQ(chooser.Dir1->path(), "/home/u");
            EXPECT_EQ(chooser.File1->items(), std::vector<std::string>{"a.wav"});
            chooser.Unload(0);
        });
    }
}

using platform::DesktopAction;
using platform::ExitWindowsMode;

TEST_F(TrayTest, EachItemMakesOneRequestAndSeparatorsNone) {
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

TEST_F(TrayTest, HiddenTaskbarLeavesAButtonThatBringsItBack) {
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

TEST_F(TrayTest, TheTaskbarComesBackWhenItsButtonIsClosedOrTheProgramEnds) {
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

TEST_F(TrayTest, EmptyingTheRecycleBinSaysHowManyItemsOnEveryMountGo) {
    sys.recycleBins = {{"/home", 3}, {"/media/usb", 2}};
    sys.AddFile("/opt/tarnolux/Language/deutsch.ini", testsupport::ReadFile(std::string(TARNOLUX_SOURCE_DIR) + "/Language/deutsch.ini"));
    f.Combo1->addItem("deutsch");
    f.Combo1->setListIndex(f.Combo1->listCount() - 1);

    host.msgBoxAnswers = {host::vbNo, host::vbYes};
    Choose(11);
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "Möchten Sie diese 5 Elemente wirklich endgültig löschen?");
    EXPECT_EQ(host.msgBoxes[0].style, host::vbYesNo + host::vbExclamation);
    EXPECT_EQ(host.msgBoxes[0].title, "Papierkorb leeren");
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(0, std::uint64_t{5}));
    Choose(11);
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(1, std::uint64_t{0}));

    sys.recycleBins = {{"/media/usb", 1}};
    host.msgBoxAnswers = {host::vbYes};
    Choose(11);
    EXPECT_EQ(host.msgBoxes.back().prompt, "Möchten Sie dieses Element wirklich endgültig löschen?");
    EXPECT_EQ(sys.emptyRecycleBinCalls, 2);
}

TEST_F(TrayTest, ItemsWithoutATargetAreGreyedWhenTheMenuPopsUp) {
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
