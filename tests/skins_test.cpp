// Skins: reading a skin file, applying it to the main window, the Skins submenu, the skins that ship
// with the program, and every way a skin file can be missing or unfit without harm.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>

#include "app_fixture.h"
#include "appearance/skin_file.h"
#include "common/convert.h"
#include "support.h"
#include "tray/form6.h"

namespace {

namespace fs = std::filesystem;
using forms::RGB;
using tarnolux::Form5;
using tarnolux::ParseSkin;

const std::string kSkins = "/opt/tarnolux/Skins/";
const fs::path kShipped = fs::path(TARNOLUX_SOURCE_DIR) / "Skins";

constexpr forms::Color kSilver = RGB(192, 192, 192);
constexpr forms::Color kGrey = RGB(128, 128, 128);

// Every colour of the window, by control key.
std::map<std::string, std::pair<forms::Color, forms::Color>> ColoursOf(const Form5& f) {
    std::map<std::string, std::pair<forms::Color, forms::Color>> all;
    for (const auto& c : f.controls()) all[c->displayName()] = {c->backColor(), c->foreColor()};
    all["(window)"] = {f.backColor(), 0};
    return all;
}

// The captions of the Skins submenu, all or only the checked ones.
std::vector<std::string> Captions(const tarnolux::Form6& menu, bool checkedOnly = false) {
    std::vector<std::string> out;
    for (const auto& [i, item] : menu.Skins_names.items())
        if (!checkedOnly || item->checked()) out.push_back(item->caption());
    return out;
}
std::vector<std::string> Checked(const tarnolux::Form6& menu) { return Captions(menu, true); }

// WCAG contrast ratio of two colours.
double Contrast(forms::Color a, forms::Color b) {
    const auto luminance = [](forms::Color c) {
        const auto channel = [](int v) {
            const double s = v / 255.0;
            return s <= 0.03928 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(forms::RedOf(c)) + 0.7152 * channel(forms::GreenOf(c)) + 0.0722 * channel(forms::BlueOf(c));
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::pair<int, int> Colours(const tarnolux::SkinEntry* e) { return e ? std::pair{e->back, e->fore} : std::pair{-1, -1}; }

TEST(SkinFile, EntriesColourLinesAndFieldsThatDoNotConvert) {
    const tarnolux::SkinFile skin = ParseSkin(
        "Label3,255,65535\r\n\r\n   \t\n"
        "Label3,1,2\n"       // the first occurrence counts
        "label4,3,4\n"       // keys keep their case
        " Label5,5,6\n"      // and their blanks
        "Label6,7\n"         // one comma: both colours 0
        "Label7,red, 9.5\n"  // a field that does not convert is 0; a fraction rounds to even
        "Label8,1,2,3\n"     // the text colour runs to the end of the line: no number
        "12632256\n99\n8421504\n");
    EXPECT_EQ(skin.entries.size(), 10u);
    EXPECT_EQ(skin.windowColor, 12632256);
    EXPECT_EQ(skin.gaugeColor, 8421504);  // the last colour line
    EXPECT_EQ(Colours(skin.Find("Label3")), std::pair(255, 65535));
    EXPECT_EQ(skin.Find("Label4"), nullptr);
    EXPECT_EQ(skin.Find("Label5"), nullptr);
    EXPECT_EQ(Colours(skin.Find(" Label5")), std::pair(5, 6));
    EXPECT_EQ(Colours(skin.Find("Label6")), std::pair(0, 0));
    EXPECT_EQ(Colours(skin.Find("Label7")), std::pair(0, 10));
    EXPECT_EQ(Colours(skin.Find("Label8")), std::pair(1, 0));
    EXPECT_EQ(skin.Find(""), nullptr);  // colour lines name no control
    EXPECT_EQ(ParseSkin("Label3,1,2\n255\n").gaugeColor, 0);
}

struct SkinTest : apptest::ProgramTest {
    Form5& StartWith(const std::string& skinFile) {
        sys.AddFile(kSkins + "Test.ini", skinFile);
        Store("Skin", "Test");
        return Start();
    }
};

TEST_F(SkinTest, ASkinColoursTheControlsItNamesTheWindowAndTheGauges) {
    const auto design = ColoursOf(Start());
    program->form5().Unload();
    Form5& f = StartWith("Label3,255,65535\nLabel10,1,1\nLabel10(1),255,0\nCommand1,255,255\nVScroll4,255,255\n"
                         "Label4,-1,16777216\n12632256\n8421504\n");
    EXPECT_EQ(f.Label3->backColor(), RGB(255, 0, 0));
    EXPECT_EQ(f.Label3->foreColor(), RGB(255, 255, 0));
    EXPECT_EQ(f.backColor(), kSilver);
    for (const auto& [i, bar] : f.Shape1.items()) {
        EXPECT_EQ(bar->backColor(), kGrey) << i;
        EXPECT_EQ(bar->borderColor(), kGrey) << i;
    }
    // An array member is named with its index only; buttons take the background only, scroll
    // bars nothing; numbers that are no colour are refused.
    EXPECT_EQ(f.Label10(0).backColor(), design.at("Label10(0)").first);
    EXPECT_EQ(f.Label10(1).backColor(), RGB(255, 0, 0));
    EXPECT_EQ(f.Command1->backColor(), RGB(255, 0, 0));
    EXPECT_EQ(f.Command1->foreColor(), design.at("Command1").second);
    EXPECT_EQ(f.VScroll4->backColor(), design.at("VScroll4").first);
    EXPECT_EQ(f.Label4->backColor(), design.at("Label4").first);
    EXPECT_EQ(f.Label4->foreColor(), design.at("Label4").second);

    // Without colour lines the window and the gauges turn black.
    f.Unload();
    Form5& g = StartWith("Label3,255,65535\n");
    EXPECT_EQ(g.backColor(), RGB(0, 0, 0));
    EXPECT_EQ(g.Shape1(1).backColor(), RGB(0, 0, 0));
}

TEST_F(SkinTest, AFileThatIsMissingEmptyOrNoSkinChangesNothing) {
    // A missing file, or a stored name with wildcards, is the default skin; without a Default.ini
    // either, the built-in colours stay.
    std::map<std::string, std::pair<forms::Color, forms::Color>> design;
    for (const char* stored : {"Nothing", "*"}) {
        sys.AddFile(kSkins + "Test.ini", "Label3,1,2\n");
        Store("Skin", stored);
        design = ColoursOf(Start());
        EXPECT_EQ(program->CurrentSkin, "Default");
        EXPECT_EQ(Checked(program->form6()), std::vector<std::string>{"Default"});
        program->form5().Unload();
        EXPECT_EQ(Stored("Skin"), "Default");
    }

    const std::string garbage("\x89PNG\r\n\x1a\n\0\0\0\rIHDR,\xff\xfe,\x01", 22);
    for (const std::string& text : {std::string(), std::string("\n \n\t\n"), garbage,
                                    std::string("Just some notes, nothing more.\nAnother line\n")}) {
        Form5& f = StartWith(text);
        EXPECT_EQ(ColoursOf(f), design);
        EXPECT_EQ(Checked(program->form6()), std::vector<std::string>{"Test"});
        f.Unload();
    }
    EXPECT_EQ(StartWith("Nothing,1,2\n255\n").backColor(), RGB(255, 0, 0));  // colour lines still apply
}

TEST_F(SkinTest, ChoosingASkinAppliesItChecksItAndFallsBackToDefaultWhenItsFileHasGone) {
    sys.AddFile(kSkins + "Blue.ini", "Label3,16711680,16777215\n16711680\n");
    sys.AddFile(kSkins + "default.ini", "Label3,65280,0\n65280\n");
    Form5& f = Start();
    tarnolux::Form6& menu = program->form6();
    EXPECT_EQ(Captions(menu), (std::vector<std::string>{"Default", "Blue"}));

    menu.Skins_names(1).userClick();
    EXPECT_EQ(f.backColor(), RGB(0, 0, 255));
    EXPECT_EQ(program->CurrentSkin, "Blue");
    EXPECT_EQ(Checked(menu), std::vector<std::string>{"Blue"});
    EXPECT_EQ(host.mousePointer, host::vbDefault);

    menu.Skins_names(0).userClick();
    EXPECT_EQ(f.backColor(), RGB(0, 255, 0));
    EXPECT_EQ(Checked(menu), std::vector<std::string>{"Default"});

    sys.RemoveFile(kSkins + "Blue.ini");
    menu.Skins_names(1).userClick();
    EXPECT_EQ(program->CurrentSkin, "Default");
    EXPECT_EQ(Checked(menu), std::vector<std::string>{"Default"});
    f.Unload();
    EXPECT_EQ(Stored("Skin"), "Default");
}

TEST_F(SkinTest, AStoredNameFindsItsFileWhateverTheCaseAndUserSkinsComeAfterTheProgramsOwn) {
    sys.userDataFolder = "/home/u/.local/share/tarnolux";
    const std::string user = sys.userDataFolder + "/Skins/";
    sys.AddFile(kSkins + "Blue.ini", "Label3,255,0\n");
    sys.AddFile(kSkins + "Sand.ini", "Label3,255,0\n");
    sys.AddFile(user + "BLUE.ini", "Label3,65280,0\n");  // takes the place of the program's
    sys.AddFile(user + "Mine.ini", "Label3,16711680,0\n");
    Store("Skin", "Blue");
    Form5& f = Start();
    EXPECT_EQ(program->CurrentSkin, "blue");
    EXPECT_EQ(f.Label3->backColor(), RGB(0, 255, 0));
    EXPECT_EQ(Captions(program->form6()), (std::vector<std::string>{"Default", "Blue", "Sand", "Mine"}));
    EXPECT_EQ(Checked(program->form6()), std::vector<std::string>{"Blue"});
    program->form6().Skins_names(3).userClick();
    EXPECT_EQ(f.Label3->backColor(), RGB(0, 0, 255));
}

struct ShippedSkinTest : SkinTest {
    ShippedSkinTest() {
        for (const auto& entry : fs::directory_iterator(kShipped))
            if (entry.path().extension() == ".ini") sys.AddFile(kSkins + entry.path().filename().string(), testsupport::ReadFile(entry.path()));
    }
};

// The shipped Default is the design's look and brings it back after any other skin, and every
// shipped skin keeps text readable.
TEST_F(ShippedSkinTest, DefaultIsTheDesignLookAndEverySkinKeepsTextReadable) {
    sys.RemoveFile(kSkins + "Default.ini");
    const auto design = ColoursOf(Start());
    program->form5().Unload();

    sys.AddFile(kSkins + "Default.ini", testsupport::ReadFile(kShipped / "Default.ini"));
    Form5& f = Start();
    EXPECT_EQ(ColoursOf(f), design);
    tarnolux::Form6& menu = program->form6();
    ASSERT_GE(menu.Skins_names.count(), 4);
    for (int i = 0; i < menu.Skins_names.count(); ++i) {
        const std::string name = menu.Skins_names(i).caption();
        menu.Skins_names(i).userClick();
        if (i > 0) {
            EXPECT_NE(ColoursOf(f), design) << name;
        }
        for (const auto& c : f.controls()) {
            // The page area, the pages and the bar tracks carry no text of their own.
            if (c.get() == f.Picture1 || c->name() == "Frame1" || c.get() == f.Frame2 || c->name() == "Label19") continue;
            using K = forms::Kind;
            const K k = c->kind();
            if (k == K::Label || k == K::CheckBox || k == K::TextBox || k == K::ListBox || k == K::ComboBox ||
                k == K::DriveListBox || k == K::PictureBox || k == K::CommandButton) {
                EXPECT_GE(Contrast(c->foreColor(), c->backColor()), 4.5) << name << " " << c->displayName();
            }
        }
        // The bars stand out from their tracks.
        EXPECT_GE(Contrast(f.Shape1(1).backColor(), f.Label19(1).backColor()), 3.0) << name;
        menu.Skins_names(0).userClick();
        EXPECT_EQ(ColoursOf(f), design) << name;
    }
}

}  // namespace
