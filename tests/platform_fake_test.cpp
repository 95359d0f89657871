// The fake System the program-logic tests rely on: scripted counters, files and records.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "platform/fake/fake_system.h"

using namespace platform;

namespace {

std::uint8_t ReadCounterByte(System& sys, const std::string& key) {
    HKEY h = 0;
    if (sys.RegOpenKeyEx(HKEY_DYN_DATA, key, 0x2003F, h) != ERROR_SUCCESS) return 0xFF;
    std::array<std::uint8_t, 1024> buf{};
    std::uint32_t type = 0, size = 1024;
    const long rc = sys.RegQueryValueEx(h, "KERNEL\\CPUUsage", &type, buf.data(), &size);
    sys.RegCloseKey(h);
    return rc == ERROR_SUCCESS ? buf[0] : 0xFE;
}

TEST(FakeSystem, CountersFollowTheScriptedFields) {
    FakeSystem sys;
    sys.cpuLoad = 37;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StatData"), 37);
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StartStat"), 37);
    sys.cpuCounterRaw = std::vector<std::uint8_t>(1024, 0xAB);
    sys.cpuCounterRaw->at(0) = 12;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StatData"), 12);
    EXPECT_EQ(sys.counterReads.size(), 3u);
    EXPECT_EQ(sys.counterReads[1], "StartStat\\KERNEL\\CPUUsage");

    sys.diskCacheBytes = 3145728;
    HKEY h = 0;
    ASSERT_EQ(sys.RegOpenKey(HKEY_DYN_DATA, "PerfStats\\StatData", h), ERROR_SUCCESS);
    std::uint32_t v = 0, type = 0, size = 4;
    EXPECT_EQ(sys.RegQueryValueEx(h, "VMM\\cpgDiskcache", &type, reinterpret_cast<std::uint8_t*>(&v), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(v, 3145728u);
    EXPECT_EQ(type, REG_DWORD);
    // The counters are read-only.
    EXPECT_NE(sys.RegSetValueEx(h, "x", REG_DWORD, reinterpret_cast<std::uint8_t*>(&v), 4), ERROR_SUCCESS);
    sys.RegCloseKey(h);

    sys.counterKeyMissing = true;
    EXPECT_EQ(ReadCounterByte(sys, "PerfStats\\StatData"), 0xFF);
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST(FakeSystem, RegistryHelpersAndCalls) {
    FakeSystem sys;
    sys.SetRegString(HKEY_LOCAL_MACHINE, "Software\\Run", "Tarnolux ", "abc");
    ASSERT_TRUE(sys.RegValue(HKEY_LOCAL_MACHINE, "software\\RUN", "TARNOLUX "));
    EXPECT_EQ(sys.RegValue(HKEY_LOCAL_MACHINE, "Software\\Run", "Tarnolux ")->data.size(), 4u);
    EXPECT_EQ(sys.RegString(HKEY_LOCAL_MACHINE, "Software\\Run", "tarnolux "), "abc");
    HKEY h = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\Run", KEY_ALL_ACCESS, h), ERROR_SUCCESS);
    EXPECT_EQ(sys.RegDeleteValue(h, "Tarnolux "), ERROR_SUCCESS);
    EXPECT_EQ(sys.RegDeleteValue(h, "Tarnolux "), ERROR_FILE_NOT_FOUND);
    sys.RegCloseKey(h);
    EXPECT_FALSE(sys.RegString(HKEY_LOCAL_MACHINE, "Software\\Run", "Tarnolux "));
    EXPECT_TRUE(sys.RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\Run"));
}

TEST(FakeSystem, FilesDirAndProfiles) {
    FakeSystem sys;
    sys.AddFile("/opt/tarnolux/Skins/Blue.ini", "[Colors]\r\nBack=1\r\n");
    sys.AddFile("/opt/tarnolux/Skins/Default.ini");
    sys.AddFile("/opt/tarnolux/Skins/.hidden.ini", "", vbHidden);
    sys.AddFile("/opt/tarnolux/Skins/Sub/x.ini");
    EXPECT_EQ(sys.Dir("/opt/tarnolux/Skins/blue.INI", vbNormal), std::vector<std::string>{"Blue.ini"});
    EXPECT_EQ(sys.Dir("/opt/tarnolux//Skins/*.ini", vbNormal), (std::vector<std::string>{"Blue.ini", "Default.ini"}));
    EXPECT_EQ(sys.Dir("/opt/tarnolux/Skins/*", vbDirectory | vbHidden).size(), 4u);
    EXPECT_TRUE(sys.Dir("/nowhere/*", vbNormal).empty());

    EXPECT_EQ(sys.ReadTextLines("/opt/tarnolux/Skins/Blue.ini"), (std::vector<std::string>{"[Colors]", "Back=1"}));
    EXPECT_FALSE(sys.ReadTextLines("/missing"));

    std::string out;
    EXPECT_EQ(sys.GetPrivateProfileString("colors", "BACK", "d", out, 256, "/opt/tarnolux/Skins/Blue.ini"), 1u);
    EXPECT_EQ(out, "1");
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "MinFileCache", "1024", "/windows/system.ini"));
    EXPECT_EQ(sys.FileText("/windows/system.ini"), "[vcache]\nMinFileCache=1024\n");
}

TEST(FakeSystem, RecordsRequestsAndRefusesLargeClaims) {
    FakeSystem sys;
    sys.claimableBytes = 100;
    {
        auto ok = sys.ClaimMemory(100);
        ASSERT_TRUE(ok);
        EXPECT_EQ(sys.liveBlocks, 1);
        EXPECT_FALSE(sys.ClaimMemory(101));
    }
    EXPECT_EQ(sys.liveBlocks, 0);
    EXPECT_EQ(sys.claimRequests, (std::vector<std::uint64_t>{100, 101}));

    int played = 0;
    sys.onPlayWave = [&](const std::string&) { ++played; };
    sys.playWaveResult = false;
    EXPECT_FALSE(sys.PlayWaveFile("/a.wav"));
    EXPECT_EQ(played, 1);

    sys.processes = {{10, 1, 1, "/usr/bin/a"}, {11, 1, 1, "/usr/bin/b"}};
    EXPECT_TRUE(sys.TerminateProcess(10));
    EXPECT_EQ(sys.ProcessSnapshot().size(), 1u);
    EXPECT_EQ(sys.AppExeFile(), "/opt/tarnolux/tarnolux");
    EXPECT_EQ(sys.AppMajor(), 1);
    EXPECT_EQ(sys.AppMinor(), 8);
}

}  // namespace
