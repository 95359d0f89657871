// The folder, registry, profile-file and settings-store helpers.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "common/convert.h"
#include "platform/fake/fake_system.h"
#include "settings/modules.h"

namespace {

using namespace tarnolux;
using platform::HKEY_CURRENT_USER;
using platform::HKEY_LOCAL_MACHINE;

struct HelperTest : ::testing::Test {
    platform::FakeSystem sys;
    const std::string key = "Software\\Test";
    HelperTest() { sys.CreateRegKey(HKEY_LOCAL_MACHINE, key); }
    void TearDown() override { EXPECT_EQ(sys.registry.OpenHandles(), 0u); }
};

TEST_F(HelperTest, FolderHelpers) {
    EXPECT_EQ(General::TrimNull("abc"), "abc");
    EXPECT_EQ(General::TrimNull(std::string("ab\0cd", 5)), "ab");
    sys.appPath = "/opt/tarnolux/";
    EXPECT_EQ(General::ProgramFolder(sys), "/opt/tarnolux");
    sys.appPath = "/";
    EXPECT_EQ(General::ProgramFolder(sys) + General::Sep(sys) + "Skins", "/Skins");
    sys.pathSeparator = '\\';
    sys.appPath = "C:\\";
    EXPECT_EQ(General::ProgramFolder(sys), "C:");
    sys.windowsDir = "C:\\WINDOWS";
    EXPECT_EQ(General::GetWindowsDir(sys), "C:\\WINDOWS\\");
}

TEST_F(HelperTest, RegistryValues) {
    EXPECT_EQ(Registry::SetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Name", "abc"), 0);
    EXPECT_EQ(sys.RegValue(HKEY_LOCAL_MACHINE, key, "Name")->data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Name"), "abc");
    EXPECT_EQ(Registry::SetStringValue(sys, 0, HKEY_LOCAL_MACHINE, "Software\\None", "Name", "x"), 1);

    // Other types, missing values and values too long for the buffer read as "".
    sys.SetRegDword(HKEY_LOCAL_MACHINE, key, "Dword", 7);
    sys.SetRegString(HKEY_LOCAL_MACHINE, key, "Long", std::string(300, 'x'));
    for (const char* name : {"Dword", "Missing", "Long"})
        EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, name), "") << name;

    // A handle given is used and left open.
    const platform::HKEY h = Registry::CreateKey(sys, HKEY_LOCAL_MACHINE, "Software\\New\\Deep", "");
    ASSERT_NE(h, 0u);
    EXPECT_EQ(Registry::SetBinaryValue(sys, h, 0, "", "B", -2), 0);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, "Software\\New\\Deep", "B"), -2);
    EXPECT_EQ(sys.registry.OpenHandles(), 1u);
    sys.RegCloseKey(h);

    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, key, "Missing"), 0);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, "Software\\None", "D"), 0);
    EXPECT_EQ(Registry::DeleteValue(sys, HKEY_LOCAL_MACHINE, key, "Name"), 0);
    EXPECT_NE(Registry::DeleteValue(sys, HKEY_LOCAL_MACHINE, key, "Name"), 0);
}

TEST_F(HelperTest, ProfileStringsKeepWholeCharacters) {
    const std::string file = "/windows/system.ini";
    INI_Files::WriteIniString(sys, "lang", "1", "Übersicht", file);
    EXPECT_EQ(INI_Files::ReadIniString(sys, "LANG", "1", "", file), "Übersicht");
    EXPECT_EQ(INI_Files::ReadIniString(sys, "lang", "2", "1024", file), "1024");
}

TEST_F(HelperTest, SettingsStore) {
    const std::string section = "Tarnolux ";
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Left", "480"), "480");
    Settings::SaveSetting(sys, "TALVO", section, "Left", "100");
    Settings::SaveSetting(sys, "TALVO", section, "SoundFile", "");
    Settings::SaveSetting(sys, "TALVO", section, "Long", std::string(1000, 'z'));
    EXPECT_EQ(sys.RegString(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"), "100");
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "SoundFile", "default"), "");
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Long", ""), std::string(1000, 'z'));
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", "Tarnolux", "Left", "480"), "480");  // the blank counts
}

// ---- numbers in stored settings and on the pages ------------------------------------------------

TEST(Numbers, OnlyAWholeTextIsANumber) {
    EXPECT_EQ(ToInt32(" 12 "), 12);
    EXPECT_EQ(ToInt32("+7"), 7);
    EXPECT_EQ(ToInt32("12.5"), 12);  // halves to even
    EXPECT_EQ(ToInt32("13.5"), 14);
    EXPECT_EQ(ToInt32("-2.5"), -2);
    for (const char* junk : {"1-2", "1+", "+-1", "--1", "1..2", "1e", "e1", "0x19", "1 2", "", " ", "nan", "inf"})
        EXPECT_FALSE(ParseNumber(junk)) << junk;
    // Read in 64 bits; beyond them, the nearest end.
    EXPECT_EQ(ToInt64Clamped("99999999999"), 99999999999);
    EXPECT_EQ(ToInt64Clamped("1e30"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ToInt64Clamped("-1e30"), std::numeric_limits<std::int64_t>::min());
    EXPECT_FALSE(ToInt32("99999999999"));
}

// A Qt program takes the desktop's locale, where a German desktop writes "12,5". Stored settings
// and the figures on the pages must not follow it.
TEST(Numbers, ReadAndShownTheSameInEveryLocale) {
    struct Restore {
        std::string previous = std::setlocale(LC_ALL, nullptr);
        ~Restore() { std::setlocale(LC_ALL, previous.c_str()); }
    } restore;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    EXPECT_EQ(ParseNumber("12.5"), 12.5);
    EXPECT_EQ(ToInt32("12.5"), 12);
    EXPECT_FALSE(ParseNumber("12,5"));
    EXPECT_EQ(FormatFixed2(3), "3.00");
    EXPECT_EQ(FormatFixed2(1234.567), "1234.57");
    EXPECT_EQ(FormatFixed2(0.125), "0.12");  // to even, as printf does
    EXPECT_EQ(Dec(-1234567), "-1234567");
}

}  // namespace
