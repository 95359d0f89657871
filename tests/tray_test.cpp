// The tray icon and menu, the desktop extras with the taskbar's way back, the About box, the sound chooser.
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

using platform::DesktopAction;
using tarnolux::Form3;

struct TrayTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    tarnolux::Form6& menu;
    TrayTest() : f(Start()), menu(program->form6()) {}
    // Opens the sound chooser from the Options page; `use` acts in it while it is shown.
    void Choose(const std::function<void(Form3&)>& use) {
        f.Check4(3).setValue(1);
        host.onModal = [&](forms::Form& form) {
            ASSERT_EQ(form.name(), "Form3");
            use(static_cast<Form3&>(form));
        };
        f.Command2->userClick();
        host.onModal = nullptr;
    }
    void Choose(int extrasItem) { menu.extras1_menu(extrasItem).userClick(); }
};

TEST_F(TrayTest, TheIconPopsTheMenuUpAndADoubleClickRestoresTheWindowToTheFront) {
    f.Hide();
    f.move(4800, 1207);
    for (float x : {7710.0f, 7695.0f, 7740.5f}) f.Form_MouseMove(0, 0, x, 0);  // left button up, down; no message
    f.Form_MouseMove(0, 0, 7740.0f, 0);  // right button down
    ASSERT_EQ(host.popups.size(), 1u);
    EXPECT_EQ(std::pair(host.popups[0].menu, host.popups[0].defaultItem), std::pair(menu.file_menu, menu.restore_menu));
    f.Form_MouseMove(0, 0, 7725.0f, 0);  // left double-click
    EXPECT_TRUE(f.visible() && host.popups.size() == 1);
    ASSERT_EQ(host.windowPos.size(), 2u);
    EXPECT_EQ(std::tuple(host.windowPos[0].insertAfter, host.windowPos[1].insertAfter, host.windowPos[1].y),
              std::tuple(host::HWND_TOPMOST, host::HWND_NOTOPMOST, 80));  // y: 1207 / 15 = 80.47, the nearest pixel
}

// Enabled again, the periodic count goes on where it was; a language applied meanwhile keeps it disabled.
TEST_F(TrayTest, DisableStopsEverythingUntilEnabledAgain) {
    f.Check3->setValue(1);
    host.Advance(65535);
    sys.memory.availPhys = 1 * MiB;
    f.Check7->setValue(0);
    const auto state = [&] {
        std::string timers;
        for (forms::Control* t : {f.Timer1, f.Timer4, f.Timer5}) timers += host.Running(*t) ? '1' : '0';
        return timers + " page " + std::to_string(f.Frame1(3).enabled()) + " tag " + menu.disable_menu->tag() + " " +
               menu.disable_menu->caption() + " icon " + std::to_string(host.trayIcon.resource) + " tip " +
               host.trayTip + " count " + std::to_string(f.PeriodTickCount) + " tray calls " +
               std::to_string(host.trayCalls.size());
    };
    host.trayCalls.clear();
    menu.disable_menu->userClick();  // without a language file: the built-in texts
    host.Advance(5 * 65535);
    EXPECT_EQ(state(), "000 page 0 tag 1 Enable icon 104 tip Tarnolux  - Disable count 1 tray calls 2");
    host.trayCalls.clear();
    menu.disable_menu->userClick();
    EXPECT_EQ(state(), "111 page 1 tag 0 Disable icon 101 tip Tarnolux  - Disable count 1 tray calls 1");

    program->MenuTexts[1] = "Aus&schalten && ruhen";
    program->MenuTexts[17] = "Einschalten";
    f.ApplyLanguage();
    f.Check3->setValue(0);
    menu.disable_menu->userClick();
    EXPECT_EQ(menu.disable_menu->caption() + "|" + host.trayTip, "Einschalten|Tarnolux  - Ausschalten & ruhen");
    f.ApplyLanguage();
    EXPECT_EQ(menu.disable_menu->caption() + "|" + menu.disable_menu->tag() + "|" + host.trayTip,
              "Aus&schalten && ruhen|1|Tarnolux  - Ausschalten & ruhen");
    menu.disable_menu->userClick();  // the periodic timer only when its box is ticked
    EXPECT_TRUE(host.Running(*f.Timer1) && host.Running(*f.Timer4) && !host.Running(*f.Timer5));
}

TEST_F(TrayTest, FreeUpNowUsesThePagesAmountAndReadMeOpensTheGuide) {
    f.Text2(4).setText("33");  // typed, not yet stored
    menu.free_up_menu->userClick();
    EXPECT_EQ(sys.claimRequests, std::vector<std::uint64_t>{33 * MiB});

    menu.readme_file_menu->userClick();
    EXPECT_EQ(sys.shellExecuted, std::vector<std::string>{"/opt/tarnolux/ReadMe.txt"});
    menu.exit_menu->userClick();
    menu.restore_menu_Click();  // arriving after the end, it does not start the program over
    EXPECT_FALSE(f.loaded());
}

TEST_F(TrayTest, TipKeepsSixtyThreeWholeCharactersAndATerminatingZero) {
    const std::string a62(62, 'a'), a63(63, 'a');
    const std::pair<std::string, std::string> cases[] = {
        {a63, a63}, {a63 + "bc", a63}, {a62 + "é€", a62 + "é"}, {a62 + "𝄞!", a62 + "𝄞"}, {}};
    for (const auto& [text, tip] : cases) {
        tarnolux::TaskBar_Icon::TraySetTip(*program, text);
        EXPECT_EQ(host.trayCalls.back().data.tipText(), tip);
    }
}

TEST_F(TrayTest, AboutShowsNameVersionAndTheTrayPictureOfTheMomentAndItsLinkWritesAMail) {
    menu.disable_menu->userClick();  // the lamps are crossed out
    host.onModal = [&](forms::Form& form) {
        ASSERT_EQ(form.name(), "Form1");
        auto& about = static_cast<tarnolux::Form1&>(form);
        EXPECT_EQ(about.caption() + "|" + about.Label1->caption() + "|" + about.Label2->caption() + "|" +
                      about.Label4->caption() + "|" + about.Command1->caption(),
                  "Tarnolux |Tarnolux |Version: 1.8|E-mail: " + tarnolux::ContactAddress() + "|OK");
        EXPECT_EQ(about.Label4->foreColor(), forms::RGB(0, 0, 255));  // a link's blue
        EXPECT_EQ(about.Image1->picture().resource, 104);
        about.Label4->userClick();
        about.Command1->userClick();
    };
    menu.about_menu->userClick();
    EXPECT_FALSE(program->form1().loaded());
    EXPECT_EQ(sys.shellExecuted, std::vector<std::string>{"mailto:" + tarnolux::ContactAddress()});
}

// Without a stored folder it opens in the program folder; names sort regardless of case, capitals first.
TEST_F(TrayTest, TheChooserListsWaveFilesAndOnlyOkChangesTheSound) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}, {"d: /media/usb", platform::DriveSpace{}, {}},
                  {"e: /mnt/nfs", {}, {}}};
    sys.AddFile("/ding.WAV");
    for (const char* name : {"bell.wav", "Chime.wav", "Bell.wav", "notes.txt"})
        sys.AddFile(std::string("/media/usb/sounds/") + name);
    sys.AddFile("/media/usb/sounds/.hidden.wav", "", platform::vbHidden);
    sys.AddFolder("/media/usb/sounds/Zed");
    sys.AddFolder("/media/usb/sounds/more.wav");
    sys.AddFolder("/opt/tarnolux");
    f.Text6->setText("/snd/mine.wav");
    Store("LastAccessWAVDir", "/gone");  // no more: the program's folder instead
    Choose([](Form3& chooser) {
        EXPECT_EQ(chooser.Dir1->path(), "/opt/tarnolux");
        chooser.Unload(0);  // the close box
    });
    EXPECT_EQ(f.Text6->text(), "/snd/mine.wav");

    Store("LastAccessWAVDir", "/media/usb/sounds/");
    Choose([&](Form3& chooser) {
        EXPECT_EQ(chooser.caption(), "Select .WAV File");
        EXPECT_EQ(chooser.Drive1->items(), (std::vector<std::string>{"c: /", "d: /media/usb", "e: /mnt/nfs"}));
        EXPECT_EQ(chooser.Drive1->path() + "|" + chooser.Dir1->path(), "d: /media/usb|/media/usb/sounds");
        EXPECT_EQ(chooser.Dir1->items(), (std::vector<std::string>{"/", "/media", "/media/usb", "/media/usb/sounds",
                                                                   "/media/usb/sounds/more.wav",
                                                                   "/media/usb/sounds/Zed"}));
        EXPECT_EQ(chooser.File1->items(), (std::vector<std::string>{"Bell.wav", "bell.wav", "Chime.wav"}));
        chooser.File1->setListIndex(1);  // one separator in a sub-folder
        EXPECT_EQ(chooser.Text1->text(), "/media/usb/sounds/bell.wav");
        chooser.Drive1->setPath("e: /mnt/nfs");  // not ready: the lists stay
        EXPECT_EQ(chooser.Dir1->path(), "/media/usb/sounds");
        chooser.Drive1->setPath("c: /");  // another drive: its root
        chooser.File1->setListIndex(0);
        EXPECT_EQ(chooser.Dir1->path() + " " + chooser.Text1->text(), "/ /ding.WAV");
        chooser.File1->userDblClick();  // the same as OK
    });
    EXPECT_EQ(f.Text6->text() + "|" + f.Command2->tag() + "|" + *Stored("LastAccessWAVDir"), "/ding.WAV|/ding.WAV|/");

    f.Text6->setText("/snd/typed.wav");
    sys.AddFile("/aaa.wav");  // the same folder again shows what came meanwhile
    Choose([](Form3& chooser) {  // reopened, a file clicked, then closed: the confirmed file stays
        EXPECT_EQ(chooser.File1->items(), (std::vector<std::string>{"aaa.wav", "ding.WAV"}));
        EXPECT_EQ(chooser.Text1->text(), "");
        chooser.File1->setListIndex(0);
        chooser.Unload(0);
    });
    EXPECT_EQ(f.Text6->text(), "/snd/typed.wav");
    Choose([](Form3& chooser) { chooser.Command1->userClick(); });
    EXPECT_EQ(f.Text6->text(), "");
}

// Folders are searched aside (a share may hang): another can be picked before the first is back.
TEST_F(TrayTest, AFolderPickedWhileAnotherIsStillBeingSearchedIsTheOneShown) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}};
    sys.AddFile("/slow/old.wav");
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
        EXPECT_EQ(chooser.Dir1->path(), "/fast");
        EXPECT_EQ(chooser.Dir1->items(), (std::vector<std::string>{"/", "/fast"}));
        EXPECT_EQ(chooser.File1->items(), std::vector<std::string>{"new.wav"});
        chooser.Unload(0);
    });
}

// The drive of a folder is the deepest mount point holding it as a whole folder, capitals told apart.
TEST_F(TrayTest, TheChooserOpensInTheStoredFolderOnItsDrive) {
    sys.drives = {{"c: /", platform::DriveSpace{}, {}}, {"d: /media/usb", platform::DriveSpace{}, {}},
                  {"e: /media/usb/inner", platform::DriveSpace{}, {}}, {"f: /media/Stick", platform::DriveSpace{}, {}}};
    for (const char* folder : {"/media/usb2", "/media/usb/inner/deep", "/media/stick/x"}) sys.AddFolder(folder);
    sys.AddFile("/home/u/a.wav");
    const std::tuple<const char*, const char*, const char*> cases[] = {  // stored, drive, folder
        {"/media/usb2", "c: /", "/media/usb2"},           {"/media/usb", "d: /media/usb", "/media/usb"},
        {"/media/usb/inner/deep", "e: /media/usb/inner", "/media/usb/inner/deep"},
        {"/media/stick/x", "c: /", "/media/stick/x"},     {"/home/u", "c: /", "/home/u"},
        {"/home/gone", "c: /", "/home/u"},                {"/home/u/a.wav", "c: /", "/home/u"}};  // gone, or a file
    for (const auto& [stored, drive, folder] : cases) {
        Store("LastAccessWAVDir", stored);
        Choose([&](Form3& chooser) {
            EXPECT_EQ(chooser.Drive1->path() + "|" + chooser.Dir1->path(), std::string(drive) + "|" + folder) << stored;
            chooser.Unload(0);
        });
    }
    sys.AddFolder("/home/u/new");  // opened again where it was: what came meanwhile is listed
    Store("LastAccessWAVDir", "/home/u");
    Choose([](Form3& chooser) {
        EXPECT_EQ(chooser.Dir1->items().back(), "/home/u/new");
        chooser.Unload(0);
    });
    // Windows lists "c: [label]" or a bare "a:"; either drive's root is its letter, a colon and a backslash.
    sys.pathSeparator = '\\';
    sys.drives = {{"c: [System]", platform::DriveSpace{}, {}}, {"a:", platform::DriveSpace{}, {}}};
    Choose([](Form3& chooser) {
        chooser.Drive1->setPath("a:");
        EXPECT_EQ(chooser.Dir1->path(), "a:\\");
        chooser.Drive1->setPath("c: [System]");
        EXPECT_EQ(chooser.Dir1->path(), "c:\\");
        chooser.Unload(0);
    });
}

// The button exists while this program keeps the taskbar hidden; however it goes, the taskbar is shown once.
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
        const auto shown = std::count(sys.desktopActions.begin(), sys.desktopActions.end(), DesktopAction::ShowTaskbar);
        EXPECT_EQ(button() + " " + std::to_string(shown), want);
    }
}

TEST_F(TrayTest, EmptyingTheRecycleBinSaysHowManyItemsOnEveryMountGo) {
    sys.recycleBins = {{"/home", 3}, {"/media/usb", 2}};
    sys.AddFile("/opt/tarnolux/Language/deutsch.ini",
                testsupport::ReadFile(std::string(TARNOLUX_SOURCE_DIR) + "/Language/deutsch.ini"));
    f.Combo1->addItem("deutsch");
    f.Combo1->setListIndex(f.Combo1->listCount() - 1);
    program->MenuTexts[11] = "&Papier&&korb leeren&";  // shown as the menu shows it
    f.ApplyLanguage();

    host.msgBoxAnswers = {host::vbNo, host::vbYes};
    Choose(11);
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "Möchten Sie diese 5 Elemente wirklich endgültig löschen?");
    EXPECT_EQ(std::pair(host.msgBoxes[0].style, host.msgBoxes[0].title),
              std::pair(host::vbYesNo + host::vbExclamation, std::string("Papier&korb leeren")));
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(0, std::uint64_t{5}));
    Choose(11);
    EXPECT_EQ(std::pair(sys.emptyRecycleBinCalls, sys.RecycleBinItems()), std::pair(1, std::uint64_t{0}));

    sys.recycleBins = {{"/media/usb", 1}};
    host.msgBoxAnswers = {host::vbYes};
    Choose(11);
    EXPECT_EQ(host.msgBoxes.back().prompt, "Möchten Sie dieses Element wirklich endgültig löschen?");
    EXPECT_EQ(sys.emptyRecycleBinCalls, 2);
    // A second click while the bin is still being counted asks nothing more.
    sys.recycleBins = {{"/media/usb", 1}};
    host.onRunAside = [&] { host.onRunAside = nullptr, Choose(11); };
    Choose(11);
    EXPECT_EQ(host.msgBoxes.size(), 4u);
}

// Restart and shut down go straight to the system, without a question; an empty bin asks nothing.
TEST_F(TrayTest, EachItemMakesOneRequestAndSeparatorsNone) {
    for (int i = 0; i < 14; ++i) menu.extras1_menu_Click(i);
    sys.exitWindowsResult = false;
    menu.restart_menu->userClick();
    menu.exit_windows_menu->userClick();
    using D = DesktopAction;
    EXPECT_EQ(sys.desktopActions,
              (std::vector<D>{D::HideDesktopIcons, D::ShowDesktopIcons, D::HideTaskbar, D::ShowTaskbar,
                              D::DisableStartButton, D::EnableStartButton, D::RunScreenSaver, D::MinimizeAll}));
    using M = platform::ExitWindowsMode;
    EXPECT_EQ(sys.exitWindowsCalls, (std::vector<M>{M::Restart, M::ShutDown}));
    EXPECT_TRUE(sys.emptyRecycleBinCalls == 0 && host.msgBoxes.empty());
}

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

    sys.extras = {};
    menu.extras1_menu_Click(3);
    f.Check6->userClick();  // the "..." button's menu asks again; the way back stays while the taskbar is hidden
    EXPECT_EQ(offered(), std::vector<int>{4});
}

// Asked at start-up as well: the menu is right the first time it opens.
TEST(TrayAtStart, TheExtrasAreAskedForBeforeTheMenuFirstOpens) {
    platform::FakeSystem sys;
    sys.extras = {};
    apptest::RunOnce(sys, [](tarnolux::Program& p, host::ScriptedHost&) {
        EXPECT_FALSE(p.form6().extras1_menu(0).enabled() || p.form6().restart_menu->enabled());
    });
}

TEST_F(TrayTest, TheSmallWindowsKeepTheirLayout) {
    const auto layout = [](const forms::Form& w) {
        std::vector<std::string> out{w.name() + " " + apptest::Box(w) + (w.startUpPosition() == 2 ? " centred" : "") +
                                     (w.showInTaskbar() ? " on the taskbar" : "") + " border " +
                                     std::to_string(w.borderStyle())};
        for (const auto& c : w.controls()) out.push_back(c->displayName() + " " + apptest::Box(*c));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(layout(program->form1()),
              (V{"Form1 0,0,3255,3015 centred border 3", "Label1 960,120,2295,255", "Label2 960,600,2295,255",
                 "Image1 120,120,495,375", "Label3(1) 120,1080,2655,255", "Label3(0) 120,1440,2775,255",
                 "Label4 120,1920,3015,255", "Command1 1080,2520,1095,375"}));
    EXPECT_EQ(layout(program->form3()), (V{"Form3 0,0,4335,3690 centred border 3", "Text1 120,120,4095,285",
                                           "Drive1 120,520,2055,315", "Dir1 120,840,2055,2115",
                                           "File1 2160,520,2055,2430", "Command1 1560,3240,1215,355"}));
    Choose(3);
    EXPECT_EQ(layout(program->form4()), (V{"Form4 120,120,2310,495 border 3", "Command1 0,0,2295,495"}));
}

}  // namespace
