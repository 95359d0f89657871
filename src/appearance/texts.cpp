#include "appearance/texts.h"

#include <vector>

#include "app/program.h"
#include "settings/modules.h"

namespace tarnolux {

const std::string kMissingText = "\x01";

namespace {

std::string EnglishFile(Program& P) {
    const std::string sep = General::Sep(P.sys);
    return General::ProgramFolder(P.sys) + sep + "Language" + sep + "english.ini";
}

// Fills what the table lacks from english.ini, once per language loaded.
void CompleteFromEnglish(Program& P) {
    P.TextsComplete = true;
    const std::vector<std::string> keys(kTextKeys.begin(), kTextKeys.end());
    const std::vector<std::string> english =
        INI_Files::ReadIniStrings(P.sys, "english", keys, kMissingText, EnglishFile(P));
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (english[i] != kMissingText) P.Texts.emplace(keys[i], english[i]);
}

}  // namespace

void LoadTexts(Program& P, const std::vector<std::string>& values) {
    P.Texts.clear();
    P.TextsComplete = true;
    for (std::size_t i = 0; i < kTextKeys.size() && i < values.size(); ++i) {
        if (values[i] == kMissingText) P.TextsComplete = false;
        else P.Texts.emplace(std::string(kTextKeys[i]), values[i]);
    }
}

const std::string& Text(Program& P, std::string_view key) {
    auto found = P.Texts.find(key);
    if (found != P.Texts.end()) return found->second;
    // Also before any language file was applied (none found, or start-up ended early).
    if (!P.TextsComplete) {
        CompleteFromEnglish(P);
        found = P.Texts.find(key);
        if (found != P.Texts.end()) return found->second;
    }
    return P.Texts.emplace(std::string(key), std::string(key)).first->second;
}

std::string FillIn(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '%' || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const char next = text[i + 1];
        if (next == '%') {
            out += '%';
            ++i;
        } else if (next >= '1' && next <= '9' && static_cast<std::size_t>(next - '1') < args.size()) {
            out += *(args.begin() + (next - '1'));
            ++i;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace tarnolux
