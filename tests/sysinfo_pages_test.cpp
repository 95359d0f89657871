// The Disk page: drive figures in whole megabytes, the free share and its bar, the file-system name,
// and the fall-back to drive C when the chosen drive is not ready. The Active Modules page: the
// process list and ending processes after confirmation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

constexpr std::uint64_t MiB = 1048576;

struct SysinfoDiskTest : apptest::ProgramTest {
    SysinfoDiskTest() {
        sys.drives = {{"a:", std::nullopt, std::nullopt},
                      {"c: /", platform::DriveSpace{1000 * MiB, 250 * MiB}, platform::VolumeInfo{"", "ext4", 0}},
                      {"d: /home", platform::DriveSpace{3ull << 40, MiB * 3 / 2}, platform::VolumeInfo{"", " FAT32 ", 0}}};
    }
    void Choose(tarnolux::Form5& f, const std::string& drive) {
        for (int i = 0; i < f.Drive1->listCount(); ++i)
            if (f.Drive1->list(i) == drive) f.Drive1->setListIndex(i);
        f.Drive1->setPath(drive);
    }
    static std::string Figures(tarnolux::Form5& f) {
        return f.Label10(0).caption() + "|" + f.Label10(1).caption() + "|" + f.Label10(2).caption();
    }
};

TEST_F(SysinfoDiskTest, ThePageShowsDriveCFirstWithItsShareAndBar) {
    tarnolux::Form5& f = Start();
    f.DriveTexts = {"Total: ", "Free: ", "File system: ", ""};
    f.Check1(1).userClick();
    EXPECT_EQ(f.Drive1->items(), (std::vector<std::string>{"a:", "c: /", "d: /home"}));
    EXPECT_EQ(f.Drive1->path(), "c: /");
    EXPECT_EQ(Figures(f), "Total: 1000 MB.|Free: 250 MB.|File system: Ext4");
    EXPECT_EQ(f.Label17->caption(), "    25%");
    EXPECT_EQ(f.Shape1(4).width(), f.Label19(3).width() * 3 / 4);
    EXPECT_TRUE(host.Running(*f.Timer2));

    // Three terabytes with 1.5 MB free: whole megabytes, halves to the even one; the page goes on
    // refreshing the drive chosen.
    Choose(f, "d: /home");
    EXPECT_EQ(Figures(f), "Total: 3145728 MB.|Free: 2 MB.|File system: Fat32");
    sys.drives[2].space->freeBytes = MiB * 7 / 2;
    host.Advance(2000);
    EXPECT_EQ(f.Label10(1).caption(), "Free: 4 MB.");
}

// The free share of the whole megabytes shown, to the nearest percent (halves to the even one), and
// the bar's used part of the 3255-twip track; the file system's name with each word capitalised.
TEST_F(SysinfoDiskTest, TheShareTheBarAndTheFileSystemName) {
    tarnolux::Form5& f = Start();
    f.Check1(1).userClick();
    const struct {
        std::uint64_t totalMB, freeMB;
        std::string fileSystem, shown;
    } cases[] = {
        {1024, 128, "ntfs 3G", "    12% 2848 Ntfs 3g"},  // 12.5 %
        {1024, 384, "EXT4\tdata", "    38% 2034 Ext4\tData"},
        {1024, 512, "  vfat", "    50% 1628 Vfat"},
        {512, 512, std::string("btrfs\0junk", 10), "    100% 0 Btrfs"},
        {512, 0, "   ", "    0% 3255 "},
    };
    for (const auto& c : cases) {
        sys.drives[1].space = platform::DriveSpace{c.totalMB * MiB, c.freeMB * MiB};
        sys.drives[1].volume->fileSystem = c.fileSystem;
        host.Advance(2000);
        EXPECT_EQ(f.Label17->caption() + " " + std::to_string(f.Shape1(4).width()) + " " + f.Label10(2).caption(), c.shown);
    }
}

TEST_F(SysinfoDiskTest, ADriveThatIsNotReadyFallsBackToDriveC) {
    tarnolux::Form5& f = Start();
    f.Check1(1).userClick();
    sys.drives[2].space = platform::DriveSpace{0, 0};  // empty but readable: shown
    Choose(f, "d: /home");
    EXPECT_EQ(f.Drive1->path(), "d: /home");
    EXPECT_EQ(f.Label17->caption(), "    0%");  // no total: no share, the bar as it was

    sys.driveQueries.clear();
    Choose(f, "a:");
    EXPECT_EQ(f.Drive1->path(), "c: /");
    EXPECT_EQ(f.Label10(0).caption(), "1000 MB.");
    EXPECT_EQ(sys.driveQueries, (std::vector<std::string>{"c:\\", "c:\\"}));  // the floppy is never asked

    // A drive that goes while shown: the next refresh finds it gone from the list and shows C.
    Choose(f, "d: /home");
    sys.drives.pop_back();
    host.Advance(2000);
    EXPECT_EQ(f.Drive1->items(), (std::vector<std::string>{"a:", "c: /"}));
    EXPECT_EQ(f.Drive1->path(), "c: /");

    // Drive C first in the list is found as well.
    sys.drives = {sys.drives[1], {"d: /home", std::nullopt, std::nullopt}};
    host.Advance(2000);
    Choose(f, "d: /home");
    EXPECT_EQ(f.Drive1->path(), "c: /");

    // Without a drive C the page keeps its figures and tries again at every refresh.
    sys.drives = {{"a:", std::nullopt, std::nullopt}};
    host.Advance(2000);
    f.Label10(0).setCaption("kept");
    Choose(f, "a:");
    host.Advance(2000);
    EXPECT_EQ(f.Label10(0).caption(), "kept");
    EXPECT_EQ(f.Drive1->path(), "a:");
}

struct SysinfoModulesTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    SysinfoModulesTest() : f(Start()) {
        sys.processes = {{10, 1, 1, "/usr/bin/Editor"},
                         {4000, 1, 3, "/opt/tarnolux/tarnolux"},
                         {12, 1, 1, "/usr/lib/NOTEPAD.EXE"},
                         {13, 1, 1, "/home/u/notepad.exe"},
                         {14, 1, 1, "/home/u/notepad.exe.old"}};
        f.ModuleTexts[0] = "End '";
    }
    std::vector<std::string> Listed() const { return program->form5().List2->items(); }
};

// The page lists every process in lower case and selects the first; confirming ends every process
// whose entry ends in the name.
TEST_F(SysinfoModulesTest, ConfirmingEndsEveryProcessWhoseEntryEndsInTheName) {
    f.Check1(2).userClick();
    EXPECT_EQ(Listed(), (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux", "/usr/lib/notepad.exe",
                                                  "/home/u/notepad.exe", "/home/u/notepad.exe.old"}));
    EXPECT_EQ(f.Text1->text(), "/usr/bin/editor");
    EXPECT_EQ(f.List2->horizontalExtent(), 494);  // 3705 twips wide, twice, at 15 twips a pixel
    f.Text1->setText("NotePad.exe");
    host.msgBoxAnswers = {host::vbNo};
    f.Command1->userClick();
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt + "|" + host.msgBoxes[0].title, "End 'NotePad.exe';|Tarnolux ");
    EXPECT_EQ(host.msgBoxes[0].style, host::vbYesNo);
    EXPECT_TRUE(sys.terminated.empty());

    host.msgBoxAnswers = {host::vbYes};
    f.Command1->userClick();
    EXPECT_EQ(sys.terminated, (std::vector<std::uint32_t>{12, 13}));  // not the one that merely holds the name
    EXPECT_EQ(Listed(), (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux", "/home/u/notepad.exe.old"}));
    EXPECT_EQ(f.Text1->text(), "/usr/bin/editor");
}

TEST_F(SysinfoModulesTest, NeitherABlankNameNorThisProgramEndsAnything) {
    for (const char* name : {"", "  ", "tarnolux", "/opt/tarnolux/tarnolux"}) {
        f.Text1->setText(name);
        host.msgBoxAnswers = {host::vbYes};
        f.Command1_Click();
        EXPECT_TRUE(sys.terminated.empty()) << name;
        EXPECT_EQ(Listed().size(), 5u);
    }
    // A process that will not end stays listed.
    sys.removeTerminated = false;
    EXPECT_EQ(f.RefreshModuleList("editor"), 1);
    EXPECT_EQ(sys.terminated, std::vector<std::uint32_t>{10});
    EXPECT_EQ(Listed().size(), 5u);
}

}  // namespace
