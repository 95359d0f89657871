// The Disk page with its fall-back to drive C, and the Active Modules page.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

// The Disk page shown, with drive C of 1000 MB, 250 MB free.
struct SysinfoDiskTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    SysinfoDiskTest() : f(Start()) {
        sys.drives = {{"a:", std::nullopt, std::nullopt},
                      {"c: /", platform::DriveSpace{1000 * MiB, 250 * MiB}, platform::VolumeInfo{"", "ext4", 0}},
                      {"d: /home", platform::DriveSpace{0, 0}, platform::VolumeInfo{}}};  // empty but readable
        f.DriveTexts = {"Total: ", "Free: ", "File system: ", ""};
        f.Check1(1).userClick();
    }
    void Choose(const std::string& drive) {
        for (int i = 0; i < f.Drive1->listCount(); ++i)
            if (f.Drive1->list(i) == drive) f.Drive1->setListIndex(i);
        f.Drive1->setPath(drive);
    }
    std::string Shown() const {
        return f.Label10(0).caption() + "|" + f.Label10(1).caption() + "|" + f.Label10(2).caption() + "|" +
               f.Label17->caption() + " " + std::to_string(f.Shape1(4).width());
    }
};

// Whole megabytes and percent, halves to the even one; the bar's used part of its 3255 twips.
TEST_F(SysinfoDiskTest, TheFiguresTheShareTheBarAndTheFileSystemName) {
    EXPECT_EQ(f.Drive1->path() + " " + Shown(), "c: / Total: 1000 MB.|Free: 250 MB.|File system: Ext4|    25% 2441");
    const std::tuple<std::uint64_t, std::uint64_t, std::string, std::string> cases[] = {  // total, free
        {3ull << 40, MiB * 3 / 2, " FAT32 ", "Total: 3145728 MB.|Free: 2 MB.|File system: Fat32|    0% 3255"},
        {3ull << 40, MiB * 5 / 2, " FAT32 ", "Total: 3145728 MB.|Free: 2 MB.|File system: Fat32|    0% 3255"},
        {1024 * MiB, 128 * MiB, "ntfs 3G", "Total: 1024 MB.|Free: 128 MB.|File system: Ntfs 3g|    12% 2848"},
        {1024 * MiB, 384 * MiB, "EXT4\tapps", "Total: 1024 MB.|Free: 384 MB.|File system: Ext4\tApps|    38% 2034"},
        {1024 * MiB, 512 * MiB, "  zfs", "Total: 1024 MB.|Free: 512 MB.|File system: Zfs|    50% 1628"},
        {512 * MiB, 512 * MiB, std::string("btrfs\0junk", 10),
         "Total: 512 MB.|Free: 512 MB.|File system: Btrfs|    100% 0"},
        {512 * MiB, 0, "   ", "Total: 512 MB.|Free: 0 MB.|File system: |    0% 3255"},
    };
    for (const auto& [total, free, fileSystem, shown] : cases) {
        sys.drives[1].space = platform::DriveSpace{total, free};
        sys.drives[1].volume->fileSystem = fileSystem;
        host.Advance(2000);
        EXPECT_EQ(Shown(), shown);
    }
}

TEST_F(SysinfoDiskTest, ADriveThatIsNotReadyFallsBackToDriveC) {
    Choose("d: /home");
    EXPECT_EQ(f.Drive1->path() + " " + f.Label17->caption(), "d: /home     0%");  // no total: no share

    sys.driveQueries.clear();
    Choose("a:");
    EXPECT_EQ(f.Drive1->path() + " " + f.Label10(0).caption(), "c: / Total: 1000 MB.");
    EXPECT_EQ(sys.driveQueries, (std::vector<std::string>{"c:\\", "c:\\"}));  // the floppy is never asked

    Choose("d: /home");
    sys.drives.pop_back();  // gone while shown: the next refresh finds it gone from the list and shows C
    host.Advance(2000);
    EXPECT_EQ(f.Drive1->items(), (std::vector<std::string>{"a:", "c: /"}));
    EXPECT_EQ(f.Drive1->path(), "c: /");

    sys.drives = {sys.drives[1], {"d: /home", std::nullopt, std::nullopt}};  // C first in the list
    host.Advance(2000);
    EXPECT_EQ(f.Drive1->listIndex(), 0);  // still the one selected
    Choose("d: /home");
    EXPECT_EQ(f.Drive1->path(), "c: /");

    sys.drives = {{"a:", std::nullopt, std::nullopt}};  // no C: the figures stay, it tries again at every refresh
    host.Advance(2000);
    f.Label10(0).setCaption("kept");
    Choose("a:");
    host.Advance(2000);
    EXPECT_EQ(f.Drive1->path() + " " + f.Label10(0).caption(), "a: kept");
}

using apptest::ProgramTest;

// Never this program itself nor, for a blank name, every process; one that will not end stays listed.
TEST_F(ProgramTest, ActiveModulesEndEveryProcessWhoseEntryEndsInTheNameOnceConfirmed) {
    tarnolux::Form5& f = Start();
    sys.processes = {{10, 1, 1, "/usr/bin/Editor"},     {4000, 1, 3, "/opt/tarnolux/tarnolux"},
                     {12, 1, 1, "/usr/lib/NOTEPAD.EXE"}, {13, 1, 1, "/home/u/notepad.exe"},
                     {14, 1, 1, "/home/u/notepad.exe.old"}};
    f.ModuleTexts[0] = "End '";
    f.Check1(2).userClick();
    EXPECT_EQ(f.List2->items(), (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux",
                                                          "/usr/lib/notepad.exe", "/home/u/notepad.exe",
                                                          "/home/u/notepad.exe.old"}));
    EXPECT_EQ(f.List2->horizontalExtent(), 494);  // 3705 twips wide, twice, at 15 twips a pixel
    for (const char* name : {"", "  ", "tarnolux", "/opt/tarnolux/tarnolux"}) {
        f.Text1->setText(name);
        host.msgBoxAnswers = {host::vbYes};
        f.Command1_Click();
        EXPECT_TRUE(sys.terminated.empty()) << name;
    }

    f.Text1->setText("NotePad.exe");
    host.msgBoxes.clear();
    host.msgBoxAnswers = {host::vbNo, host::vbYes};
    f.Command1->userClick();
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(std::tuple(host.msgBoxes[0].prompt, host.msgBoxes[0].title, host.msgBoxes[0].style),
              std::tuple(std::string("End 'NotePad.exe';"), std::string("Tarnolux "), host::vbYesNo));
    EXPECT_TRUE(sys.terminated.empty());
    f.Command1->userClick();
    EXPECT_EQ(sys.terminated, (std::vector<std::uint32_t>{12, 13}));  // not the one that merely holds the name
    EXPECT_EQ(f.List2->items(),
              (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux", "/home/u/notepad.exe.old"}));
    EXPECT_EQ(f.Text1->text(), "/usr/bin/editor");

    sys.removeTerminated = false;
    EXPECT_EQ(f.RefreshModuleList("editor"), 1);
    EXPECT_EQ(std::pair(sys.terminated, f.List2->listCount()), std::pair(std::vector<std::uint32_t>{12, 13, 10}, 3));
}

}  // namespace
