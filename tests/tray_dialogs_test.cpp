// The About box and the sound chooser, opened from the tray menu and the Options page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"
#include "tray/form1.h"
#include "tray/form3.h"
#include "tray/form6.h"

namespace {

using tarnolux::Form1;
using tarnolux::Form3;

struct DialogTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    DialogTest() : f(Start()) {}

    // Opens the chooser from the Options page; `use` acts in it while it is shown.
    void Choose(const std::function<void(Form3&)>& use) {
        host.onModal = [&](forms::Form& form) {
            ASSERT_EQ(form.name(), "Form3");
            use(static_cast<Form3&>(form));
        };
        f.Command2->userClick();
        host.onModal = nullptr;
    }
    static void Pick(Form3& chooser, const std::string& name) {
        const std::vector<std::string>& files = chooser.File1->items();
        const auto it = std::find(files.begin(), files.end(), name);
        ASSERT_NE(it, files.end()) << name;
        chooser.File1->setListIndex(static_cast<int>(it - files.begin()));
    }
};

TEST_F(DialogTest, AboutShowsNameVersionAndTheTrayPictureOfTheMomentAndItsLinkWritesAMail) {
    program->form6().disable_menu->userClick();  // the lamps are crossed out
    bool shown = false;
    host.onModal = [&](forms::Form& form) {
        ASSERT_EQ(form.name(), "Form1");
        Form1& about = static_cast<Form1&>(form);
        shown = true;
        EXPECT_EQ(about.caption(), "Tarnolux ");
        EXPECT_EQ(about.Label1->caption(), "Tarnolux ");
        EXPECT_EQ(about.Label2->caption(), "Version: 1.8");
        EXPECT_EQ(about.Image1->picture().resource, 104);
        EXPECT_EQ(about.Label4->caption(), "E-mail: " + tarnolux::ContactAddress());
        about.Label4->userClick();
        about.Command1->userClick();
    };
    program->form6().about_menu->userClick();
    EXPECT_TRUE(shown);
    EXPECT_FALSE(program->form1().loaded());
    EXPECT_EQ(sys.shellExecuted, std::vector<std::string>{"mailto:" + tarnolux::ContactAddress()});
    EXPECT_NE(tarnolux::ContactAddress().find('@'), std::string::npos);
}

TEST_F(DialogTest, FilesInARootAndInASubFolderGetOneSeparatorAndOnlyWaveFilesAreListed) {
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
        EXPECT_EQ(chooser.Dir1->path(), "/");
        Pick(chooser, "ding.WAV");
        EXPECT_EQ(chooser.Text1->text(), "/ding.WAV");
        chooser.File1->userDblClick();  // the same as OK
    });
    EXPECT_EQ(f.Text6->text(), "/ding.WAV");
    EXPECT_EQ(Stored("LastAccessWAVDir"), "/");
}

// Folders are searched off the user-interface thread (a share may hang), so the user can pick
// another folder before the first search is back: the lists must end up showing the newest pick.
TEST_F(DialogTest, AFolderPickedWhileAnotherIsStillBeingSearchedIsTheOneShown) {
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

TEST_F(DialogTest, ClosingWithoutOkKeepsTheSoundAndOkWithoutAFileClearsIt) {
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

TEST_F(DialogTest, AStoredFolderThatIsGoneOpensWhereTheListsWere) {
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

}  // namespace
