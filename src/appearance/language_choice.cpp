#include "appearance/language_choice.h"

#include <string_view>
#include <utility>

#include "common/convert.h"

namespace tarnolux {

namespace {

// The names language files go by, in their own language and in English, without accents too.
constexpr std::pair<std::string_view, std::string_view> kNames[] = {
    {"en", "english"},   {"de", "deutsch"},    {"de", "german"},      {"fr", "français"},   {"fr", "francais"},
    {"fr", "french"},    {"es", "español"},    {"es", "espanol"},     {"es", "spanish"},    {"es", "castellano"},
    {"it", "italiano"},  {"it", "italian"},    {"pt", "português"},   {"pt", "portugues"},  {"pt", "portuguese"},
    {"nl", "nederlands"}, {"nl", "dutch"},     {"pl", "polski"},      {"pl", "polish"},     {"ru", "русский"},
    {"ru", "russian"},   {"cs", "čeština"},    {"cs", "cestina"},     {"cs", "czech"},      {"sk", "slovenčina"},
    {"sk", "slovak"},    {"sv", "svenska"},    {"sv", "swedish"},     {"da", "dansk"},      {"da", "danish"},
    {"nb", "norsk"},     {"no", "norsk"},      {"nb", "norwegian"},   {"no", "norwegian"},  {"fi", "suomi"},
    {"fi", "finnish"},   {"hu", "magyar"},     {"hu", "hungarian"},   {"ro", "română"},     {"ro", "romana"},
    {"ro", "romanian"},  {"el", "ελληνικά"},   {"el", "greek"},       {"tr", "türkçe"},     {"tr", "turkce"},
    {"tr", "turkish"},   {"bg", "български"},  {"bg", "bulgarian"},   {"uk", "українська"}, {"uk", "ukrainian"},
    {"hr", "hrvatski"},  {"hr", "croatian"},   {"sl", "slovenščina"}, {"sl", "slovenian"},  {"lt", "lietuvių"},
    {"lt", "lithuanian"}, {"ca", "català"},    {"ca", "catala"},      {"ca", "catalan"},
};

bool Names(std::string_view code, std::string_view entry) {
    if (entry == code) return true;  // a file named by its code, "de.ini"
    for (const auto& [c, name] : kNames)
        if (c == code && name == entry) return true;
    return false;
}

}  // namespace

std::string LanguageForDesktop(const std::vector<std::string>& wishes, const std::vector<std::string>& available) {
    for (const std::string& code : wishes)
        for (const std::string& entry : available)
            if (Names(code, LowerCase(entry))) return entry;
    return "english";
}

}  // namespace tarnolux
