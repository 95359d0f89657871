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

// Disabled, nothing ticks (no free-up though memory is low, the tooltip stays) and the page goes
// grey; enabled again, the periodic count goes on where it was and the next tick brings the tooltip.
TEST_F(TrayTest, DisableStopsEverythingUntilEnabledAgain) {
    f.Check3->setValue(1);
    host.Advance(65535);
    ASSERT_EQ(f.PeriodTickCount, 1);
    sys.memory.availPhys = 1 * MiB;
    f.Check7->setValue(0);
    const auto state = [&] {
        std::string timers;
        for (forms::Control* t : {f.Timer1, f.Timer4, f.Timer5}) timers += host.Running(*t) ? '1' : '0';
        return timers + " page " + std::to_string(f.Frame1(3).enabled()) + " tag " + menu.disable_menu->tag() + " " +
               menu.disable_menu->caption() + " icon " + std::to_string(host.trayIcon.resource) + " tip " + host.trayTip +
               " count " + std::to_string(f.PeriodTickCount) + " tray calls " + std::to_string(host.trayCalls.size());
    };
    host.trayCalls.clear();
    menu.disable_menu->userClick();  // without a language file: the built-in texts
    host.Advance(5 * 65535);
    EXPECT_EQ(state(), "000 page 0 tag 1 Enable icon 104 tip Tarnolux  - Disable count 1 tray calls 2");
    EXPECT_TRUE(sys.claimRequests.empty());
    host.trayCalls.clear();
    menu.disable_menu->userClick();
    EXPECT_EQ(state(), "111 page 1 tag 0 Disable icon 101 tip Tarnolux  - Disable count 1 tray calls 1");
}

TEST_F(TrayTest, TheLanguageNamesTheItemAndALanguageAppliedWhileDisabledKeepsItDisabled) {
    program->MenuTexts[1] = "Aus&schalten && ruhen";  // the tip shows the text as the menu does
    program->MenuTexts[17] = "Einschalten";
    f.ApplyLanguage();
    menu.disable_menu->userClick();
    EXPECT_EQ(host.trayTip, "Tarnolux  - Ausschalten & ruhen");
    EXPECT_EQ(menu.disable_menu->caption(), "Einschalten");

    f.ApplyLanguage();
    EXPECT_EQ(menu.disable_menu->caption(), "Aus&schalten && ruhen");
    EXPECT_EQ(menu.disable_menu->tag(), "1");
    EXPECT_EQ(host.trayTip, "Tarnolux  - Ausschalten & ruhen");
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

// A folder is on the drive whose mount point holds it as a whole folder, the deepest such one, with
// capitals told apart as Linux does; names are sorted without regard to case, capitals first on a tie.
TEST_F(TrayTest, TheChooserFindsTheDriveOfAFolderAndSortsItsLists) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}, {"d: /media/usb", platform::DriveSpace{}, {}},
                  {"e: /media/usb/inner", platform::DriveSpace{}, {}}, {"f: /media/Stick", platform::DriveSpace{}, {}}};
    for (const char* name : {"b.wav", "A.wav", "a.wav", "C.wav"}) sys.AddFile(std::string("/media/usb2/") + name);
    for (const char* folder : {"/media/usb2/Zed", "/media/usb2/alpha", "/media/usb/inner/deep", "/media/stick/x"})
        sys.AddFolder(folder);
    const std::pair<const char*, const char*> cases[] = {{"/media/usb2", "c: /"},
                                                         {"/media/usb", "d: /media/usb"},
                                                         {"/media/usb/inner/deep", "e: /media/usb/inner"},
                                                         {"/media/stick/x", "c: /"}};
    for (const auto& [folder, drive] : cases) {
        Store("LastAccessWAVDir", folder);
        Choose([&](Form3& chooser) {
            EXPECT_EQ(chooser.Drive1->path(), drive) << folder;
            chooser.Unload(0);
        });
    }
    Store("LastAccessWAVDir", "/media/usb2");
    Choose([&](Form3& chooser) {
        EXPECT_EQ(chooser.File1->items(), (std::vector<std::string>{"A.wav", "a.wav", "b.wav", "C.wav"}));
        EXPECT_EQ(chooser.Dir1->items(), (std::vector<std::string>{"/", "/media", "/media/usb2", "/media/usb2/alpha",
                                                                   "/media/usb2/Zed"}));
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

// The button window exists exactly while this program keeps the taskbar hidden, one however often
// it is hidden; however it goes (its button, the menu, its close box, the program's end), the
// taskbar is shown once. A run that never hid it leaves the panels alone.
TEST_F(TrayTest, HiddenTaskbarLeavesAButtonThatBringsItBack) {
    const auto button = [&] {
        if (!program->form4Loaded()) return std::string("none");
        return (program->form4().visible() ? "\"" : "hidden \"") + program->form4().Command1->caption() + "\"";
    };
    const std::pair<std::function<void()>, std::string> steps[] = {
        {[&] { Choose(3); }, "\"\" 0"},  // no language applied yet: no text
        {[&] { program->form4().Command1->userClick(); }, "none 1"},
        {[&] { program->ShowTaskbarText = "Taskleiste zeigen", Choose(3), Choose(3); }, "\"Taskleiste zeigen\" 1"},
        {[&] { Choose(4); }, "none 2"},
        {[&] { Choose(4); }, "none 3"},  // never hidden: asked once, no window
        {[&] { Choose(3), program->form4().Unload(0); }, "none 4"},
        {[&] { Choose(3), menu.exit_menu->userClick(); }, "none 5"},
        {[&] { Start().Unload(); }, "none 5"},
    };
    for (const auto& [step, want] : steps) {
        step();
        EXPECT_EQ(button() + " " + std::to_string(Count(DesktopAction::ShowTaskbar)), want);
    }
}

TEST_F(TrayTest, EmptyingTheRecycleBinSaysHowManyItemsOnEveryMountGo) {
    sys.recycleBins = {{"/home", 3}, {"/media/usb", 2}};
    sys.AddFile("/opt/tarnolux/Language/deutsch.ini", testsupport::ReadFile(std::string(TARNOLUX_SOURCE_DIR) + "/Language/deutsch.ini"));
    f.Combo1->addItem("deutsch");
    f.Combo1->setListIndex(f.Combo1->listCount() - 1);
    program->MenuTexts[11] = "&Papier&&korb leeren&";  // shown as the menu shows it
    f.ApplyLanguage();

    host.msgBoxAnswers = {host::vbNo, host::vbYes};
    Choose(11);
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "Möchten Sie diese 5 Elemente wirklich endgültig löschen?");
    EXPECT_EQ(host.msgBoxes[0].style, host::vbYesNo + host::vbExclamation);
    EXPECT_EQ(host.msgBoxes[0].title, "Papier&korb leeren");
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(0, std::uint64_t{5}));
    Choose(11);
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(1, std::uint64_t{0}));

    sys.recycleBins = {{"/media/usb", 1}};
    host.msgBoxAnswers = {host::vbYes};
    Choose(11);
    EXPECT_EQ(host.msgBoxes.back().prompt, "Möchten Sie dieses Element wirklich endgültig löschen?");
    EXPECT_EQ(sys.emptyRecycleBinCalls, 2);
}

// Each item is offered exactly when its own target is there, whatever the others; the captions stay.
TEST_F(TrayTest, ItemsWithoutATargetAreGreyedWhenTheMenuPopsUp) {
    using A = platform::ExtrasAvailability;
    const std::pair<bool A::*, std::vector<int>> targets[] = {
        {&A::desktopIcons, {0, 1}}, {&A::taskbar, {3, 4}},  {&A::startButton, {6, 7}}, {&A::screenSaver, {9}},
        {&A::recycleBin, {11}},     {&A::minimizeAll, {13}}, {&A::restart, {100}},     {&A::shutDown, {101}}};
    const auto offered = [&] {
        std::vector<int> on;
        for (int i = 0; i < 14; ++i)
            if (menu.extras1_menu(i).enabled() && menu.extras1_menu(i).caption() != "-") on.push_back(i);
        if (menu.restart_menu->enabled()) on.push_back(100);
        if (menu.exit_windows_menu->enabled()) on.push_back(101);
        return on;
    };
    for (const auto& [target, items] : targets) {
        sys.extras = {};
        sys.extras.*target = true;
        f.Form_MouseMove(0, 0, 7740.0f, 0);  // right button on the tray icon
        EXPECT_EQ(offered(), items) << items.front();
    }
    EXPECT_EQ(menu.extras1_menu(6).caption(), "Disable Start");

    // The "..." button's menu asks again. While this program keeps the taskbar hidden, the way
    // back stays offered.
    sys.extras = {};
    menu.extras1_menu_Click(3);
    f.Check6->userClick();
    EXPECT_EQ(offered(), std::vector<int>{4});
}

// The small windows as they are laid out, in twips: the window's client area, whether it opens
// centred, and each control's left, top, width and height.
TEST_F(TrayTest, TheSmallWindowsKeepTheirLayout) {
    const auto layout = [](const forms::Form& w) {
        std::vector<std::string> out{w.name() + " " + std::to_string(w.width()) + "x" + std::to_string(w.height()) +
                                     (w.startUpPosition() == 2 ? " centred" : " at " + std::to_string(w.left()) + "," +
                                                                                   std::to_string(w.top())) +
                                     (w.showInTaskbar() ? " on the taskbar" : "") + " border " + std::to_string(w.borderStyle())};
        for (const auto& c : w.controls())
            out.push_back(c->displayName() + " " + std::to_string(c->left()) + "," + std::to_string(c->top()) + "," +
                          std::to_string(c->width()) + "," + std::to_string(c->height()));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(layout(program->form1()), (V{"Form1 3255x3015 centred border 3", "Label1 960,120,2295,255", "Label2 960,600,2295,255",
                                           "Image1 120,120,495,375", "Label3(1) 120,1080,2655,255",
                                           "Label3(0) 120,1440,2775,255", "Label4 120,1920,3015,255",
                                           "Command1 1080,2520,1095,375"}));
    EXPECT_EQ(layout(program->form3()), (V{"Form3 4335x3690 centred border 3", "Text1 120,120,4095,285", "Drive1 120,520,2055,315",
                                           "Dir1 120,840,2055,2115", "File1 2160,520,2055,2430",
                                           "Command1 1560,3240,1215,355"}));
    Choose(3);
    EXPECT_EQ(layout(program->form4()), (V{"Form4 2310x495 at 120,120 border 3", "Command1 0,0,2295,495"}));
}

}  // namespace
