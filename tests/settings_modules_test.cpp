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

}  // namespace
