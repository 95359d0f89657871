// The Active Modules page: the process list and ending processes after confirmation.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

struct SysinfoModulesTest : apptest::ProgramTest {
    tarnolux::Form5& f;
    SysinfoModulesTest() : f(Start()) {
        sys.processes = {{10, 1, 1, "/usr/bin/Editor"},
                         {4000, 1, 3, "/opt/tarnolux/tarnolux"},
                         {12, 1, 1, "/usr/lib/NOTEPAD.EXE"},
                         {13, 1, 1, "/home/u/notepad.exe"}};
        f.ModuleTexts[0] = "End '";
    }
    std::vector<std::string> Listed() const { return program->form5().List2->items(); }
};

TEST_F(SysinfoModulesTest, ThePageListsEveryProcessInLowerCaseAndSelectsTheFirst) {
    f.Check1(2).userClick();
    EXPECT_EQ(Listed(), (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux", "/usr/lib/notepad.exe",
                                                  "/home/u/notepad.exe"}));
    EXPECT_EQ(f.Text1->text(), "/usr/bin/editor");
    EXPECT_EQ(f.List2->horizontalExtent(), 494);  // 3705 twips wide, twice, at 15 twips a pixel
    EXPECT_TRUE(sys.terminated.empty());
}

TEST_F(SysinfoModulesTest, ConfirmingEndsEveryProcessWhoseEntryEndsInTheName) {
    f.Check1(2).userClick();
    f.Text1->setText("NotePad.exe");
    host.msgBoxAnswers = {host::vbNo};
    f.Command1->userClick();
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "End 'NotePad.exe';");
    EXPECT_EQ(host.msgBoxes[0].style, host::vbYesNo);
    EXPECT_EQ(host.msgBoxes[0].title, "Tarnolux ");
    EXPECT_TRUE(sys.terminated.empty());

    host.msgBoxAnswers = {host::vbYes};
    f.Command1->userClick();
    EXPECT_EQ(sys.terminated, (std::vector<std::uint32_t>{12, 13}));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"/usr/bin/editor", "/opt/tarnolux/tarnolux"}));
    EXPECT_EQ(f.Text1->text(), "/usr/bin/editor");
}

TEST_F(SysinfoModulesTest, NeitherABlankNameNorThisProgramEndsAnything) {
    for (const char* name : {"", "  ", "tarnolux", "/opt/tarnolux/tarnolux"}) {
        f.Text1->setText(name);
        host.msgBoxAnswers = {host::vbYes};
        f.Command1_Click();
        EXPECT_TRUE(sys.terminated.empty()) << name;
        EXPECT_EQ(Listed().size(), 4u);
    }
    // A process that will not end stays listed.
    sys.removeTerminated = false;
    EXPECT_EQ(f.RefreshModuleList("editor"), 1);
    EXPECT_EQ(sys.terminated, std::vector<std::uint32_t>{10});
    EXPECT_EQ(Listed().size(), 4u);
}

}  // namespace
