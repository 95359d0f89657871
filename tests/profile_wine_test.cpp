// The profile-file rules against a peer: Wine's GetPrivateProfileStringA and
// WritePrivateProfileStringA, driven by a small Windows program (tests/wine/profile_driver.c) in a
// private Wine prefix. Every case runs in one start of Wine. Skipped where Wine or the
// cross-compiler is missing.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "linux_options.h"
#include "platform/common/profile.h"

namespace {

using testsupport::OnPath;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::Utf16Le;
using testsupport::WriteFile;

std::string Hex(const std::string& s) {
    std::string out;
    for (unsigned char c : s) out += {"0123456789abcdef"[c >> 4], "0123456789abcdef"[c & 15]};
    return out;
}

std::string Unhex(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2) out += static_cast<char>(std::stoi(s.substr(i, 2), nullptr, 16));
    return out;
}

// Latin-1 (the upper half of Windows-1252 used here) and UTF-8: the A functions answer in the
// code page, the program in UTF-8.
std::string Latin1ToUtf8(const std::string& s) {
    std::string out;
    for (unsigned char c : s)
        out += c < 0x80 ? std::string(1, static_cast<char>(c))
                        : std::string{static_cast<char>(0xC0 | (c >> 6)), static_cast<char>(0x80 | (c & 0x3F))};
    return out;
}
std::string Utf8ToLatin1(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const auto c = static_cast<unsigned char>(s[i]);
        out += c >= 0xC0 && i + 1 < s.size() ? static_cast<char>(((c & 0x1F) << 6) | (s[++i] & 0x3F)) : s[i];
    }
    return out;
}

std::string WinePath(const std::filesystem::path& p) {
    std::string s = "Z:" + p.string();
    for (char& c : s)
        if (c == '/') c = '\\';
    return s;
}

// Runs the driver once over `calls` in a private prefix, away from any display; the answers, one a
// call, or nothing when Wine failed or took longer than a first start on a busy machine may.
std::optional<std::vector<std::string>> RunWine(const TempDir& dir, const std::vector<std::string>& calls) {
    std::string script;
    for (const std::string& c : calls) script += c + "\n";
    WriteFile(dir / "calls.txt", script);
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u WINEARCH -u WINELOADER -u WINESERVER WINEPREFIX='" +
                                (dir / "prefix").string() + "' WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml= " +
                                "timeout -s KILL 100 wine '" TARNOLUX_WINE_DRIVER "' '" + WinePath(dir / "calls.txt") +
                                "' '" + WinePath(dir / "answers.txt") + "' >/dev/null 2>&1";
    if (std::system(command.c_str()) == -1) return std::nullopt;
    std::vector<std::string> answers;
    std::istringstream text(ReadFile(dir / "answers.txt"));
    for (std::string line; std::getline(text, line);) answers.push_back(line);
    if (answers.size() != calls.size()) return std::nullopt;
    return answers;
}

struct Read {
    std::string section, key, def = "dflt";
    std::uint32_t size = 256;
};

struct Case {
    std::string name;
    std::string file;   // the file's bytes
    bool marked;        // UTF-8 or UTF-16 with a mark: the A functions answer in the code page
    std::vector<Read> reads;
    // A write, then `reads` again on both results.
    std::optional<std::array<std::string, 3>> write;  // section, key, value (UTF-8; Latin-1 for Wine when marked)
};

TEST(ProfileAgainstWine, ReadsAndWritesAsTheWindowsFunctionsDo) {
#ifndef TARNOLUX_WINE_DRIVER
    GTEST_SKIP() << "no mingw-w64 compiler: the Wine driver was not built";
#else
    if (!OnPath("wine")) GTEST_SKIP() << "wine is not installed";
    const std::string a300(300, 'a'), e300(300, '\xE4'), pound300(300, '\xA3');
    const std::vector<Read> common = {{"s", "k"}, {"s", "j"}, {"S", " K "}, {"t", "k"}, {"s", "missing", "  d  "},
                                      {"s", "k", "", 3}, {"s", "bare"}, {"s", "[t"}, {"s", "q"}, {"s", "r"}};
    const std::vector<Case> cases = {
        {"utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\nj=w\r\n", true, common, {}},
        {"utf-16 mark", Utf16Le(u"\uFEFF[s]\r\nk=v\u00E4\r\n[t]\r\nk=\u00FC\r\n"), true, common, {}},
        {"cr only", "[s]\rk=v1\rj=v2\r[t]\rk=3\r", false, common, {}},
        {"lone cr", "[s]\nk=a\rb\nj=c\r\n", false, common, {}},
        {"crlf", "[s]\r\n k = 1 \r\nj=\"2\"\r\nq=\"\"\r\nr='x'\r\n", false, common, {}},
        {"open bracket", "[s]\nk=1\n[t\nj=2\n", false, common, {}},
        {"bare key", "[s]\nbare\nk=1\nbare=2\n", false, common, {}},
        {"long ascii", "[s]\nk=" + a300 + "\n", false, {{"s", "k"}, {"s", "k", "", 10}}, {}},
        {"long 1252", "[s]\nk=" + e300 + "\nj=" + pound300 + "\n", false, {{"s", "k"}, {"s", "j"}, {"s", "j", "", 5}}, {}},
        {"write utf-8 mark", "\xEF\xBB\xBF[s]\r\nk=v\r\n", true, common, {{"s", "j", "\xC3\xA4"}}},
        {"write utf-16 mark", Utf16Le(u"\uFEFF[s]\r\nk=v\r\n"), true, common, {{"t", "k", "\xC3\xBC"}}},
        {"write bare key", "[s]\nbare\nk=1\n", false, common, {{"s", "bare", "x"}}},
        {"write cr only", "[s]\rk=1\rj=2\r", false, common, {{"s", "k", "9"}}},
        {"write lone cr", "[s]\nk=a\rj=b\n", false, common, {{"s", "j", "c"}}},
        {"write open bracket", "[s]\nk=1\n[t\nj=2\n", false, common, {{"t", "k", "5"}}},
        {"write new section", "[s]\r\nk=1\r\n", false, common, {{"u", "k", "7"}}},
    };

    TempDir dir;
    std::vector<std::string> calls;
    struct Expect {
        std::string what;
        std::string ours;
        std::uint32_t ourCount;
        bool marked;
    };
    std::vector<Expect> expects;
    // Each read of `c`, by Wine on `file` and by us on `bytes`.
    const auto read = [&](const std::filesystem::path& file, const std::string& bytes, const Case& c, const std::string& what) {
        for (const Read& r : c.reads) {
            calls.push_back("R\t" + Hex(WinePath(file)) + "\t" + Hex(r.section) + "\t" + Hex(r.key) + "\t" +
                            Hex(c.marked ? Utf8ToLatin1(r.def) : r.def) + "\t" + Hex(std::to_string(r.size)));
            std::string out;
            const std::uint32_t n = platform::profile::GetString(bytes, r.section, r.key, r.def, out, r.size);
            expects.push_back({c.name + what + " [" + r.section + "] " + r.key, out, n, c.marked});
        }
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        const auto wineFile = dir / ("case" + std::to_string(i) + ".ini");
        WriteFile(wineFile, c.file);
        std::string ourBytes = c.file;
        if (c.write) {
            const auto& [section, key, value] = *c.write;
            calls.push_back("W\t" + Hex(WinePath(wineFile)) + "\t" + Hex(section) + "\t" + Hex(key) + "\t" +
                            Hex(c.marked ? Utf8ToLatin1(value) : value));
            expects.push_back({c.name + ": write", "1", 0, false});
            ourBytes = platform::profile::Write(c.file, section, key, value);
            // Our result, read by Wine too.
            const auto ourFile = dir / ("case" + std::to_string(i) + "-ours.ini");
            WriteFile(ourFile, ourBytes);
            read(ourFile, ourBytes, c, ": ours read by Wine");
        }
        read(wineFile, ourBytes, c, ":");
    }

    const auto answers = RunWine(dir, calls);
    ASSERT_TRUE(answers) << "Wine did not run the driver";
    for (std::size_t i = 0; i < expects.size(); ++i) {
        const Expect& e = expects[i];
        const std::string& a = (*answers)[i];
        if (e.what.find(": write") != std::string::npos) {
            EXPECT_EQ(a, "1") << e.what;
            continue;
        }
        const auto tab = a.find('\t');
        ASSERT_NE(tab, std::string::npos) << e.what << ": " << a;
        const std::string value = Unhex(a.substr(tab + 1));
        EXPECT_EQ(e.marked ? Latin1ToUtf8(value) : value, e.ours) << e.what;
        EXPECT_EQ(std::stoul(a.substr(0, tab)), e.ourCount) << e.what;
    }
    // Files written in a marked encoding keep their mark.
    for (std::size_t i = 0; i < cases.size(); ++i) {
        if (!cases[i].write || !cases[i].marked) continue;
        const std::string wine = ReadFile(dir / ("case" + std::to_string(i) + ".ini"));
        const std::string ours = ReadFile(dir / ("case" + std::to_string(i) + "-ours.ini"));
        EXPECT_EQ(ours.substr(0, 2), wine.substr(0, 2)) << cases[i].name;
        EXPECT_EQ(ours.size() % 2, wine.size() % 2) << cases[i].name;
    }
#endif
}

}  // namespace
