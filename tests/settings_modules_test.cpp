// The folder, registry, profile-file and settings-store helpers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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
    EXPECT_EQ(General::TrimNull(std::string("\0x", 2)), "");

    sys.appPath = "/opt/tarnolux/";
    EXPECT_EQ(General::ProgramFolder(sys), "/opt/tarnolux");
    sys.appPath = "/";
    EXPECT_EQ(General::ProgramFolder(sys), "");
    EXPECT_EQ(General::ProgramFolder(sys) + General::Sep(sys) + "Skins" + General::Sep(sys), "/Skins/");

    sys.pathSeparator = '\\';
    sys.appPath = "C:\\";
    EXPECT_EQ(General::ProgramFolder(sys), "C:");

    sys.windowsDir = "C:\\WINDOWS";
    EXPECT_EQ(General::GetWindowsDir(sys), "C:\\WINDOWS\\");
    sys.windowsDir = "C:\\WINDOWS\\";
    EXPECT_EQ(General::GetWindowsDir(sys), "C:\\WINDOWS\\");
}

TEST_F(HelperTest, StringValuesRoundTripWithTheirNul) {
    EXPECT_EQ(Registry::SetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Name", "abc"), 0);
    const auto stored = sys.RegValue(HKEY_LOCAL_MACHINE, key, "Name");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, platform::REG_SZ);
    EXPECT_EQ(stored->data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Name"), "abc");

    EXPECT_EQ(Registry::SetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Empty", ""), 0);
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Empty"), "");

    // Other types, missing values and keys, and values too long for the buffer all read as "".
    sys.SetRegDword(HKEY_LOCAL_MACHINE, key, "Dword", 7);
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Dword"), "");
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Missing"), "");
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, "Software\\None", "Name"), "");
    sys.SetRegString(HKEY_LOCAL_MACHINE, key, "Long", std::string(300, 'x'));
    EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, "Long"), "");

    EXPECT_EQ(Registry::SetStringValue(sys, 0, HKEY_LOCAL_MACHINE, "Software\\None", "Name", "x"), 1);
    EXPECT_FALSE(sys.RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\None"));
}

TEST_F(HelperTest, AnOpenHandleIsUsedAndLeftOpen) {
    const platform::HKEY h = Registry::CreateKey(sys, HKEY_LOCAL_MACHINE, "Software\\New\\Deep", "");
    ASSERT_NE(h, 0u);
    EXPECT_TRUE(sys.RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\New\\Deep"));
    EXPECT_EQ(Registry::SetStringValue(sys, h, 0, "", "A", "1"), 0);
    EXPECT_EQ(Registry::SetBinaryValue(sys, h, 0, "", "B", -2), 0);
    EXPECT_EQ(Registry::GetStringValue(sys, h, 0, "", "A"), "1");
    EXPECT_EQ(sys.registry.OpenHandles(), 1u);
    sys.RegCloseKey(h);

    const auto bin = sys.RegValue(HKEY_LOCAL_MACHINE, "Software\\New\\Deep", "B");
    ASSERT_TRUE(bin);
    EXPECT_EQ(bin->type, platform::REG_BINARY);
    EXPECT_EQ(bin->data, (std::vector<std::uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(HelperTest, DwordsAndDeletion) {
    sys.SetRegDword(HKEY_LOCAL_MACHINE, key, "D", 0xFFFFFFFFu);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, key, "D"), -1);
    EXPECT_EQ(Registry::SetBinaryValue(sys, 0, HKEY_LOCAL_MACHINE, key, "B", 0x01020304), 0);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, key, "B"), 0x01020304);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, key, "Missing"), 0);
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, "Software\\None", "D"), 0);

    EXPECT_EQ(Registry::DeleteValue(sys, HKEY_LOCAL_MACHINE, key, "D"), 0);
    EXPECT_FALSE(sys.RegValue(HKEY_LOCAL_MACHINE, key, "D"));
    EXPECT_NE(Registry::DeleteValue(sys, HKEY_LOCAL_MACHINE, key, "D"), 0);
    EXPECT_NE(Registry::DeleteValue(sys, HKEY_LOCAL_MACHINE, "Software\\None", "D"), 0);
}

TEST_F(HelperTest, ProfileStrings) {
    const std::string file = "/windows/system.ini";
    INI_Files::WriteIniString(sys, "vcache", "MinFileCache", "2048", file);
    EXPECT_EQ(INI_Files::ReadIniString(sys, "VCACHE", "minfilecache", "0", file), "2048");
    EXPECT_EQ(INI_Files::ReadIniString(sys, "vcache", "Missing", "1024", file), "1024");
    // Texts with characters of more than one byte come back whole.
    INI_Files::WriteIniString(sys, "lang", "1", "Übersicht", file);
    EXPECT_EQ(INI_Files::ReadIniString(sys, "lang", "1", "", file), "Übersicht");
    INI_Files::WriteIniString(sys, "lang", "2", std::string(300, 'y'), file);
    EXPECT_EQ(INI_Files::ReadIniString(sys, "lang", "2", "", file), std::string(255, 'y'));
}

TEST_F(HelperTest, SettingsStore) {
    const std::string section = "Tarnolux ";
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Left", "480"), "480");
    EXPECT_FALSE(sys.RegKeyExists(HKEY_CURRENT_USER, "Software\\TALVO"));

    Settings::SaveSetting(sys, "TALVO", section, "Left", "100");
    Settings::SaveSetting(sys, "TALVO", section, "SoundFile", "");
    Settings::SaveSetting(sys, "TALVO", section, "Long", std::string(1000, 'z'));
    EXPECT_EQ(sys.RegString(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"), "100");
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Left", "480"), "100");
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "SoundFile", "default"), "");
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Long", ""), std::string(1000, 'z'));
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Top", "480"), "480");
    // The section's trailing blank is part of its name.
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", "Tarnolux", "Left", "480"), "480");
    // A value of another type is no setting.
    sys.SetRegDword(HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Top", 5);
    EXPECT_EQ(Settings::GetSetting(sys, "TALVO", section, "Top", "480"), "480");
}

}  // namespace
