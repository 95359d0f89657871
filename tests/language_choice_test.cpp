// The first run speaks the desktop's language: the locale variables, the file that matches them,
// and a stored choice that always wins.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "appearance/language_choice.h"
#if defined(TARNOLUX_LINUX)
#include "platform/linux/locale_env.h"
#endif

namespace {

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
    // An empty variable counts as unset.
    EXPECT_EQ(Wishes({{"LANG", "pt_BR.UTF-8"}, {"LC_ALL", ""}}), V{"pt"});
    // LANGUAGE lists wishes before the locale, ...
    EXPECT_EQ(Wishes({{"LANGUAGE", "fr_CA:fr:en"}, {"LANG", "de_DE.UTF-8"}}), (V{"fr", "en", "de"}));
    // ... but not for the C locale, which asks for the built-in texts.
    EXPECT_EQ(Wishes({{"LANGUAGE", "fr"}, {"LANG", "C.UTF-8"}}), V{});
    EXPECT_EQ(Wishes({{"LANG", "../../etc"}}), V{});
}

#endif

TEST(LanguageChoiceTest, WishesFindTheFileInItsOwnOrEnglishName) {
    const std::vector<std::string> shipped = {"deutsch", "english", "español", "français"};
    EXPECT_EQ(tarnolux::LanguageForDesktop({"ja", "fr"}, shipped), "français");
    EXPECT_EQ(tarnolux::LanguageForDesktop({"ja"}, shipped), "english");
    EXPECT_EQ(tarnolux::LanguageForDesktop({"de"}, {"English", "German"}), "German");
}

struct FirstRunTest : apptest::ProgramTest {
    FirstRunTest() {
        for (const char* name : {"english", "deutsch", "français"})
            sys.AddFile(sys.appPath + "/Language/" + name + ".ini",
                        std::string("[") + name + "]\n1=" + name + "\n");
    }
};

TEST_F(FirstRunTest, TheDesktopsLanguageIsChosenUntilTheUserHasChosen) {
    sys.preferredLanguages = {"de"};
    EXPECT_EQ(Start().Combo1->text(), "deutsch");
    EXPECT_EQ(form().Check1(0).caption(), "deutsch");
    form().Unload();
    EXPECT_EQ(Stored("Language"), "deutsch");

    // A stored language wins over the desktop's.
    Store("Language", "english");
    sys.preferredLanguages = {"fr"};
    EXPECT_EQ(Start().Combo1->text(), "english");
}

}  // namespace
