// The language files that ship: every menu item has an access key, and no two items of one menu
// share one, so the keyboard reaches each of them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> Keys(const fs::path& file) {
    std::map<std::string, std::string> keys;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto eq = line.find('=');
        if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
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

TEST(ShippedLanguagesTest, EveryMenuItemHasItsOwnAccessKey) {
    // The tray menu as each state shows it ("Disable" turns into key 50 while switched off), and
    // the Extras submenu.
    const std::vector<std::vector<std::string>> menus = {
        {"33", "34", "35", "36", "46", "47", "50_", "48", "49"},
        {"33", "50", "35", "36", "46", "47", "50_", "48", "49"},
        {"37", "38", "39", "40", "41", "42", "43", "44", "45"},
    };
    int files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(TARNOLUX_SOURCE_DIR) / "Language")) {
        if (entry.path().extension() != ".ini") continue;
        ++files;
        const auto keys = Keys(entry.path());
        for (const auto& menu : menus) {
            std::map<std::string, std::string> taken;
            for (const std::string& k : menu) {
                const std::string key = AccessKey(keys.count(k) ? keys.at(k) : "");
                EXPECT_FALSE(key.empty()) << entry.path().filename() << " key " << k;
                if (key.empty()) continue;
                const auto [it, fresh] = taken.emplace(key, k);
                EXPECT_TRUE(fresh) << entry.path().filename() << ": keys " << it->second << " and " << k
                                   << " share '" << key << "'";
            }
        }
    }
    EXPECT_GE(files, 4);
}

}  // namespace
