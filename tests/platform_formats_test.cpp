// The platform code's text formats: registry conventions, REGEDIT4 hives, profile files, name matching.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/common/profile.h"
#include "platform/common/reg_file.h"
#include "platform/common/registry.h"
#include "platform/common/text.h"
#include "support.h"

using namespace platform;
using namespace std::string_literals;
using testsupport::Utf16Le;

namespace {

using Bytes = std::vector<std::uint8_t>;
Bytes Sz(const std::string& s) { return Bytes(s.c_str(), s.c_str() + s.size() + 1); }

long Set(Registry& reg, HKEY key, const std::string& name, std::uint32_t type, const Bytes& data) {
    return reg.SetValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size()));
}

// Beyond what every System promises (platform_contract_test.cpp).
TEST(Registry, NamesKeepTheirFirstSpellingAndBadPathsOrHandlesAreRefused) {
    Registry reg;
    HKEY key = 0, again = 0, none = 0, soft = 0, child = 0, self = 0;
    ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "SOFTWARE\\talvo\\TARNOLUX ", again, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(reg.Find(HKEY_CURRENT_USER, "software\\talvo")->name, "TALVO");
    // The trailing blank is part of the name.
    EXPECT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux", none), ERROR_FILE_NOT_FOUND);
    ASSERT_EQ(Set(reg, key, "LimitFreeMemory", REG_SZ, Sz("8")), ERROR_SUCCESS);
    ASSERT_EQ(Set(reg, again, "LIMITFREEMEMORY", REG_SZ, Sz("16")), ERROR_SUCCESS);
    const auto& values = reg.Find(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ")->values;
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values.begin()->second.name, "LimitFreeMemory");
    EXPECT_EQ(values.begin()->second.data, Sz("16"));

    // Opening relative to an open key, and an empty subkey opens the key itself.
    ASSERT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "software", soft), ERROR_SUCCESS);
    EXPECT_EQ(reg.OpenKey(soft, "Talvo\\tarnolux ", child), ERROR_SUCCESS);
    EXPECT_EQ(reg.OpenKey(child, "", self), ERROR_SUCCESS);
    EXPECT_EQ(reg.QueryValue(self, "limitfreememory", nullptr, nullptr, nullptr), ERROR_SUCCESS);

    EXPECT_EQ(reg.OpenKey(HKEY_CURRENT_USER, "\\Software", none), ERROR_BADKEY);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "a\\\\b", none, nullptr), ERROR_BADKEY);
    EXPECT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "line\nbreak", none, nullptr), ERROR_BADKEY);
    EXPECT_EQ(reg.OpenKey(0x1234567, "x", none), ERROR_INVALID_HANDLE);
    for (HKEY h : {key, again, soft, child, self}) EXPECT_EQ(reg.CloseKey(h), ERROR_SUCCESS);
    EXPECT_EQ(reg.OpenHandles(), 0u);
}

TEST(Registry, ReportsEveryChangeAndNothingThatChangesNothing) {
    Registry reg;
    std::vector<std::string> log;
    reg.onChange = [&](const Registry::Change& c) {
        log.push_back(c.keyPath + "|" + c.valueName + (c.deleted ? "|del" : c.value ? "|set" : "|key"));
    };
    HKEY key = 0;
    reg.CreateKey(HKEY_LOCAL_MACHINE, "A\\B", key, nullptr);
    reg.CreateKey(HKEY_LOCAL_MACHINE, "a\\b", key, nullptr);  // exists
    Set(reg, key, "V", REG_SZ, Sz("x"));
    Set(reg, key, "v", REG_SZ, Sz("x"));  // what it holds
    Set(reg, key, "V", REG_BINARY, Sz("x"));  // the same bytes of another type
    Set(reg, key, "V", REG_BINARY, Sz("y"));
    Set(reg, key, "E", REG_BINARY, {});
    Set(reg, key, "e", REG_BINARY, {});  // empty, as it was
    reg.DeleteValue(key, "v");
    reg.DeleteValue(key, "v");  // failed
    EXPECT_EQ(log, (std::vector<std::string>{"A\\B||key", "A\\B|V|set", "A\\B|V|set", "A\\B|V|set", "A\\B|E|set",
                                             "A\\B|V|del"}));
}

TEST(RegFile, RoundTripsOddNamesAndEveryKindOfValue) {
    Registry reg;
    HKEY key = 0, empty = 0, odd = 0;
    ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", key, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\Empty", empty, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(reg.CreateKey(HKEY_CURRENT_USER, "Software\\we]ird [key] = \"q\" ", odd, nullptr), ERROR_SUCCESS);
    const std::vector<std::tuple<std::string, std::uint32_t, Bytes>> values = {
        {"Left", REG_SZ, Sz("480")}, {"SoundFile", REG_SZ, Sz("C:\\Sounds\\\"ding\".wav\\")},
        {"trailing blank ", REG_SZ, Sz("value with blank ")}, {"a=b\\c\"d]", REG_SZ, Sz("")},
        {"@", REG_SZ, Sz("named at")}, {"", REG_SZ, Sz("the unnamed value")},
        {"NameCache", REG_BINARY, {0x00, 0x01, 0xff, 0x7f}}, {"EmptyBinary", REG_BINARY, {}},
        {"Dword", REG_DWORD, {0x1f, 0x5a, 0x3c, 0x80}}, {"ShortDword", REG_DWORD, {1, 2}},
        {"NoNul", REG_SZ, {'a', 'b'}}, {"Lines", REG_SZ, Sz("one\r\ntwo")}, {"name\nwith break", REG_SZ, Sz("x")},
        {"Other", 7, {'a', 0, 'b', 0}}};  // read as UTF-16 only from a Unicode export
    for (const auto& [name, type, data] : values) Set(reg, key, name, type, data);
    Set(reg, odd, "x", REG_SZ, Sz("y"));

    const std::string text = regfile::Serialize(*reg.Root(HKEY_CURRENT_USER), "HKEY_CURRENT_USER");
    EXPECT_NE(text.find("\"SoundFile\"=\"C:\\\\Sounds\\\\\\\"ding\\\".wav\\\\\"\n"), std::string::npos);
    EXPECT_NE(text.find("\"Dword\"=dword:803c5a1f\n"), std::string::npos);  // every byte in its place

    Registry::Key loaded;
    ASSERT_TRUE(regfile::Parse(text, "HKEY_CURRENT_USER", loaded));
    EXPECT_EQ(regfile::Serialize(loaded, "HKEY_CURRENT_USER"), text);
    const Registry::Key* tarnolux = loaded.subkeys.at("software")->subkeys.at("talvo")->subkeys.at("Tarnolux ").get();
    for (const auto& [name, type, data] : values) EXPECT_EQ(tarnolux->values.at(name).data, data) << name;
}

TEST(RegFile, AcceptsRegeditLayoutAndRejectsDamage) {
    Registry::Key root;
    // A UTF-8 mark, CRLF line ends, comments, upper-case hex and data continued over lines.
    const std::string exported =
        "\xEF\xBB\xBFREGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\X]\r\n; note\r\n\"Bin\"=hex:01,02,\\\r\n  AB,cd\r\n"
        "\"D\"=dword:0000FFFF\r\n\r\n";
    ASSERT_TRUE(regfile::Parse(exported, "HKEY_LOCAL_MACHINE", root));
    const auto& values = root.subkeys.at("Software")->subkeys.at("X")->values;
    EXPECT_EQ(values.at("Bin").data, (Bytes{1, 2, 0xab, 0xcd}));
    EXPECT_EQ(values.at("D").data, (Bytes{0xff, 0xff, 0, 0}));

    // Values outside any key or root, broken headers, cut UTF-16, junk, values not what their type says.
    const std::string x = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=";
    for (const std::string& bad :
         {""s, "garbage\n"s, "REGEDIT4\n\"a\"=\"b\"\n"s, "REGEDIT4\n[HKEY_CURRENT_USER\\X]\n"s,
          "REGEDIT4\n[HKEY_LOCAL_MACHINE\\X\n"s, "REGEDIT4\n[-HKEY_LOCAL_MACHINE]\n"s, "\xFF\xFE[\0"s,
          "\x01\x02\xff binary junk"s, x + "\"b\n", x + "hex:1g\n", x + "hex:01,,02\n", x + "hex:01,\n",
          x + "hex:123\n", x + "hex(7:00\n", x + "dword:\n", x + "dword:123456789\n", x + "-1\n"})
        EXPECT_FALSE(regfile::Parse(bad, "HKEY_LOCAL_MACHINE", root)) << bad;
}

// Windows's own editor's exports (UTF-16LE, CRLF, hex(2) texts, removals, continued lists) keep every setting.
TEST(RegFile, ReadsWindowsUnicodeExports) {
    const std::string exported = Utf16Le(
        u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\TALVO]\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]\r\n"
        u"\"Language\"=\"fran\u00e7ais\"\r\n"
        u"\"SoundFile\"=\"C:\\\\Sons\\\\\u00e9t\u00e9 \U0001F50A.wav\"\r\n"
        u"\"Count\"=dword:0001e240\r\n"
        u"\"Path\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,5c,00,e9,00,00,\\\r\n"
        u"  00\r\n"
        u"\"Gone\"=\"x\"\r\n"
        u"\"Gone\"=-\r\n"
        u"\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        u"\"Bin\"=hex:41,00,42,00\r\n"
        u"@=\"\"\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\Old]\r\n\"a\"=\"b\"\r\n\r\n"
        u"[-HKEY_CURRENT_USER\\Software\\Old]\r\n\"stray\"=\"x\"\r\n\r\n"
        u"[HKEY_CURRENT_USER\\Software\\New]\r\n\"kept\"=\"y\"\r\n@=\"z\"\r\n@=-\r\n");
    Registry::Key root;
    ASSERT_TRUE(regfile::Parse(exported, "HKEY_CURRENT_USER", root));
    const Registry::Key& software = *root.subkeys.at("Software");
    EXPECT_EQ(software.subkeys.count("Old"), 0u);
    const auto& values = software.subkeys.at("TALVO")->subkeys.at("Tarnolux ")->values;
    // "Bin" is bytes, not text; "Gone" is removed again; values below a removed key belong to no key.
    EXPECT_EQ(std::pair(values.size(), values.at("Path").type), std::pair(std::size_t{7}, 2u));
    for (const auto& [name, data] :
         {std::pair{"Language"s, Sz("français")}, {"SoundFile", Sz("C:\\Sons\\été 🔊.wav")},
          {"Count", Bytes{0x40, 0xe2, 0x01, 0x00}}, {"Path", Sz("%TEMP%\\é")}, {"", Sz("")},
          {"Multi", Bytes{'a', 0, 'b', 0, 0}}, {"Bin", Bytes{'A', 0, 'B', 0}}})
        EXPECT_EQ(values.at(name).data, data) << name;
    EXPECT_EQ(software.subkeys.at("New")->values.size(), 1u);  // the unnamed value removed again

    // Characters at the edges of each length of UTF-8 read; a surrogate without its partner is damage, not text.
    const auto parse = [](const std::u16string& value) -> std::optional<Bytes> {
        Registry::Key one;
        const std::u16string text = u"\uFEFFWindows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n\"v\"=\"";
        if (!regfile::Parse(Utf16Le(text + value + u"\"\r\n"), "HKEY_CURRENT_USER", one)) return std::nullopt;
        return one.subkeys.at("K")->values.at("v").data;
    };
    const std::pair<std::u16string, std::string> good[] = {
        {u"\u007F", "\x7F"},          {u"\u0080", "\xC2\x80"},      {u"\u07FF", "\xDF\xBF"},
        {u"\u0800", "\xE0\xA0\x80"},  {u"\uFFFD", "\xEF\xBF\xBD"},  {u"\U00010000", "\xF0\x90\x80\x80"},
        {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"}};
    for (const auto& [value, utf8] : good) EXPECT_EQ(parse(value), Sz(utf8)) << utf8;
    for (const std::u16string& bad : {std::u16string(1, 0xD800), std::u16string(1, 0xDFFF),
                                      std::u16string{0xDBFF, u'x'}, std::u16string{0xDC00, 0xD800}})
        EXPECT_EQ(parse(bad), std::nullopt) << std::hex << static_cast<int>(bad[0]);
    // A high surrogate as the export's last unit.
    EXPECT_FALSE(regfile::Parse(Utf16Le(u"\uFEFFREGEDIT4\r\n") + std::string("\0\xD8", 2), "HKEY_CURRENT_USER", root));
}

TEST(RegFile, DeeplyNestedKeysSaveInLinearSpace) {
    std::string header = "[HKEY_CURRENT_USER";
    for (int i = 0; i < 20000; ++i) header += "\\k";
    const std::string text = "REGEDIT4\n\n" + header + "]\n\"v\"=\"1\"\n\n";
    Registry::Key root;
    ASSERT_TRUE(regfile::Parse(text, "HKEY_CURRENT_USER", root));
    EXPECT_EQ(regfile::Serialize(root, "HKEY_CURRENT_USER"), text);  // the keys above it are implied by its header
    // Ten times deeper than a stack would hold, freed one level at a time.
    for (int i = 0; i < 180000; ++i) header += "\\k";
    EXPECT_TRUE(regfile::Parse("REGEDIT4\n\n" + header + "]\n", "HKEY_CURRENT_USER", *std::make_unique<Registry::Key>()));

    // A key without values keeps its place; a key above other keys needs none of its own.
    Registry::Key small;
    ASSERT_TRUE(regfile::Parse("REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\Empty]\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"y\"\n",
                               "HKEY_CURRENT_USER", small));
    EXPECT_EQ(regfile::Serialize(small, "HKEY_CURRENT_USER"),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"y\"\n\n[HKEY_CURRENT_USER\\A\\Empty]\n\n");
}

const std::string kSystemIni =
    "; system settings\r\n[boot]\r\nshell=Explorer.exe\r\n\r\n[vcache]\r\n  MinFileCache = 1024  \r\nQuoted=\"  padded  \"\r\n"
    "Single='x'\r\nUnbalanced=\"x\r\nTwoQuotes=\"\"\r\nOneQuote=\"\r\nEmpty=\r\n\r\n[VCACHE]\r\nMaxFileCache=9\r\n";
const std::string kBom = "\xEF\xBB\xBF";

std::string Get(const std::optional<std::string>& file, const std::string& section, const std::string& key,
                const std::string& def = "dflt", std::uint32_t size = 256) {
    std::string out;
    profile::GetString(file, section, key, def, out, size);
    return out;
}

// An empty value or a pair of quotes is empty, not the default (which loses its trailing blanks).
TEST(Profile, ReadsWithoutRegardToCaseAndTrims) {
    for (const auto& [section, key, value] :
         {std::tuple{"VCache", "minfilecache", "1024"}, {" vcache ", " MINFILECACHE ", "1024"},
          {"boot", "shell", "Explorer.exe"}, {"vcache", "Quoted", "  padded  "}, {"vcache", "Single", "x"},
          {"vcache", "Unbalanced", "\"x"}, {"vcache", "TwoQuotes", ""}, {"vcache", "OneQuote", "\""},
          {"vcache", "Empty", ""}, {"vcache", "MaxFileCache", "dflt"}, {"nosection", "shell", "dflt"}})
        EXPECT_EQ(Get(kSystemIni, section, key), value) << section << " " << key;
    EXPECT_EQ(Get(kSystemIni, "vcache", "nothing", "  d  "), "  d");
    for (const auto& [file, section, key, value] :
         {std::tuple{"[s]\n;k=v\n"s, "s", ";k", "dflt"}, {"[s]\n[t\nk=1\n", "s", "k", "1"},
          {"[s]\n[t\nk=1\n", "t", "k", "dflt"}, {"[s]\nbare\nbare=2\n", "s", "bare", "dflt"},
          {"[s]\rk=a\rb\rj=c\r", "s", "k", "a"}, {"[s]\nk=a\rj=c\n", "s", "j", "c"},
          {kBom + "[s]\r\nk=v\r\n", "s", "k", "v"}, {"[s]\n[]\nk=1\n", "s", "k", "dflt"}})
        EXPECT_EQ(Get(file, section, key), value) << file;
}

// No character is cut in two in a UTF-8 file; in one that is not (overlong, surrogates) a byte is one.
TEST(Profile, CutsToTheBufferAndCountsCharacters) {
    const auto read = [](const std::optional<std::string>& file, const std::string& def, std::uint32_t size) {
        std::string out = "junk";
        const std::uint32_t n = profile::GetString(file, "s", "k", def, out, size);
        return std::pair(n, out);
    };
    using R = std::pair<std::uint32_t, std::string>;
    EXPECT_EQ(read("[s]\nk=" + std::string(300, 'v') + "\n", "", 256), R(255, std::string(255, 'v')));
    EXPECT_EQ(read(std::nullopt, "abcdef", 4), R(3, "abc"));
    EXPECT_EQ(read(std::nullopt, "abc", 0), R(0, ""));
    EXPECT_EQ(read("[s]\nk=\xC3\xA4\xC3\xB6\xC3\xBC\n", "", 3), R(2, "\xC3\xA4\xC3\xB6"));
    EXPECT_EQ(read("[s]\nk=" + std::string(300, '\xA3') + "\n", "", 256), R(255, std::string(255, '\xA3')));
    for (const auto& [value, cut] : {std::pair{"\xC0\xAF\xC0\xAF", "\xC0\xAF"}, {"\xE0\x9F\xBF\xE0", "\xE0\x9F"},
                                     {"\xED\xA0\x80\xED", "\xED\xA0"}, {"\xF4\x90\x80\x80", "\xF4\x90"},
                                     {"\xE0\xA0\x80\xE0\xA0\x80\xE0\xA0\x80", "\xE0\xA0\x80\xE0\xA0\x80"},
                                     {"\xF4\x8F\xBF\xBFxy", "\xF4\x8F\xBF\xBFx"}, {"\xC7\xC3\xA4", "\xC7\xC3"},
                                     {"\x80\xC3\xA4", "\x80\xC3"}})  // "€Ã¤" in Windows-1252
        EXPECT_EQ(read("[s]\nk=" + std::string(value) + "\n", "", 3).second, cut) << value;
}

// Spelling, indentation, comments, line ends and mark stay; new keys end their section, new sections the file.
TEST(Profile, WriteChangesOnlyWhatItMust) {
    std::string text = profile::Write(kSystemIni, "VCACHE", "minfilecache", "2048");
    EXPECT_EQ(text, std::string(kSystemIni).replace(kSystemIni.find("MinFileCache = 1024  "), 21, "MinFileCache=2048"));
    text = profile::Write(kSystemIni, "boot", "New", "1");
    EXPECT_NE(text.find("shell=Explorer.exe\r\nNew=1\r\n\r\n[vcache]"), std::string::npos);
    EXPECT_EQ(Get(text, "boot", "new"), "1");
    const std::string utf16 = Utf16Le(u"\uFEFF[s]\r\nk=v\r\n");
    for (const auto& [file, section, key, written] :
         {std::tuple{"[a]\nx=1"s, "b", "k", "[a]\nx=1\n\n[b]\nk=v\n"s}, {"[a]\nx=1", "A", "k", "[a]\nx=1\nk=v\n"},
          {"", "s", "k", "[s]\nk=v\n"}, {"[s]", "s", "k", "[s]\nk=v\n"}, {"[s]\rk=1\r", "s", "j", "[s]\rk=1\rj=v\r"},
          {"[s]\rk=1\r", "s", "k", "[s]\rk=v\r"}, {"[s]\n[t\n", "t", "k", "[s]\n[t\n\n[t]\nk=v\n"},
          {"[s]\n  bare  \nk=1\n", "s", "BARE", "[s]\n  bare=v\nk=1\n"}, {kBom, "s", "k", kBom + "[s]\r\nk=v\r\n"},
          {kBom + "[s]\r\nk=1\r\n", "s", "j", kBom + "[s]\r\nk=1\r\nj=v\r\n"}, {"\xFF\xFE", "s", "k", utf16},
          {Utf16Le(u"\uFEFF[s]"), "s", "k", utf16}})
        EXPECT_EQ(profile::Write(file, section, key, "v"), written) << file;
    // A last line ending in a lone CR: the new key starts a line of its own and reads back.
    text = profile::Write("[a]\r\nx=1\r", "a", "k", "v");
    EXPECT_EQ(Get(text, "a", "k"), "v");
    EXPECT_EQ(profile::Write(text, "a", "k", "v"), text);
}

// UTF-16LE with its mark is read and written back as such, beyond the first plane; a lone surrogate is U+FFFD.
TEST(Profile, KeepsUtf16FilesInUtf16) {
    const std::string utf16 = std::string("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xE4\0\r\0\n\0", 22);
    EXPECT_EQ(Get(utf16, "s", "k"), "\xC3\xA4");
    const std::string written = profile::Write(utf16, "s", "j", "\xF0\x9F\x98\x80");
    EXPECT_EQ(written, utf16 + std::string("j\0=\0\x3D\xD8\x00\xDE\r\0\n\0", 12));
    EXPECT_EQ(Get(written, "s", "j"), "\xF0\x9F\x98\x80");
    const std::pair<std::u16string, std::string> planes[] = {{u"\U00010000", "\xF0\x90\x80\x80"},
                                                             {u"\U0010FFFF", "\xF4\x8F\xBF\xBF"},
                                                             {std::u16string(1, 0xDC00), "\xEF\xBF\xBD"},
                                                             {std::u16string{0xD800, u'x'}, "\xEF\xBF\xBDx"}};
    for (const auto& [value, utf8] : planes)
        EXPECT_EQ(Get(Utf16Le(u"\uFEFF[s]\r\nk=" + value), "s", "k"), utf8);  // the last line, unended
    for (const char* utf8 : {"\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF", "\xE2\x82\xAC", "\xC3\xA4"})  // and are written so
        EXPECT_EQ(Get(profile::Write(Utf16Le(u"\uFEFF[s]\r\n"), "s", "k", utf8), "s", "k"), utf8);
}

TEST(Text, WildcardsMatchWithoutRegardToCase) {
    // "?" is one character, of however many bytes.
    for (const auto& [pattern, name] : {std::pair{"*.ini", "Blue.INI"}, {"blue.ini", "Blue.ini"}, {"b?ue*", "Blue.ini"},
                                        {"*", ""}, {"*a*b*c", "xxaxxbxxbc"}, {"?.wav", "\xC3\xA4.wav"}})
        EXPECT_TRUE(text::WildcardMatch(pattern, name)) << pattern << " " << name;
    for (const auto& [pattern, name] : {std::pair{"*.ini", "Blue.ini.bak"}, {"?", ""}, {"Blue", "Blue.ini"}})
        EXPECT_FALSE(text::WildcardMatch(pattern, name)) << pattern << " " << name;
}

TEST(Profile, ManyKeysInOnePassReadAsOneByOne) {
    // Only the first section counts; a CR that ends no line belongs to the value.
    const std::vector<std::optional<std::string>> files = {
        kSystemIni, std::nullopt, std::string(), "[vcache]\nA=1\n[other]\nB=2\n[vcache]\nB=3\n",
        "[vcache]\na=lower\nA=upper\n ; A=comment\n  [ vcache ]  \n", "[vcache\nA=open header\n[vcache]\r\nA=\"q\"\r\nB\r\n",
        "[vcache]\nA=" + std::string(400, 'x') + "\nB='  '\n", "[vcache]\r\nA=x\r\r\nB=y\r"};
    const std::vector<std::string> keys = {"A", "a", "B", "MinFileCache", "quoted", "Single", "Unbalanced", "Empty",
                                           "MaxFileCache", "missing", " A "};
    for (const auto& file : files) {
        for (std::uint32_t size : {256u, 4u, 1u}) {
            const std::vector<std::string> many = profile::GetStrings(file, "VCache", keys, "dflt  ", size);
            ASSERT_EQ(many.size(), keys.size());
            for (std::size_t i = 0; i < keys.size(); ++i)
                EXPECT_EQ(many[i], Get(file, "VCache", keys[i], "dflt  ", size)) << keys[i] << " size " << size;
        }
    }
}

}  // namespace
