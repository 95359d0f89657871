// What every System promises, so that the fake the program's tests use never drifts from the real one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/fake/fake_system.h"
#include "support.h"
#if defined(TARNOLUX_LINUX)
#include "linux_options.h"
#elif defined(TARNOLUX_WIN32)
#include "platform/win32/win32_system.h"
#include "win32_test_env.h"
#endif

using namespace platform;
using testsupport::PathOf;
using testsupport::TempDir;

namespace {

// Each world makes its System and lays out files the way that System sees them.
struct FakeWorld {
    FakeSystem sys;
    std::string Folder() const { return "/w"; }
    std::string Join(const std::string& a, const std::string& b) const { return a + "/" + b; }
    void Write(const std::string& path, const std::string& contents) { sys.AddFile(path, contents); }
    void MakeFolder(const std::string& path) { sys.AddFolder(path); }
    std::string AddHidden(const std::string& folder, const std::string& name) {
        sys.AddFile(Join(folder, name), "", vbHidden);
        return name;
    }
    std::string Read(const std::string& path) const { return sys.FileText(path).value_or("<missing>"); }
    std::string StateFolder() const { return sys.stateFolder; }
};

struct DiskWorld {
    TempDir dir;
    std::string Folder() const { return dir.str(); }
    void Write(const std::string& path, const std::string& contents) { testsupport::WriteFile(PathOf(path), contents); }
    void MakeFolder(const std::string& path) { std::filesystem::create_directories(PathOf(path)); }
    std::string Read(const std::string& path) const {
        return std::filesystem::exists(PathOf(path)) ? testsupport::ReadFile(PathOf(path)) : "<missing>";
    }
};

#if defined(TARNOLUX_LINUX)
struct LinuxWorld : DiskWorld {
    LinuxSystem sys{testsupport::In(dir, "/proc")};
    std::string Join(const std::string& a, const std::string& b) const { return a + "/" + b; }
    std::string AddHidden(const std::string& folder, const std::string& name) {
        Write(Join(folder, "." + name), "");
        return "." + name;
    }
    std::string StateFolder() const { return sys.StateFolder(); }
};
using Worlds = ::testing::Types<FakeWorld, LinuxWorld>;
#elif defined(TARNOLUX_WIN32)
struct Win32World : DiskWorld {
    Win32System sys{[this] {
        Win32System::Options o;
        o.windowsDir = dir.str();
        o.instanceName = "TarnoluxTests." + dir.path().filename().string();
        o.stateFolder = Join(Join(dir.str(), "Local"), "Tarnolux");
        return o;
    }()};
    std::string Join(const std::string& a, const std::string& b) const { return a + "\\" + b; }
    std::string AddHidden(const std::string& folder, const std::string& name) {
        Write(Join(folder, name), "");
        testsupport::win32::SetHidden(PathOf(Join(folder, name)));
        return name;
    }
    std::string StateFolder() const { return sys.StateFolder(); }
};
using Worlds = ::testing::Types<FakeWorld, Win32World>;
#endif

using SizeAndType = std::pair<std::uint32_t, std::uint32_t>;

template <typename World>
class SystemContract : public ::testing::Test {
protected:
    World w;
    System& sys() { return w.sys; }

    SizeAndType Query(HKEY key, const std::string& name) {
        std::uint32_t size = 0xDEAD, type = REG_NONE;
        EXPECT_EQ(sys().RegQueryValueEx(key, name, &type, nullptr, &size), ERROR_SUCCESS) << name;
        return {size, type};
    }
};
TYPED_TEST_SUITE(SystemContract, Worlds);

TYPED_TEST(SystemContract, RegistryKeepsTextSizesReportsShortBuffersAndRefusesStaleHandles) {
    System& sys = this->sys();
    HKEY key = 0x1234;
    std::uint32_t disposition = 0;
    const std::string path = "Software\\TarnoluxContract\\Sizes";
    EXPECT_TRUE(sys.RegOpenKeyEx(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS, key) == ERROR_FILE_NOT_FOUND && key == 0u);
    ASSERT_EQ(sys.RegCreateKeyEx(HKEY_CURRENT_USER, path, "", 0, KEY_ALL_ACCESS, key, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);

    // "Grüße" is 7 bytes of UTF-8; with its NUL the stored size is 8 on every platform.
    const char text[] = "Gr\xC3\xBC\xC3\x9F" "e";
    ASSERT_EQ(sys.RegSetValueEx(key, "Greeting", REG_SZ, reinterpret_cast<const std::uint8_t*>(text), sizeof text),
              ERROR_SUCCESS);
    EXPECT_EQ(this->Query(key, "GREETING"), SizeAndType(sizeof text, REG_SZ));

    std::uint8_t buf[16] = {};
    for (std::uint32_t given : {4u, 16u}) {
        std::uint32_t size = given;
        EXPECT_EQ(sys.RegQueryValueEx(key, "greeting", nullptr, buf, &size), given < sizeof text ? ERROR_MORE_DATA : 0);
        EXPECT_EQ(size, sizeof text);
    }
    EXPECT_EQ(std::memcmp(buf, text, sizeof text), 0);

    const std::uint8_t dword[4] = {0x78, 0x56, 0x34, 0x12};
    ASSERT_EQ(sys.RegSetValueEx(key, "Count", REG_DWORD, dword, 4), ERROR_SUCCESS);
    EXPECT_EQ(this->Query(key, "count"), SizeAndType(4, REG_DWORD));
    ASSERT_EQ(sys.RegSetValueEx(key, "Empty", REG_SZ, reinterpret_cast<const std::uint8_t*>(""), 1), ERROR_SUCCESS);
    EXPECT_EQ(this->Query(key, "Empty"), SizeAndType(1, REG_SZ));

    EXPECT_EQ(sys.RegDeleteValue(key, "COUNT"), ERROR_SUCCESS);
    std::uint32_t size = 0;
    EXPECT_EQ(sys.RegQueryValueEx(key, "Count", nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys.RegDeleteValue(key, "Count"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys.RegCloseKey(key), ERROR_SUCCESS);
    // A closed handle reaches nothing any more: no read, no write, no second close; the roots are always open.
    EXPECT_EQ(sys.RegQueryValueEx(key, "Greeting", nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
    EXPECT_EQ(sys.RegSetValueEx(key, "Count", REG_DWORD, dword, 4), ERROR_INVALID_HANDLE);
    EXPECT_EQ(sys.RegCloseKey(key), ERROR_INVALID_HANDLE);
    EXPECT_EQ(sys.RegCloseKey(HKEY_CURRENT_USER), ERROR_SUCCESS);

    // Opened again, with the key's name in other letters; a second create finds it.
    HKEY again = 0;
    ASSERT_EQ(sys.RegOpenKey(HKEY_CURRENT_USER, "software\\TARNOLUXCONTRACT\\sizes", again), ERROR_SUCCESS);
    EXPECT_EQ(this->Query(again, "Greeting"), SizeAndType(sizeof text, REG_SZ));
    EXPECT_EQ(sys.RegCloseKey(again), ERROR_SUCCESS);
    ASSERT_EQ(sys.RegCreateKeyEx(HKEY_CURRENT_USER, path, "", 0, KEY_ALL_ACCESS, again, &disposition), ERROR_SUCCESS);
    EXPECT_EQ(std::tuple(disposition, sys.RegCloseKey(again)), std::tuple(REG_OPENED_EXISTING_KEY, ERROR_SUCCESS));
}

TYPED_TEST(SystemContract, PerformanceCountersAreLiveAndReadOnly) {
    System& sys = this->sys();
    HKEY start = 0, data = 0, none = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "PerfStats\\StartStat", KEY_ALL_ACCESS, start), ERROR_SUCCESS);
    ASSERT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "perfstats\\statdata", KEY_ALL_ACCESS, data), ERROR_SUCCESS);
    EXPECT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "PerfStats\\Elsewhere", KEY_ALL_ACCESS, none), ERROR_FILE_NOT_FOUND);

    EXPECT_EQ(this->Query(start, "KERNEL\\CPUUsage"), SizeAndType(4, REG_BINARY));
    std::uint8_t load[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    std::uint32_t size = 4;
    ASSERT_EQ(sys.RegQueryValueEx(data, "KERNEL\\CPUUsage", nullptr, load, &size), ERROR_SUCCESS);
    EXPECT_TRUE(load[0] <= 100 && (load[1] | load[2] | load[3]) == 0);
    EXPECT_EQ(this->Query(data, "VMM\\cpgDiskcache"), SizeAndType(4, REG_DWORD));

    const std::uint8_t zero[4] = {};
    EXPECT_EQ(sys.RegSetValueEx(data, "KERNEL\\CPUUsage", REG_BINARY, zero, 4), ERROR_ACCESS_DENIED);
    EXPECT_EQ(sys.RegDeleteValue(data, "KERNEL\\CPUUsage"), ERROR_ACCESS_DENIED);
    for (HKEY handle : {start, data}) EXPECT_EQ(sys.RegCloseKey(handle), ERROR_SUCCESS);
}

TYPED_TEST(SystemContract, ProfileFilesReadAndWriteByTheSameRules) {
    System& sys = this->sys();
    auto& w = this->w;
    const std::string ini = w.Join(w.Folder(), "system.ini");
    w.Write(ini, "; keep me\r\n[386Enh]\r\nx=1\r\n\r\n[vcache]\r\nMinFileCache = \"512\" \r\n");

    const auto read = [&](const char* section, const char* key, const char* def, std::uint32_t size, const std::string& file) {
        std::string out;
        const std::uint32_t n = sys.GetPrivateProfileString(section, key, def, out, size, file);
        return std::pair(n, out);
    };
    using R = std::pair<std::uint32_t, std::string>;
    EXPECT_EQ(read("VCACHE", "minfilecache", "0", 256, ini), R(3, "512"));
    EXPECT_EQ(read("vcache", "MinFileCache", "0", 3, ini), R(2, "51"));

    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "MaxFileCache", "4096", ini));
    EXPECT_EQ(w.Read(ini), "; keep me\r\n[386Enh]\r\nx=1\r\n\r\n[vcache]\r\nMinFileCache = \"512\" \r\nMaxFileCache=4096\r\n");
    const std::string fresh = w.Join(w.Folder(), "fresh.ini");
    EXPECT_TRUE(sys.WritePrivateProfileString("s", "k", "v", fresh));
    EXPECT_EQ(w.Read(fresh), "[s]\nk=v\n");

    // Nowhere to write: a folder in the file's place, or a folder that does not exist.
    w.MakeFolder(w.Join(w.Folder(), "sub.ini"));
    EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "v", w.Join(w.Folder(), "sub.ini")));
    EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "v", w.Join(w.Join(w.Folder(), "no"), "x.ini")));
}

TYPED_TEST(SystemContract, DirMatchesNamesWithoutCaseAndAttributesByMaskAndFilesReadAsLines) {
    System& sys = this->sys();
    auto& w = this->w;
    const std::string skins = w.Join(w.Folder(), "Skins");
    for (const char* name : {"Blue.ini", "default.INI", "notes.txt"}) w.Write(w.Join(skins, name), "");
    w.MakeFolder(w.Join(skins, "Old.ini"));
    const std::string hidden = w.AddHidden(skins, "Hidden.ini");
    const std::string base = skins + std::string(1, sys.PathSeparator());

    EXPECT_EQ(sys.Dir(base + "*.ini", vbNormal), (std::vector<std::string>{"Blue.ini", "default.INI"}));
    EXPECT_EQ(sys.Dir(base + "*.ini", vbDirectory), (std::vector<std::string>{"Blue.ini", "Old.ini", "default.INI"}));
    std::vector<std::string> withHidden{hidden, "Blue.ini", "default.INI"};
    std::sort(withHidden.begin(), withHidden.end());
    EXPECT_EQ(sys.Dir(base + "*.ini", vbHidden), withHidden);
    EXPECT_TRUE(sys.Dir(w.Join(w.Join(w.Folder(), "missing"), "*.ini"), vbNormal).empty());

    // Text files read as lines, but only when they are files.
    const std::string lang = w.Join(w.Folder(), "fran\xC3\xA7" "ais.ini");
    w.Write(lang, "[fran\xC3\xA7" "ais]\r\n1=G\xC3\xA9n\xC3\xA9ral\r\n\r\n2=Disque\n");
    EXPECT_EQ(sys.ReadTextLines(lang),
              (std::vector<std::string>{"[fran\xC3\xA7" "ais]", "1=G\xC3\xA9n\xC3\xA9ral", "", "2=Disque"}));
    w.MakeFolder(w.Join(w.Folder(), "Language"));
    for (const char* notAFile : {"none.ini", "Language"})
        EXPECT_EQ(sys.ReadTextLines(w.Join(w.Folder(), notAFile)), std::nullopt) << notAFile;
}

// Logs are written off the caller's thread: what they hold is looked at once it has settled.
TYPED_TEST(SystemContract, ALogKeepsItsLatestLinesAndPutsAsideWhatIsNoLogOfOurs) {
    System& sys = this->sys();
    using Lines = std::vector<std::string>;
    const auto logged = [&](const Lines& lines) {
        return testsupport::Eventually([&] { return sys.ReadLog("t.log", "H 1") == lines; }, std::chrono::seconds(10));
    };
    EXPECT_EQ(sys.ReadLog("t.log", "H 1"), Lines{});
    sys.AppendToLog("t.log", "H 1", "1", 3);  // its folders are made as needed
    EXPECT_TRUE(logged({"1"}));
    const std::string path = this->w.Join(this->w.StateFolder(), "t.log");
    this->w.Write(path, "not a log");
    EXPECT_EQ(sys.ReadLog("t.log", "H 1"), std::nullopt);
    for (const char* line : {"2", "3"}) sys.AppendToLog("t.log", "H 1", line, 3);
    EXPECT_TRUE(logged({"2", "3"}));
    const std::vector<std::string> aside = sys.Dir(path + ".damaged*", 0);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(this->w.Read(this->w.Join(this->w.StateFolder(), aside[0])), "not a log");
    for (const char* line : {"4", "5"}) sys.AppendToLog("t.log", "H 1", line, 3);
    EXPECT_TRUE(logged({"3", "4", "5"}));
}

}  // namespace
