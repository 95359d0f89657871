// Languages and skins: choosing and reading their files, the shipped ones, and unfit files doing no harm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "app_fixture.h"
#include "appearance/language_choice.h"
#include "appearance/skin_file.h"
#include "appearance/text_encoding.h"
#include "appearance/texts.h"
#include "common/convert.h"
#include "monitor_fixture.h"
#include "support.h"
#include "tray/form6.h"
#if defined(TARNOLUX_LINUX)
#include "platform/linux/locale_env.h"
#endif

namespace {

using monitortest::kMB;
using monitortest::WindowTest;
using apptest::ProgramTest;
using tarnolux::Form5;
namespace fs = std::filesystem;
using namespace std::string_literals;

const fs::path kShippedLanguages = fs::path(TARNOLUX_SOURCE_DIR) / "Language";

// Every key a language file holds, in file order.
std::vector<std::string> AllKeys() {
    std::vector<std::string> keys;
    for (int k = 1; k <= 51; ++k) {
        keys.push_back(std::to_string(k));
        if (k == 22 || k == 32 || k == 50) keys.push_back(std::to_string(k) + "_");
    }
    return keys;
}

// A complete file whose every text is its key in angle brackets.
std::string NumberedFile(const std::string& header) {
    std::string text = header + "\n";
    for (const std::string& k : AllKeys()) text += k + "=<" + k + ">\n";
    return text;
}

using LanguageTest = WindowTest;

// The ends of each table reach it; what an older translation lacks comes from English.
TEST_F(LanguageTest, FillsTablesCaptionsAndNamedTextsFromTheChosenFileAndEnglish) {
    sys.memory.totalPhys = 128 * kMB;
    AddLanguage("english", NumberedFile("[english]") + "TipMenu=Menu\nTipHide=Hide\nTipExit=Exit Tarnolux\n");
    AddLanguage("numbers", NumberedFile("[numbers]") + "TipHide=Verstecken \xFC\n");
    Choose("numbers");
    ASSERT_TRUE(program.form6Loaded());
    tarnolux::Form6& menus = program.form6();
    EXPECT_EQ((std::vector<std::string>{f.Check1(0).caption(), f.Check2->caption(), f.MonitorTexts[5], f.DriveTexts[2],
                                        f.Check7->caption(), f.CacheTexts[5], f.Check4(3).caption(), program.MenuTexts[0],
                                        program.MenuTexts[18], f.PopupTexts[0], f.Label3->caption(), f.Label4->caption(),
                                        menus.extras1_menu(13).caption(), menus.extras1_menu(12).caption(),
                                        menus.readme_file_menu->caption()}),
              (std::vector<std::string>{"<1>", "<6>", "<12>", "<15>", "<22_>", "<28>", "<32_>", "<33>", "<50_>", "<51>",
                                        "CPU Usage", "<8>128 MB.", "<45>", "-", "<50_>"}));
    EXPECT_FALSE(menus.visible() || !host.msgBoxes.empty());
    EXPECT_EQ((std::vector<std::string>{f.Check8->toolTipText(), f.Check6->toolTipText(),
                                        tarnolux::Text(program, "TipExit")}),
              (std::vector<std::string>{"Verstecken ü", "Menu", "Exit Tarnolux"}));
    Choose("english");
    EXPECT_EQ(f.Check8->toolTipText(), "Hide");
    // A key no file holds shows as its name, never as nothing.
    EXPECT_EQ(tarnolux::Text(program, "NoSuchText"), "NoSuchText");
}

TEST_F(LanguageTest, AFileIsParsedOncePerLoadHoweverLarge) {
    // Two megabytes of blank lines froze the window once: every key read the whole file again.
    std::string text = "[big]\n" + std::string(2 << 20, '\n') + "33=<33>\n51=<51>\n";
    for (const std::string_view key : tarnolux::kTextKeys) text += std::string(key) + "=<>\n";
    AddLanguage("big", text);
    const int before = sys.profileReads;
    Choose("big");
    EXPECT_EQ(sys.profileReads - before, 1);
    EXPECT_EQ(program.MenuTexts[0] + f.PopupTexts[0], "<33><51>");
}

// The first line names the section, whatever editors add around it; what is not UTF-8 is Windows-1252.
TEST_F(LanguageTest, EachFileIsReadInItsOwnEncodingOrRefusedWithoutChange) {
    sys.memory.totalPhys = 128 * kMB + 1023 * 1024;  // the part below a whole MB is dropped
    AddLanguage("good", NumberedFile("[good]"));
    AddLanguage("english", NumberedFile("[english]"));
    const std::string good = "<1>|<2>|<3>|<16>|<8>128 MB.", folder = "/opt/tarnolux/Language/";
    const std::tuple<std::string, std::optional<std::string>, std::string, std::string> cases[] = {
        {"mine", "[english]\r\n1=Mine\r\n8=\"Total Memory: \"\r\n", "", "Mine|1024|1024|1024|Total Memory: 128 MB."},
        {"returns", "[english]\r\r \n1=Returns\n", "", "Returns|1024|1024|1024|1024128 MB."},
        {"marked", "\xEF\xBB\xBF[deutsch]\r\n1=Gr\xC3\xB6\xC3\x9F" "e\r\n", "", "Größe|1024|1024|1024|1024128 MB."},
        {"windows", "[fran\xE7" "ais]\r\n1=Gr\xF6\xDF" "e\r\n2=Syst\xE8me\r\n3=\x80uro\r\n16=L\x92" "essai '\r\n", "",
         "Größe|Système|€uro|L’essai '|1024128 MB."},
        {"short", "[\n1=Short\n", "is not a language file.", good},
        {"empty", "", "is not a language file.", good},
        {"binary", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\n1=Bin\n"s, "is not a language file.", good},
        {"klingon", std::nullopt, "does not exist.", good},
        {"eng*", std::nullopt, "does not exist.", good},
    };
    for (const auto& [name, file, complaint, shown] : cases) {
        SCOPED_TRACE(name);
        Choose("good");
        host.msgBoxes.clear();
        if (file) AddLanguage(name, *file);
        Choose(name);
        std::string boxes;
        for (const auto& box : host.msgBoxes) boxes += box.title + std::to_string(box.style) + " " + box.prompt;
        EXPECT_EQ(boxes, complaint.empty() ? "" : "Tarnolux 16 File " + folder + name + ".ini, " + complaint);
        EXPECT_EQ(f.Check1(0).caption() + "|" + f.Check1(1).caption() + "|" + f.Check1(2).caption() + "|" +
                      f.ModuleTexts[0] + "|" + f.Label4->caption(),
                  shown);
    }
    host.msgBoxes.clear();
    f.LoadLanguageFile(folder + "gone.ini");
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_EQ(host.msgBoxes[0].prompt, "File " + folder + "gone.ini, cannot be read.");
}

TEST(Texts, FillInPutsEachArgumentInItsPlace) {
    using tarnolux::FillIn;
    EXPECT_EQ(FillIn("%2 before %1", {"a", "b"}), "b before a");
    EXPECT_EQ(FillIn("100%% of %1, %3 and 50%", {"x"}), "100% of x, %3 and 50%");
}

// Overlong sequences, surrogates and code points beyond U+10FFFF are not UTF-8 (read as Windows-1252).
TEST(TextEncoding, TellsUtf8FromOtherBytes) {
    using tarnolux::TextEncoding::IsValidUtf8;
    for (const char* good : {"plain", "Größe € 𝄞", "\xC2\x80", "\xDF\xBF", "\xE0\xA0\x80", "\xED\x9F\xBF", "\xEE\x80\x80",
                             "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"})
        EXPECT_TRUE(IsValidUtf8(good)) << good;
    // Windows-1252, cut short, overlong, a surrogate, beyond U+10FFFF, a stray continuation byte.
    for (const char* bad : {"Gr\xF6\xDF" "e", "\xC3", "\xE2\x82", "\xC0\xAF", "\xC1\xBF", "\xE0\x9F\xBF", "\xF0\x8F\xBF\xBF",
                            "\xED\xA0\x80", "\xED\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "a\x80"})
        EXPECT_FALSE(IsValidUtf8(bad)) << bad;
    EXPECT_EQ(tarnolux::TextEncoding::Windows1252ToUtf8("\x80\x81\x9F\xA0\xFF"), "€\xC2\x81Ÿ\xC2\xA0ÿ");
}

// The access key of a caption, lower case; empty when it has none or more than one.
std::string AccessKey(const std::string& caption) {
    std::string key;
    for (std::size_t i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != '&') continue;
        if (caption[++i] == '&') continue;  // "&&" is an ampersand
        if (!key.empty()) return {};
        key = std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i]))));
    }
    return key;
}

TEST_F(LanguageTest, EveryShippedFileIsCompleteFitsItsControlsAndIsSpoken) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(kShippedLanguages))
        if (e.path().extension() == ".ini") names.push_back(testsupport::Utf8(e.path().stem()));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"deutsch", "english", "español", "français"}));
    const std::string englishPath = AddLanguage("english", testsupport::ReadFile(kShippedLanguages / "english.ini"));
    std::vector<std::string> keys = AllKeys();
    keys.insert(keys.end(), tarnolux::kTextKeys.begin(), tarnolux::kTextKeys.end());
    const std::string missing = "/opt/tarnolux/Language/klingon.ini";
    const std::map<std::string, std::vector<std::string>> spoken = {
        {"deutsch", {"Tarnolux beenden", "Blendet das Fenster aus; das Symbol im Infobereich holt es zurück",
                     "Maximaler Disk-Cache in KB", "Nach oben eins mehr, nach unten eins weniger",
                     "Gewähltes Programm beenden", "Die Datei " + missing + " existiert nicht.", "&Ja"}},
        {"english", {"Exit Tarnolux", "Hides the window; the notification-area icon brings it back",
                     "Maximum disk cache in KB", "Up adds one, down takes one away", "End the selected program",
                     "File " + missing + ", does not exist.", "&Yes"}}};
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const std::string text = testsupport::ReadFile(kShippedLanguages / testsupport::PathOf(name + ".ini"));
        EXPECT_TRUE(tarnolux::TextEncoding::IsValidUtf8(text));
        const std::string path = AddLanguage(name, text);
        const std::string section = text.substr(1, text.find(']') - 1);
        for (const std::string& key : keys) {
            std::string value, english;
            sys.GetPrivateProfileString(section, key, "", value, 256, path);
            sys.GetPrivateProfileString("english", key, "", english, 256, englishPath);
            EXPECT_FALSE(value.empty()) << "key " << key;
            // A figure the translation leaves out would not reach the user.
            EXPECT_EQ(value.find("%1") == std::string::npos, english.find("%1") == std::string::npos) << "key " << key;
        }
        host.msgBoxes.clear();
        Choose(name);
        EXPECT_TRUE(host.msgBoxes.empty());
        // A caption fits when its characters, at a generous 80 twips each, fill the control's lines.
        for (const auto& c : f.controls()) {
            const int lines = c->height() >= 400 ? 2 : 1;
            EXPECT_LE(static_cast<int>(tarnolux::Utf8Length(c->caption())) * 80, c->width() * lines)
                << c->displayName() << ": " << c->caption();
        }
        // Keys followed by a value end in a blank.
        for (int i = 0; i < 6; ++i) EXPECT_EQ(f.MonitorTexts[i].back(), ' ') << f.MonitorTexts[i];
        for (int i = 0; i < 3; ++i) EXPECT_EQ(f.DriveTexts[i].back(), ' ') << f.DriveTexts[i];
        EXPECT_EQ(std::pair(f.CacheTexts[5].back(), f.ModuleTexts[0].back()), std::pair(' ', '\''));

        // Access keys are unique in each menu: the tray menu in both states (50 for 34), and Extras.
        using Keys = std::vector<std::string>;
        for (const Keys& menu : {Keys{"33", "34", "35", "36", "46", "47", "50_", "48", "49"},
                                 Keys{"33", "50", "35", "36", "46", "47", "50_", "48", "49"},
                                 Keys{"37", "38", "39", "40", "41", "42", "43", "44", "45"}}) {
            std::set<std::string> taken;
            for (const std::string& k : menu)
                taken.insert(AccessKey(program.MenuTexts[k == "50_" ? 18u : std::stoul(k) - 33]));
            EXPECT_TRUE(taken.size() == menu.size() && !taken.count("")) << testing::PrintToString(menu);
        }

        // A screen reader names what Tab reaches, the bars and the graph; a check box may go by its caption.
        for (const auto& c : f.controls()) {
            using K = forms::Kind;
            const K k = c->kind();
            const bool named = k == K::TextBox || k == K::VScrollBar || k == K::ListBox || k == K::ComboBox ||
                               k == K::DriveListBox || k == K::CommandButton || c->name() == "Shape1" ||
                               c->name() == "Label19" || c.get() == f.Picture2;
            EXPECT_FALSE(c.get() != f.Text5 && c->accessibleName().empty() &&
                         (named || (k == K::CheckBox && c->caption().empty())))
                << c->displayName();
        }
        // The accessible texts, messages and buttons speak the language; English keeps the designed message.
        host.msgBoxes.clear();
        Choose("klingon");
        if (const auto it = spoken.find(name); it != spoken.end()) {
            EXPECT_EQ((std::vector<std::string>{f.Check5->accessibleName(), f.Check8->accessibleDescription(),
                                                f.Text2(1).accessibleName(), f.VScroll2->accessibleDescription(),
                                                f.Command1->toolTipText(), host.msgBoxes.at(0).prompt,
                                                host.ButtonTexts().at(host::vbYes)}),
                      it->second);
        }
    }
}

#if defined(TARNOLUX_LINUX)
using Env = std::map<std::string, std::string>;

std::vector<std::string> Wishes(const Env& env) {
    return platform::linux_impl::LanguagesFromLocale([&](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    });
}

TEST(LanguageChoiceTest, LocaleVariablesAreReadInGettextsOrder) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Wishes({{"LANG", "de_DE.UTF-8"}}), V{"de"});
    EXPECT_EQ(Wishes({{"LANG", "de_DE.UTF-8"}, {"LC_MESSAGES", "fr_FR.UTF-8"}}), V{"fr"});
    EXPECT_EQ(Wishes({{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "es_ES@euro"}}), V{"es"});
    EXPECT_EQ(Wishes({{"LANG", "pt_BR.UTF-8"}, {"LC_ALL", ""}}), V{"pt"});  // empty counts as unset
    // LANGUAGE lists wishes before the locale, but not for the C locale, which asks for the built-in texts.
    EXPECT_EQ(Wishes({{"LANGUAGE", "fr_CA:fr:en"}, {"LANG", "de_DE.UTF-8"}}), (V{"fr", "en", "de"}));
    EXPECT_EQ(Wishes({{"LANGUAGE", "fr"}, {"LANG", "C.UTF-8"}}), V{});
    EXPECT_EQ(Wishes({{"LANG", "../../etc"}}), V{});
    EXPECT_EQ(Wishes({{"LANGUAGE", "DE:zh:x:ladino:ZU:Af"}, {"LANG", "en_GB"}}), (V{"de", "zh", "zu", "af", "en"}));
}

#endif

// A file answers a wish by its language's own name, its English name or its code, in any capitals.
TEST(LanguageChoiceTest, TheFirstWishAFileAnswersWins) {
    using V = std::vector<std::string>;
    const V shipped = {"deutsch", "english", "español", "français"};
    const std::tuple<V, V, std::string> cases[] = {
        {{"ja", "fr", "de"}, shipped, "français"},
        {{"es", "de"}, {"Deutsch", "Espanol"}, "Espanol"},
        {{"de"}, {"English", "German"}, "German"},
        {{"pt", "en"}, {"pt", "English"}, "pt"},
        {{"nb"}, {"NORSK"}, "NORSK"},
        {{"en"}, {"English"}, "English"},
        {{"ja"}, shipped, "english"},
        {{}, {"Deutsch"}, "english"},
    };
    for (const auto& [wishes, available, chosen] : cases)
        EXPECT_EQ(tarnolux::LanguageForDesktop(wishes, available), chosen) << testing::PrintToString(wishes);
}

// A stored name finds its file in any capitals; one without a file selects nothing, silently.
TEST_F(ProgramTest, TheStoredLanguageOrElseTheDesktopsIsChosen) {
    for (const char* file : {"english.ini", "deutsch.ini", "French.INI", "notes.txt"})
        sys.AddFile(sys.appPath + "/Language/" + file, "[x]\n1=" + std::string(file) + "\n");
    // What is stored before the start (nullptr: what the last one left), the desktop's wish, the choice.
    const std::tuple<const char*, const char*, std::string> runs[] = {
        {nullptr, "de", "deutsch"}, {"English", "fr", "english"}, {"klingon", "de", ""}, {nullptr, "de", "deutsch"}};
    for (const auto& [stored, wish, chosen] : runs) {
        if (stored) Store("Language", stored);
        sys.preferredLanguages = {wish};
        Form5& f = Start();
        EXPECT_EQ(std::tuple(f.Combo1->listCount(), f.Combo1->text(), host.msgBoxes.size()), std::tuple(3, chosen, 0u));
        EXPECT_TRUE(chosen.empty() || f.Check1(0).caption() == chosen + ".ini") << f.Check1(0).caption();
        f.Unload();
        EXPECT_EQ(Stored("Language"), chosen);
    }
    Form5& f = Start();
    for (int i = 0; i < f.Combo1->listCount(); ++i)
        if (f.Combo1->list(i) == "French") f.Combo1->setListIndex(i);
    EXPECT_EQ(f.Check1(0).caption(), "French.INI");
    f.Unload();
    EXPECT_EQ(Stored("Language"), "French");
}

using forms::RGB;
using tarnolux::ParseSkin;

const std::string kSkins = "/opt/tarnolux/Skins/";
const fs::path kShippedSkins = fs::path(TARNOLUX_SOURCE_DIR) / "Skins";

constexpr forms::Color kGrey = RGB(128, 128, 128);

std::map<std::string, std::pair<forms::Color, forms::Color>> ColoursOf(const Form5& f) {
    std::map<std::string, std::pair<forms::Color, forms::Color>> all;
    for (const auto& c : f.controls()) all[c->displayName()] = {c->backColor(), c->foreColor()};
    all["(window)"] = {f.backColor(), 0};
    return all;
}

std::vector<std::string> Captions(const tarnolux::Form6& menu, bool checkedOnly = false) {
    std::vector<std::string> out;
    for (const auto& [i, item] : menu.Skins_names.items())
        if (!checkedOnly || item->checked()) out.push_back(item->caption());
    return out;
}

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
    EXPECT_EQ(std::pair(skin.entries.size(), skin.windowColor), std::pair(std::size_t{10}, 12632256));
    EXPECT_EQ(skin.gaugeColor, 8421504);  // the last colour line
    const std::pair<const char*, std::pair<int, int>> found[] = {  // -1: none; "": the colour lines
        {"Label3", {255, 65535}}, {" Label5", {5, 6}},  {"Label6", {0, 0}},   {"Label7", {0, 10}},
        {"Label8", {1, 0}},       {"Label4", {-1, -1}}, {"Label5", {-1, -1}}, {"", {-1, -1}}};
    for (const auto& [key, colours] : found) EXPECT_EQ(Colours(skin.Find(key)), colours) << key;
    EXPECT_EQ(ParseSkin("Label3,1,2\n255\n").gaugeColor, 0);
}

struct SkinTest : apptest::ProgramTest {
    Form5& StartWith(const std::string& skinFile) {
        sys.AddFile(kSkins + "Test.ini", skinFile);
        Store("Skin", "Test");
        return Start();
    }
};

// A missing file or wildcards is the default skin, or the built-in colours without Default.ini.
TEST_F(SkinTest, ASkinColoursWhatItNamesAndAFileThatIsMissingOrNoSkinChangesNothing) {
    std::map<std::string, std::pair<forms::Color, forms::Color>> design;
    for (const char* stored : {"Nothing", "*"}) {
        sys.AddFile(kSkins + "Test.ini", "Label3,1,2\n");
        Store("Skin", stored);
        design = ColoursOf(Start());
        EXPECT_EQ(Captions(program->form6(), true), std::vector<std::string>{"Default"});
        program->form5().Unload();
        EXPECT_EQ(Stored("Skin"), "Default");
    }
    const std::string garbage("\x89PNG\r\n\x1a\n\0\0\0\rIHDR,\xff\xfe,\x01", 22);
    for (const std::string& text : {std::string(), std::string("\n \n\t\n"), garbage,
                                    std::string("Just some notes, nothing more.\nAnother line\n")}) {
        Form5& f = StartWith(text);
        EXPECT_EQ(ColoursOf(f), design);
        EXPECT_EQ(Captions(program->form6(), true), std::vector<std::string>{"Test"});
        f.Unload();
    }
    EXPECT_EQ(StartWith("Nothing,1,2\n255\n").backColor(), RGB(255, 0, 0));  // colour lines still apply
    program->form5().Unload();

    // Array members go by index; buttons take the background only, scroll bars nothing; no colour, no change.
    Form5& f = StartWith("Label3,255,65535\nLabel10,1,1\nLabel10(1),255,0\nCommand1,255,255\nVScroll4,255,255\n"
                         "Label4,-1,16777216\n12632256\n8421504\n");
    auto want = design;
    want["Label3"] = {RGB(255, 0, 0), RGB(255, 255, 0)};
    want["Label10(1)"] = {RGB(255, 0, 0), RGB(0, 0, 0)};
    want["Command1"].first = RGB(255, 0, 0);
    want["(window)"].first = RGB(192, 192, 192);
    for (const auto& [i, bar] : f.Shape1.items()) {
        want[bar->displayName()].first = kGrey;
        EXPECT_EQ(bar->borderColor(), kGrey) << i;
    }
    EXPECT_EQ(ColoursOf(f), want);

    // Without colour lines the window and the gauges turn black.
    f.Unload();
    Form5& g = StartWith("Label3,255,65535\n");
    EXPECT_EQ(std::pair(g.backColor(), g.Shape1(1).backColor()), std::pair(RGB(0, 0, 0), RGB(0, 0, 0)));
}

// Of names differing in capitals, the one spelled as asked for wins; the user's own replace ours.
TEST_F(SkinTest, ChoosingASkinFindsTheFileSpelledAsAskedForTheUsersOwnFirstOrFallsBackToDefault) {
    sys.userDataFolder = "/home/u/.local/share/tarnolux";
    const std::string user = sys.userDataFolder + "/Skins/";
    for (const auto& [file, text] : {std::pair{kSkins + "blue.ini", "255,0"}, {kSkins + "Sand.ini", "255,0"},
                                     {kSkins + "Blue.ini", "65280,0\n16711680"}, {kSkins + "default.ini", "0,0\n65280"},
                                     {user + "SAND.ini", "65535,0"}, {user + "Mine.ini", "16711680,0"}})
        sys.AddFile(file, "Label3," + std::string(text) + "\n");
    Store("Skin", "BLUE");
    Form5& f = Start();
    tarnolux::Form6& menu = program->form6();
    EXPECT_EQ(std::tuple(f.Label3->backColor(), program->CurrentSkin, Captions(menu, true)),
              std::tuple(RGB(255, 0, 0), "blue", std::vector<std::string>{"Blue"}));
    EXPECT_EQ(Captions(menu), (std::vector<std::string>{"Default", "Blue", "Sand", "Mine"}));
    const std::tuple<int, forms::Color, forms::Color> clicks[] = {
        {1, RGB(0, 255, 0), RGB(0, 0, 255)}, {2, RGB(255, 255, 0), 0}, {3, RGB(0, 0, 255), 0}, {0, 0, RGB(0, 255, 0)}};
    for (const auto& [item, label, window] : clicks) {
        host.mousePointers.clear();
        const std::string name = menu.Skins_names(item).caption();
        menu.Skins_names(item).userClick();
        EXPECT_EQ(std::tuple(f.Label3->backColor(), f.backColor(), program->CurrentSkin, Captions(menu, true)),
                  std::tuple(label, window, name, std::vector<std::string>{name}));
        EXPECT_EQ(host.mousePointers, (std::vector<int>{host::vbHourglass, host::vbDefault}));
    }
    for (const char* gone : {"blue.ini", "Blue.ini"}) sys.RemoveFile(kSkins + gone);
    menu.Skins_names(1).userClick();
    EXPECT_EQ(std::pair(program->CurrentSkin, Captions(menu, true)),
              std::pair(std::string("Default"), std::vector<std::string>{"Default"}));
    f.Unload();
    EXPECT_EQ(Stored("Skin"), "Default");
}

TEST_F(SkinTest, TheShippedDefaultIsTheDesignLookAndEveryShippedSkinKeepsTextReadable) {
    const auto design = ColoursOf(Start());
    program->form5().Unload();
    for (const auto& entry : fs::directory_iterator(kShippedSkins))
        if (entry.path().extension() == ".ini")
            sys.AddFile(kSkins + entry.path().filename().string(), testsupport::ReadFile(entry.path()));
    Form5& f = Start();
    EXPECT_EQ(ColoursOf(f), design);
    tarnolux::Form6& menu = program->form6();
    ASSERT_GE(menu.Skins_names.count(), 4);
    for (int i = 0; i < menu.Skins_names.count(); ++i) {
        const std::string name = menu.Skins_names(i).caption();
        menu.Skins_names(i).userClick();
        EXPECT_TRUE(i == 0 || ColoursOf(f) != design) << name;  // every other skin changes something
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
