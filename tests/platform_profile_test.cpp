// Profile (INI) file rules over text, and the name matching the directory search uses.
#include <gtest/gtest.h>

#include "platform/common/profile.h"
#include "platform/common/text.h"

using namespace platform;

namespace {

const std::string kSystemIni =
    "; system settings\r\n"
    "[boot]\r\n"
    "shell=Explorer.exe\r\n"
    "\r\n"
    "[vcache]\r\n"
    "  MinFileCache = 1024  \r\n"
    "Quoted=\"  padded  \"\r\n"
    "Single='x'\r\n"
    "Unbalanced=\"x\r\n"
    "TwoQuotes=\"\"\r\n"
    "OneQuote=\"\r\n"
    "Empty=\r\n"
    "\r\n"
    "[VCACHE]\r\n"
    "MaxFileCache=9\r\n";

std::string Get(const std::optional<std::string>& file, const std::string& section, const std::string& key,
                const std::string& def = "dflt", std::uint32_t size = 256) {
    std::string out;
    profile::GetString(file, section, key, def, out, size);
    return out;
}

TEST(Profile, ReadsWithoutRegardToCaseAndTrims) {
    EXPECT_EQ(Get(kSystemIni, "VCache", "minfilecache"), "1024");
    EXPECT_EQ(Get(kSystemIni, " vcache ", " MINFILECACHE "), "1024");
    EXPECT_EQ(Get(kSystemIni, "vcache", "Quoted"), "  padded  ");
    EXPECT_EQ(Get(kSystemIni, "vcache", "Single"), "x");
    EXPECT_EQ(Get(kSystemIni, "vcache", "Unbalanced"), "\"x");
    EXPECT_EQ(Get(kSystemIni, "vcache", "TwoQuotes"), "");  // a pair of quotes around nothing
    EXPECT_EQ(Get(kSystemIni, "vcache", "OneQuote"), "\"");
    EXPECT_EQ(Get(kSystemIni, "vcache", "Empty"), "");  // present but empty: not the default
    EXPECT_EQ(Get(kSystemIni, "boot", "shell"), "Explorer.exe");
    // Only the first section of a name counts.
    EXPECT_EQ(Get(kSystemIni, "vcache", "MaxFileCache"), "dflt");
    // Missing key, section or file: the default, without trailing blanks.
    EXPECT_EQ(Get(kSystemIni, "vcache", "nothing", "  d  "), "  d");
    EXPECT_EQ(Get(kSystemIni, "nosection", "shell"), "dflt");
    EXPECT_EQ(Get(std::nullopt, "boot", "shell"), "dflt");
    // Comments are not keys.
    EXPECT_EQ(Get("[s]\n;k=v\n", "s", ";k"), "dflt");
}

TEST(Profile, CutsToTheBufferAndCountsCharacters) {
    const std::string longValue(300, 'v');
    std::string out;
    EXPECT_EQ(profile::GetString("[s]\nk=" + longValue + "\n", "s", "k", "", out, 256), 255u);
    EXPECT_EQ(out, std::string(255, 'v'));
    EXPECT_EQ(profile::GetString(std::nullopt, "s", "k", "abcdef", out, 4), 3u);
    EXPECT_EQ(out, "abc");
    EXPECT_EQ(profile::GetString(std::nullopt, "s", "k", "abc", out, 0), 0u);
    EXPECT_EQ(out, "");
    // A character is never cut in two.
    EXPECT_EQ(profile::GetString("[s]\nk=\xC3\xA4\xC3\xB6\xC3\xBC\n", "s", "k", "", out, 3), 2u);
    EXPECT_EQ(out, "\xC3\xA4\xC3\xB6");
}

TEST(Profile, WriteChangesOnlyWhatItMust) {
    // An existing key: only its value changes; spelling, indentation, comments and CRLF stay.
    std::string text = profile::Write(kSystemIni, "VCACHE", "minfilecache", "2048");
    EXPECT_EQ(text, std::string(kSystemIni).replace(kSystemIni.find("MinFileCache = 1024  "), 21, "MinFileCache=2048"));
    // A new key goes after the section's last entry, before the blank line.
    text = profile::Write(kSystemIni, "boot", "New", "1");
    EXPECT_NE(text.find("shell=Explorer.exe\r\nNew=1\r\n\r\n[vcache]"), std::string::npos);
    EXPECT_EQ(Get(text, "boot", "new"), "1");
    // A new section goes at the end, after a blank line; a missing final line end is supplied.
    EXPECT_EQ(profile::Write("[a]\nx=1", "b", "y", "2"), "[a]\nx=1\n\n[b]\ny=2\n");
    EXPECT_EQ(profile::Write("[a]\nx=1", "A", "z", "3"), "[a]\nx=1\nz=3\n");
    // A missing (empty) file gets the section and the key.
    EXPECT_EQ(profile::Write("", "vcache", "MaxFileCache", "4096"), "[vcache]\nMaxFileCache=4096\n");
    // A section as the file's last line, without a line end.
    EXPECT_EQ(profile::Write("[a]", "a", "k", "v"), "[a]\nk=v\n");
}

TEST(Profile, KeepsTheEncodingAndLineEndsOfFilesMadeOnWindows) {
    // A UTF-8 mark hides nothing, and stays.
    const std::string bom = "\xEF\xBB\xBF";
    EXPECT_EQ(Get(bom + "[s]\r\nk=v\r\n", "s", "k"), "v");
    EXPECT_EQ(profile::Write(bom + "[s]\r\nk=v\r\n", "s", "j", "w"), bom + "[s]\r\nk=v\r\nj=w\r\n");

    // UTF-16LE with its mark is read as text and written back in it, beyond the first plane too.
    const std::string utf16 = std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n\0", 22);
    EXPECT_EQ(Get(utf16, "s", "k"), "\xC3\xA4");
    const std::string written = profile::Write(utf16, "s", "j", "\xF0\x9F\x98\x80");
    EXPECT_EQ(written, utf16 + std::string("j\0=\0\x3D\xD8\x00\xDE\r\0\n\0", 12));
    EXPECT_EQ(Get(written, "s", "j"), "\xF0\x9F\x98\x80");
    std::string out;
    EXPECT_EQ(profile::GetString(written, "s", "j", "", out, 256), 1u);

    // CR alone ends a line, in reading and in writing.
    EXPECT_EQ(Get("[s]\rk=a\rb\rj=c\r", "s", "k"), "a");
    EXPECT_EQ(Get("[s]\nk=a\rj=c\n", "s", "j"), "c");
    EXPECT_EQ(profile::Write("[s]\rk=1\r", "s", "j", "2"), "[s]\rk=1\rj=2\r");
    EXPECT_EQ(profile::Write("[s]\rk=1\r", "s", "k", "3"), "[s]\rk=3\r");
}

TEST(Profile, MalformedLinesMeanTheSameToReaderAndWriter) {
    // "[t" is no section header: what follows still belongs to [s], and a write to [t] adds it.
    EXPECT_EQ(Get("[s]\n[t\nk=1\n", "s", "k"), "1");
    EXPECT_EQ(Get("[s]\n[t\nk=1\n", "t", "k"), "dflt");
    EXPECT_EQ(profile::Write("[s]\n[t\n", "t", "k", "1"), "[s]\n[t\n\n[t]\nk=1\n");
    // A key without "=" is that key without a value: the default when read, set in place when written.
    EXPECT_EQ(Get("[s]\nbare\nbare=2\n", "s", "bare"), "dflt");
    EXPECT_EQ(profile::Write("[s]\n  bare  \nk=1\n", "s", "BARE", "x"), "[s]\n  bare=x\nk=1\n");
    // In a file that is not UTF-8 every byte is one character; none is cut in two in one that is.
    std::string out;
    EXPECT_EQ(profile::GetString("[s]\nk=" + std::string(300, '\xA3') + "\n", "s", "k", "", out, 256), 255u);
    EXPECT_EQ(out, std::string(255, '\xA3'));
}

TEST(Text, WildcardsMatchWithoutRegardToCase) {
    EXPECT_TRUE(text::WildcardMatch("*.ini", "Blue.INI"));
    EXPECT_TRUE(text::WildcardMatch("blue.ini", "Blue.ini"));
    EXPECT_TRUE(text::WildcardMatch("b?ue*", "Blue.ini"));
    EXPECT_TRUE(text::WildcardMatch("*", ""));
    EXPECT_TRUE(text::WildcardMatch("*a*b*c", "xxaxxbxxbc"));
    EXPECT_TRUE(text::WildcardMatch("?.wav", "\xC3\xA4.wav"));  // one character, two bytes
    EXPECT_FALSE(text::WildcardMatch("*.ini", "Blue.ini.bak"));
    EXPECT_FALSE(text::WildcardMatch("?", ""));
    EXPECT_FALSE(text::WildcardMatch("Blue", "Blue.ini"));
    EXPECT_EQ(text::SplitLines("a\r\nb\n\nc"), (std::vector<std::string>{"a", "b", "", "c"}));
    EXPECT_EQ(text::SplitLines("a\n"), (std::vector<std::string>{"a"}));
}

}  // namespace
