#include "platform/linux/locale_env.h"

#include <algorithm>
#include <string_view>

namespace platform::linux_impl {

namespace {

// "pt_BR.UTF-8@euro" -> "pt"; nothing for what is not a language code.
std::string LanguageCode(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of("_.@"));
    if (locale.size() < 2 || locale.size() > 3) return {};
    std::string code;
    for (char c : locale) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c < 'a' || c > 'z') return {};
        code += c;
    }
    return code;
}

}  // namespace

std::vector<std::string> LanguagesFromLocale(const std::function<const char*(const char* name)>& getenv) {
    const auto value = [&](const char* name) -> std::string_view {
        const char* v = getenv(name);
        return v ? std::string_view(v) : std::string_view();
    };
    std::string_view locale;
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        locale = value(name);
        if (!locale.empty()) break;
    }
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.starts_with("C.")) return {};

    std::vector<std::string> codes;
    const auto add = [&](std::string_view entry) {
        std::string code = LanguageCode(entry);
        if (!code.empty() && std::find(codes.begin(), codes.end(), code) == codes.end()) codes.push_back(code);
    };
    std::string_view list = value("LANGUAGE");
    while (!list.empty()) {
        const std::size_t colon = list.find(':');
        add(list.substr(0, colon));
        list = colon == std::string_view::npos ? std::string_view() : list.substr(colon + 1);
    }
    add(locale);
    return codes;
}

}  // namespace platform::linux_impl
