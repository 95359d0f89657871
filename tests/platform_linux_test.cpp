// The Linux System against sample /proc files and private folders: hives on disk, the autostart
// mirror, profile files, the directory search, memory and processor figures, ending a process,
// the trash and the instance lock.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>

#include "platform/linux/autostart.h"
#include "platform/linux/files.h"
#include "platform/linux/linux_system.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/spawn.h"
#include "linux_options.h"
#include "support.h"

using namespace platform;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::In;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

long SetString(System& sys, HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    HKEY key = 0;
    if (const long rc = sys.RegCreateKeyEx(root, path, "", 0, KEY_ALL_ACCESS, key, nullptr)) return rc;
    const long rc = sys.RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                      static_cast<std::uint32_t>(text.size() + 1));
    sys.RegCloseKey(key);
    return rc;
}

std::optional<std::string> GetString(System& sys, HKEY root, const std::string& path, const std::string& name) {
    HKEY key = 0;
    if (sys.RegOpenKeyEx(root, path, KEY_ALL_ACCESS, key)) return std::nullopt;
    std::array<char, 512> buf{};
    std::uint32_t size = buf.size(), type = 0;
    const long rc = sys.RegQueryValueEx(key, name, &type, reinterpret_cast<std::uint8_t*>(buf.data()), &size);
    sys.RegCloseKey(key);
    if (rc || type != REG_SZ) return std::nullopt;
    return std::string(buf.data());
}

std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// ---- registry hives -----------------------------------------------------------------------------

TEST(LinuxRegistry, HivesPersistAsRegeditFilesAfterEveryChange) {
    TempDir dir;
    const std::string odd = "we\"ird\\ name = ] ";
    {
        LinuxSystem sys(In(dir));
        ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left", "480"), ERROR_SUCCESS);
        ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", odd, "C:\\x \"y\" "), ERROR_SUCCESS);
        HKEY empty = 0;
        ASSERT_EQ(sys.RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Empty Key ", "", 0, KEY_ALL_ACCESS, empty, nullptr),
                  ERROR_SUCCESS);
        sys.RegCloseKey(empty);
        // Written at once, not at exit.
        const std::string hkcu = ReadFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg");
        EXPECT_EQ(hkcu.rfind("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]\n", 0), 0u) << hkcu;
        EXPECT_NE(hkcu.find("\"Left\"=\"480\"\n"), std::string::npos);
    }
    EXPECT_EQ(FilesIn(dir / "config/tarnolux"),
              (std::vector<std::string>{"HKEY_CURRENT_USER.reg", "HKEY_LOCAL_MACHINE.reg"}));  // no temporaries left

    LinuxSystem again(In(dir));
    EXPECT_EQ(GetString(again, HKEY_CURRENT_USER, "software\\talvo\\TARNOLUX ", "left"), "480");
    EXPECT_EQ(GetString(again, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", odd), "C:\\x \"y\" ");
    HKEY key = 0;
    EXPECT_EQ(again.RegOpenKey(HKEY_LOCAL_MACHINE, "Software\\Empty Key ", key), ERROR_SUCCESS);
    again.RegCloseKey(key);
    EXPECT_TRUE(again.DamagedHives().empty());
}

TEST(LinuxRegistry, DamagedHiveIsKeptAsideAndTheProgramGoesOn) {
    TempDir dir;
    const std::string junk = "this is not a registry file\n[[[\n";
    WriteFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg", junk);
    WriteFile(dir / "config/tarnolux/HKEY_LOCAL_MACHINE.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Keep]\n\"a\"=\"b\"\n");
    LinuxSystem sys(In(dir));
    EXPECT_EQ(GetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"), std::nullopt);
    EXPECT_EQ(GetString(sys, HKEY_LOCAL_MACHINE, "Keep", "a"), "b");  // the sound hive is unaffected
    ASSERT_EQ(sys.DamagedHives().size(), 1u);
    EXPECT_EQ(ReadFile(sys.DamagedHives()[0]), junk);
    EXPECT_NE(sys.DamagedHives()[0].find("HKEY_CURRENT_USER.reg.damaged-"), std::string::npos);

    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left", "1"), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(sys.DamagedHives()[0]), junk);  // never overwritten
    EXPECT_EQ(ReadFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg").rfind("REGEDIT4", 0), 0u);
}

TEST(LinuxRegistry, DynDataServesOnlyTheCounterKeys) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    HKEY key = 0;
    EXPECT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "PerfStats\\StatData", 0x2003F, key), ERROR_SUCCESS);
    const std::uint8_t four[4] = {};
    EXPECT_NE(sys.RegSetValueEx(key, "KERNEL\\CPUUsage", REG_DWORD, four, 4), ERROR_SUCCESS);
    EXPECT_EQ(sys.RegQueryValueEx(key, "KERNEL\\Other", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    sys.RegCloseKey(key);
    EXPECT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "perfstats\\startstat", 0x2003F, key), ERROR_SUCCESS);
    sys.RegCloseKey(key);
    EXPECT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "Config Manager\\Enum", 0x2003F, key), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(sys.RegCreateKeyEx(HKEY_DYN_DATA, "Mine", "", 0, KEY_ALL_ACCESS, key, nullptr), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(dir / "config/tarnolux/HKEY_DYN_DATA.reg"));
}

TEST(LinuxRegistry, AHiveBeyondTheReadersLimitIsKeptAsideAndReported) {
    TempDir dir;
    const fs::path hive = dir / "config/tarnolux/HKEY_CURRENT_USER.reg";
    WriteFile(hive, "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]\n\"Left\"=\"1\"\n");
    fs::resize_file(hive, (64u << 20) + 1);  // sparse: no disk is used
    testing::internal::CaptureStderr();
    LinuxSystem sys(In(dir));
    EXPECT_FALSE(GetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"));
    const std::string report = testing::internal::GetCapturedStderr();
    ASSERT_EQ(sys.DamagedHives().size(), 1u);
    EXPECT_EQ(fs::file_size(sys.DamagedHives()[0]), (64u << 20) + 1);
    EXPECT_NE(report.find(sys.DamagedHives()[0]), std::string::npos) << report;
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software", "x", "y"), ERROR_SUCCESS);
    EXPECT_EQ(fs::file_size(sys.DamagedHives()[0]), (64u << 20) + 1);
}

// ---- files: never waited on, written once per change, no temporaries left -------------------------

TEST(LinuxFiles, WhatIsNotARegularFileIsUnreadableAndNeverWaitedOn) {
    TempDir dir;
    fs::create_directories(dir / "config/tarnolux");
    ASSERT_EQ(::mkfifo((dir / "config/tarnolux/HKEY_CURRENT_USER.reg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    fs::create_directories(dir / "folder.ini");
    // A wait ends the test run instead of hanging it.
    ::alarm(30);
    LinuxSystem sys(In(dir));
    EXPECT_FALSE(GetString(sys, HKEY_CURRENT_USER, "Software", "x"));
    ASSERT_EQ(sys.DamagedHives().size(), 1u);  // kept aside like any damaged hive
    EXPECT_TRUE(fs::is_fifo(sys.DamagedHives()[0]));
    for (const std::string& path : {(dir / "fifo.ini").string(), (dir / "folder.ini").string(), std::string("/dev/zero")}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(sys.ReadTextLines(path));
        std::string out;
        EXPECT_EQ(sys.GetPrivateProfileString("s", "k", "default", out, 256, path), 7u);
        EXPECT_EQ(out, "default");
        EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "v", path));
    }
    ::alarm(0);
    EXPECT_TRUE(fs::is_fifo(dir / "fifo.ini"));
}

TEST(LinuxFiles, AnUpdateWritesEachFileOnceAndNothingWhenNothingChanged) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const std::string section = "Software\\TALVO\\Tarnolux ";
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string ini = sys.GetWindowsDirectory() + "/system.ini";
    const auto saveAll = [&](const std::string& value) {
        sys.BeginUpdate();
        for (int i = 0; i < 17; ++i) ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K" + std::to_string(i), value), 0);
        ASSERT_EQ(SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", sys.AppExeFile() + " /Start Up"), 0);
        for (const char* key : {"MinFileCache", "MaxFileCache", "ChunkSize"})
            ASSERT_TRUE(sys.WritePrivateProfileString("vcache", key, value, ini));
        // Reads before the end see what is still to be written.
        std::string out;
        sys.GetPrivateProfileString("vcache", "ChunkSize", "", out, 256, ini);
        EXPECT_EQ(out, value);
        sys.EndUpdate();
    };
    const auto start = linux_impl::FileWrites();
    saveAll("512");
    const auto first = linux_impl::FileWrites();
    // Two hives, system.ini and the autostart entry: each once, with one flush of it and its folder.
    EXPECT_EQ(first.files - start.files, 4u);
    EXPECT_EQ(first.fsyncs - start.fsyncs, 8u);
    EXPECT_NE(ReadFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg").find("\"K16\"=\"512\""), std::string::npos);
    EXPECT_EQ(ReadFile(ini), "[vcache]\nMinFileCache=512\nMaxFileCache=512\nChunkSize=512\n");
    EXPECT_TRUE(fs::exists(dir / "config/autostart/tarnolux.desktop"));

    // The same values again, in an update or not: nothing is written.
    saveAll("512");
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K0", "512"), 0);
    ASSERT_TRUE(sys.WritePrivateProfileString("vcache", "chunksize", "512", ini));
    EXPECT_EQ(linux_impl::FileWrites().files, first.files);
    EXPECT_EQ(linux_impl::FileWrites().fsyncs, first.fsyncs);
    // One change outside an update is written at once.
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K0", "1"), 0);
    EXPECT_EQ(linux_impl::FileWrites().files, first.files + 1);
}

TEST(LinuxFiles, TemporariesOfAnInterruptedSaveAreRemovedAtTheNextStart) {
    TempDir dir;
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ASSERT_GT(child, 0);
    ::waitpid(child, nullptr, 0);
    const std::string ended = std::to_string(child);
    const fs::path config = dir / "config";
    for (const std::string& name : {"tarnolux/HKEY_CURRENT_USER.reg.tmp-" + ended + "-1",
                                   "tarnolux/Windows/system.ini.tmp-" + ended + "-7",
                                   "autostart/tarnolux.desktop.tmp-" + ended + "-2"})
        WriteFile(config / name, "cut short");
    // A save of a process still running, and files that are not such temporaries, stay.
    const std::vector<std::string> kept{"tarnolux/HKEY_LOCAL_MACHINE.reg.tmp-1-3", "tarnolux/notes.tmp-x-1",
                                        "autostart/other.desktop.tmp-" + ended + "-1"};
    for (const std::string& name : kept) WriteFile(config / name, "keep");
    LinuxSystem sys(In(dir));
    EXPECT_FALSE(GetString(sys, HKEY_CURRENT_USER, "Software", "x"));
    EXPECT_EQ(FilesIn(config / "tarnolux"),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE.reg.tmp-1-3", "Windows", "notes.tmp-x-1"}));
    EXPECT_TRUE(FilesIn(config / "tarnolux/Windows").empty());
    EXPECT_EQ(FilesIn(config / "autostart"), (std::vector<std::string>{"other.desktop.tmp-" + ended + "-1"}));
}

// ---- start-up registration ----------------------------------------------------------------------

TEST(LinuxAutostart, RunKeyValueWritesAndRemovesTheEntry) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const fs::path entry = dir / "config/autostart/tarnolux.desktop";
    ASSERT_EQ(SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", sys.AppPath() + "/" + sys.AppExeName() + ".exe /Start Up"),
              ERROR_SUCCESS);
    ASSERT_EQ(sys.AutostartFile(), entry.string());
    const std::string text = ReadFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\nName=Tarnolux\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=" + sys.AppExeFile() + " \"/Start Up\"\n"), std::string::npos) << text;
    // The value stays in the machine hive too.
    EXPECT_NE(ReadFile(dir / "config/tarnolux/HKEY_LOCAL_MACHINE.reg").find("\"Tarnolux \"="), std::string::npos);

    HKEY key = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(HKEY_LOCAL_MACHINE, run, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_EQ(sys.RegDeleteValue(key, "tarnolux "), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(sys.RegDeleteValue(key, "Tarnolux "), ERROR_FILE_NOT_FOUND);  // again: harmless

    // Whatever state the two were found in, every write to the Run key puts the entry right: an
    // entry left without the value goes, a value whose entry was removed by hand brings it back.
    WriteFile(entry, text);
    EXPECT_EQ(sys.RegDeleteValue(key, "Tarnolux "), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(fs::exists(entry));
    const std::string command = sys.AppPath() + "/" + sys.AppExeName() + ".exe /Start Up";
    ASSERT_EQ(SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", command), ERROR_SUCCESS);
    fs::remove(entry);
    ASSERT_EQ(SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", command), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(entry), text);
    EXPECT_EQ(sys.RegDeleteValue(key, "Tarnolux "), ERROR_SUCCESS);
    sys.RegCloseKey(key);

    // Values elsewhere never touch the entry.
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, run, "Tarnolux ", "x"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entry));
}

TEST(LinuxAutostart, ExecLineQuoting) {
    using linux_impl::DesktopExecArgument;
    EXPECT_EQ(DesktopExecArgument("/usr/bin/tarnolux"), "/usr/bin/tarnolux");
    EXPECT_EQ(DesktopExecArgument("/opt/my apps/tarnolux"), "\"/opt/my apps/tarnolux\"");
    // Quoting escapes '"', '`', '$' and '\'; the string syntax then doubles every '\'.
    EXPECT_EQ(DesktopExecArgument("/a$b\\c"), "\"/a\\\\$b\\\\\\\\c\"");
    EXPECT_EQ(DesktopExecArgument("/100%"), "/100%%");
    EXPECT_EQ(linux_impl::RunCommandArguments("/opt/t/tarnolux.exe /Start Up", "/opt/t/tarnolux"), "/Start Up");
    EXPECT_EQ(linux_impl::RunCommandArguments("/opt/t/tarnolux /Start Up", "/opt/t/tarnolux"), "/Start Up");
    EXPECT_EQ(linux_impl::RunCommandArguments("/elsewhere/tarnolux.exe /Start Up", "/opt/t/tarnolux"), "/Start Up");
    EXPECT_EQ(linux_impl::RunCommandArguments("/opt/t/tarnolux", "/opt/t/tarnolux"), "");
}

// ---- files --------------------------------------------------------------------------------------

TEST(LinuxFiles, ProfileFilesOnDisk) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const std::string ini = (dir / "system.ini").string();
    const std::string original = "; keep me\r\n[386Enh]\r\nx=1\r\n\r\n[vcache]\r\nMinFileCache=512\r\n";
    WriteFile(ini, original);
    ::chmod(ini.c_str(), 0640);
    std::string out;
    EXPECT_EQ(sys.GetPrivateProfileString("VCACHE", "minfilecache", "0", out, 256, ini), 3u);
    EXPECT_EQ(out, "512");
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "MaxFileCache", "4096", ini));
    EXPECT_EQ(ReadFile(ini), "; keep me\r\n[386Enh]\r\nx=1\r\n\r\n[vcache]\r\nMinFileCache=512\r\nMaxFileCache=4096\r\n");
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);  // permissions survive the atomic replacement

    // A new file, and a write through a symbolic link replaces the file it points to.
    const std::string fresh = (dir / "fresh.ini").string();
    EXPECT_TRUE(sys.WritePrivateProfileString("s", "k", "v", fresh));
    EXPECT_EQ(ReadFile(fresh), "[s]\nk=v\n");
    fs::create_symlink(fresh, dir / "link.ini");
    EXPECT_TRUE(sys.WritePrivateProfileString("s", "k", "w", (dir / "link.ini").string()));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(fresh), "[s]\nk=w\n");

    EXPECT_EQ(sys.GetPrivateProfileString("s", "k", "dflt ", out, 256, (dir / "missing.ini").string()), 4u);
    EXPECT_EQ(out, "dflt");
    EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "v", (dir / "no/such/folder/x.ini").string()));
    EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "v", dir.str()));  // a folder

    // A read-only file is not replaced behind the user's back.
    if (::geteuid() != 0) {
        ::chmod(fresh.c_str(), 0444);
        EXPECT_FALSE(sys.WritePrivateProfileString("s", "k", "x", fresh));
        EXPECT_EQ(ReadFile(fresh), "[s]\nk=w\n");
    }
}

TEST(LinuxFiles, DirFindsNamesWithoutRegardToCase) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const fs::path skins = dir / "Skins";
    WriteFile(skins / "Blue.ini", "");
    WriteFile(skins / "default.INI", "");
    WriteFile(skins / ".Hidden.ini", "");
    WriteFile(skins / "notes.txt", "");
    fs::create_directories(skins / "Old.ini");
    const std::string base = skins.string() + "/";
    EXPECT_EQ(sys.Dir(base + "blue.ini", vbNormal), std::vector<std::string>{"Blue.ini"});
    EXPECT_EQ(sys.Dir(base + "*.ini", vbNormal), (std::vector<std::string>{"Blue.ini", "default.INI"}));
    EXPECT_EQ(sys.Dir(base + "*.ini", vbHidden | vbDirectory),
              (std::vector<std::string>{".Hidden.ini", "Blue.ini", "Old.ini", "default.INI"}));
    EXPECT_EQ(sys.Dir(base + "*.*", vbNormal).size(), 3u);
    EXPECT_TRUE(sys.Dir(dir.str() + "/missing/*.ini", vbNormal).empty());
}

TEST(LinuxFiles, ReadTextLines) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    WriteFile(dir / "lang.ini", "[english]\r\n1=General\r\n\r\n2=Disk\n");
    EXPECT_EQ(sys.ReadTextLines((dir / "lang.ini").string()),
              (std::vector<std::string>{"[english]", "1=General", "", "2=Disk"}));
    EXPECT_EQ(sys.ReadTextLines((dir / "none.ini").string()), std::nullopt);
    EXPECT_EQ(sys.ReadTextLines(dir.str()), std::nullopt);
}

// ---- memory and processor -----------------------------------------------------------------------

const char* kMeminfo =
    "MemTotal:        2048000 kB\n"
    "MemFree:          100000 kB\n"
    "MemAvailable:     512000 kB\n"
    "Buffers:           10000 kB\n"
    "Cached:           300000 kB\n"
    "SwapCached:            0 kB\n"
    "SwapTotal:       1024000 kB\n"
    "SwapFree:         800000 kB\n"
    "CommitLimit:     2048000 kB\n"
    "Committed_AS:    1500000 kB\n"
    "HugePages_Total:       0\n";

TEST(LinuxMemory, MeminfoFiguresAndTheCommitLimit) {
    TempDir dir;
    WriteFile(dir / "proc/meminfo", kMeminfo);
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "0\n");
    auto now = std::chrono::steady_clock::time_point(std::chrono::seconds(1000));
    LinuxSystem::Options options = In(dir);
    options.clock = [&now] { return now; };
    LinuxSystem sys(options);
    MemoryStatus m = sys.GlobalMemoryStatus();
    EXPECT_EQ(m.availPhys, 512000ull * 1024);
    EXPECT_EQ(m.availPageFile, 800000ull * 1024);
    EXPECT_EQ(m.availVirtual, 1312000ull * 1024);

    // Strict accounting: what is left below the commit limit. Readers in the same instant share
    // one reading; a moment later the kernel is asked again.
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "2\n");
    EXPECT_EQ(sys.GlobalMemoryStatus().totalVirtual, 3072000ull * 1024);
    now += std::chrono::milliseconds(50);
    m = sys.GlobalMemoryStatus();
    EXPECT_EQ(m.totalVirtual, 2048000ull * 1024);
    EXPECT_EQ(m.availVirtual, 548000ull * 1024);

    // No swap; no MemAvailable (old kernels): free plus caches.
    const auto noSwap = linux_impl::ParseMeminfo(
        "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 200 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n");
    m = linux_impl::ToMemoryStatus(noSwap, 0);
    EXPECT_EQ(m.availPhys, 350u * 1024);
    EXPECT_EQ(m.availVirtual, 350u * 1024);
    // Over-committed beyond the limit: nothing left, not a huge wrapped figure.
    auto over = linux_impl::ParseMeminfo(kMeminfo);
    over.committedAS = over.commitLimit * 2;
    EXPECT_EQ(linux_impl::ToMemoryStatus(over, 2).availVirtual, 0u);

    // The disk cache counter: Buffers + Cached in bytes.
    HKEY key = 0;
    ASSERT_EQ(sys.RegOpenKey(HKEY_DYN_DATA, "PerfStats\\StatData", key), ERROR_SUCCESS);
    std::uint32_t cache = 0, size = 4, type = 0;
    ASSERT_EQ(sys.RegQueryValueEx(key, "VMM\\cpgDiskcache", &type, reinterpret_cast<std::uint8_t*>(&cache), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(cache, 310000u * 1024);
    // Beyond 4 GB it saturates.
    WriteFile(dir / "proc/meminfo", "MemTotal: 99999999 kB\nBuffers: 0 kB\nCached: 8000000 kB\n");
    size = 4;
    ASSERT_EQ(sys.RegQueryValueEx(key, "VMM\\cpgDiskcache", &type, reinterpret_cast<std::uint8_t*>(&cache), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(cache, 0xFFFFFFFFu);
    sys.RegCloseKey(key);

    // Without /proc nothing is claimed to exist.
    WriteFile(dir / "proc/meminfo", "");
    now += std::chrono::seconds(1);
    EXPECT_EQ(sys.GlobalMemoryStatus().totalPhys, 0u);
}

struct CpuFixture : ::testing::Test {
    TempDir dir;
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    std::unique_ptr<LinuxSystem> sys;

    void SetUp() override {
        auto o = In(dir);
        o.clock = [this] { return now; };
        sys = std::make_unique<LinuxSystem>(o);
    }
    // user nice system idle iowait irq softirq steal
    void Stat(const std::string& fields) {
        WriteFile(dir / "proc/stat", "cpu  " + fields + " 0 0\ncpu0 1 2 3 4 5 6 7 8 0 0\nintr 1\n");
    }
    int Read(const std::string& key) {
        HKEY h = 0;
        if (sys->RegOpenKeyEx(HKEY_DYN_DATA, key, 0x2003F, h)) return -1;
        std::array<std::uint8_t, 1024> buf{};
        std::uint32_t size = 1024;
        const long rc = sys->RegQueryValueEx(h, "KERNEL\\CPUUsage", nullptr, buf.data(), &size);
        sys->RegCloseKey(h);
        return rc ? -1 : buf[0];
    }
    int Sample() {  // the program's protocol: read, then start
        const int load = Read("PerfStats\\StatData");
        Read("PerfStats\\StartStat");
        return load;
    }
};

TEST_F(CpuFixture, LoadOfTheLatestWindowSharedByItsReaders) {
    Stat("100 0 100 800 0 0 0 0");
    EXPECT_EQ(Sample(), 0);  // not started yet
    now += std::chrono::milliseconds(1000);
    Stat("160 0 120 820 0 0 0 0");  // 80 busy of 100
    EXPECT_EQ(Sample(), 80);
    // A second reader in the same window gets the same figure, not the last few microseconds.
    now += std::chrono::milliseconds(300);
    Stat("160 0 120 900 0 0 0 0");
    EXPECT_EQ(Sample(), 80);
    now += std::chrono::milliseconds(700);  // a window has passed since the last sample
    EXPECT_EQ(Sample(), 0);
    // iowait counts as idle; irq, softirq and steal as busy.
    now += std::chrono::seconds(1);
    Stat("160 0 120 950 50 25 15 10");
    EXPECT_EQ(Sample(), 33);
    // A counter going backwards counts as no time, never as a huge figure.
    now += std::chrono::seconds(1);
    Stat("260 0 120 950 10 25 15 10");
    EXPECT_EQ(Sample(), 100);
    // An unreadable /proc/stat keeps the last figure.
    fs::remove(dir / "proc/stat");
    now += std::chrono::seconds(1);
    EXPECT_EQ(Sample(), 100);
}

TEST(LinuxCpu, ParsesTheAggregateLine) {
    const auto old = linux_impl::ParseCpuTimes("cpu 1 2 3 4\n");  // very old kernels: four fields
    ASSERT_TRUE(old);
    EXPECT_EQ(old->field[4], 0u);
    EXPECT_FALSE(linux_impl::ParseCpuTimes("cpu0 1 2 3 4\n"));
    linux_impl::CpuTimes same;
    EXPECT_EQ(linux_impl::CpuLoadPercent(same, same), 0u);
    // Two thirds busy: 66.7 % shows as 67, the nearest, not 66.
    linux_impl::CpuTimes later;
    later.field[0] = 2;
    later.field[3] = 1;
    EXPECT_EQ(linux_impl::CpuLoadPercent(same, later), 67u);
}

// ---- processes (drives and the snapshot: sysinfo_linux_test.cpp) ------------------------------

TEST(LinuxProcesses, TerminateSendsSigtermToThatProcessOnly) {
    LinuxSystem sys;
    EXPECT_FALSE(sys.TerminateProcess(0));           // would be our process group
    EXPECT_FALSE(sys.TerminateProcess(0xFFFFFFFFu));  // would be -1: every process
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    EXPECT_TRUE(sys.TerminateProcess(static_cast<std::uint32_t>(child)));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGTERM);
}

// ---- shell, instance ----------------------------------------------------------------------------

TEST(LinuxShell, SpawnsWithoutShellOrWaiting) {
    EXPECT_TRUE(linux_impl::SpawnDetached({"true"}));
    EXPECT_FALSE(linux_impl::SpawnDetached({"tarnolux-no-such-helper-program"}));
    EXPECT_FALSE(linux_impl::SpawnDetached({}));
    LinuxSystem sys;
    EXPECT_FALSE(sys.Desktop(DesktopAction::HideTaskbar));
    EXPECT_FALSE(sys.ExitWindows(ExitWindowsMode::ShutDown));  // never powers anything off
}

TEST(LinuxInstance, LockHeldForTheLifeOfItsHolder) {
    TempDir dir;
    {
        LinuxSystem first(In(dir));
        EXPECT_FALSE(first.PrevInstance());
        EXPECT_FALSE(first.PrevInstance());  // the holder itself is not another instance
        LinuxSystem second(In(dir));
        EXPECT_TRUE(second.PrevInstance());

        // Another process sees it too.
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            LinuxSystem other(In(dir));
            ::_exit(other.PrevInstance() ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    // Released with its holder: a crash closes the descriptor the same way.
    LinuxSystem later(In(dir));
    EXPECT_FALSE(later.PrevInstance());
    // The default folder is the private runtime folder of the run.
    LinuxSystem defaults;
    EXPECT_FALSE(defaults.PrevInstance());
    EXPECT_TRUE(fs::exists(fs::path(std::getenv("XDG_RUNTIME_DIR")) / "tarnolux.lock"));
}

}  // namespace
