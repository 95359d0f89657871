// The Linux System against sample /proc files and private folders: hives on disk, files never
// waited on and written once, the autostart mirror, memory and processor figures, and the
// instance lock.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>

#include "platform/linux/autostart.h"
#include "platform/linux/files.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/spawn.h"
#include "linux_options.h"

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
        ASSERT_EQ(sys.RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Empty Key ", "", 0, KEY_ALL_ACCESS, empty, nullptr), 0);
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

// A hive that cannot be read, for damage or for its size, is kept aside, reported, and never
// overwritten; the other hive is unaffected and the program goes on with an empty one.
TEST(LinuxRegistry, AnUnreadableHiveIsKeptAsideAndTheProgramGoesOn) {
    for (const bool huge : {false, true}) {
        SCOPED_TRACE(huge ? "beyond the reader's limit" : "damaged");
        TempDir dir;
        const fs::path hive = dir / "config/tarnolux/HKEY_CURRENT_USER.reg";
        const std::string junk = "this is not a registry file\n[[[\n";
        WriteFile(hive, huge ? "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]\n\"Left\"=\"1\"\n" : junk);
        if (huge) fs::resize_file(hive, (64u << 20) + 1);  // sparse: no disk is used
        const std::uintmax_t size = fs::file_size(hive);
        WriteFile(dir / "config/tarnolux/HKEY_LOCAL_MACHINE.reg", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Keep]\n\"a\"=\"b\"\n");
        testing::internal::CaptureStderr();
        LinuxSystem sys(In(dir));
        EXPECT_EQ(GetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"), std::nullopt);
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(GetString(sys, HKEY_LOCAL_MACHINE, "Keep", "a"), "b");
        ASSERT_EQ(sys.DamagedHives().size(), 1u);
        const std::string aside = sys.DamagedHives()[0];
        EXPECT_NE(aside.find("HKEY_CURRENT_USER.reg.damaged-"), std::string::npos);
        EXPECT_NE(report.find(aside), std::string::npos) << report;
        ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left", "1"), ERROR_SUCCESS);
        EXPECT_EQ(fs::file_size(aside), size);
        if (!huge) {
            EXPECT_EQ(ReadFile(aside), junk);
        }
        EXPECT_EQ(ReadFile(hive).rfind("REGEDIT4", 0), 0u);
    }
}

TEST(LinuxRegistry, DynDataServesOnlyTheCounterKeys) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    HKEY key = 0;
    EXPECT_EQ(sys.RegOpenKeyEx(HKEY_DYN_DATA, "Config Manager\\Enum", 0x2003F, key), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(sys.RegCreateKeyEx(HKEY_DYN_DATA, "Mine", "", 0, KEY_ALL_ACCESS, key, nullptr), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(dir / "config/tarnolux/HKEY_DYN_DATA.reg"));
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

// An update holds every write back to its end and then writes each file once (the exit's count of
// files and flushes: settings_options_test.cpp); a value set to what it holds writes nothing.
TEST(LinuxFiles, AnUpdateWritesEachFileOnceAndNothingWhenNothingChanged) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const std::string section = "Software\\TALVO\\Tarnolux ";
    const std::string ini = sys.GetWindowsDirectory() + "/system.ini";
    const auto writes = [start = linux_impl::FileWrites().files] { return linux_impl::FileWrites().files - start; };
    sys.BeginUpdate();
    for (int i = 0; i < 17; ++i) ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K" + std::to_string(i), "512"), 0);
    for (const char* key : {"MinFileCache", "ChunkSize"}) ASSERT_TRUE(sys.WritePrivateProfileString("vcache", key, "512", ini));
    std::string out;  // reads before the end see what is still to be written
    sys.GetPrivateProfileString("vcache", "ChunkSize", "", out, 256, ini);
    EXPECT_EQ(out, "512");
    EXPECT_EQ(writes(), 0u);
    sys.EndUpdate();
    EXPECT_EQ(writes(), 2u);
    EXPECT_EQ(ReadFile(ini), "[vcache]\nMinFileCache=512\nChunkSize=512\n");
    EXPECT_NE(ReadFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg").find("\"K16\"=\"512\""), std::string::npos);

    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K0", "512"), 0);
    ASSERT_TRUE(sys.WritePrivateProfileString("vcache", "chunksize", "512", ini));
    EXPECT_EQ(writes(), 2u);
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, section, "K0", "1"), 0);  // outside an update: at once
    EXPECT_EQ(writes(), 3u);
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
    const std::string command = sys.AppPath() + "/" + sys.AppExeName() + ".exe /Start Up";
    ASSERT_EQ(SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", command), ERROR_SUCCESS);
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

// One argument of the Exec line: quoted when it holds a reserved character, '"', '`', '$' and '\'
// escaped inside the quotes, then '\' doubled, line breaks escaped and '%' doubled for the entry's
// string syntax.
TEST(LinuxAutostart, ExecLineQuoting) {
    const std::pair<std::string, std::string> args[] = {
        {"/usr/bin/tarnolux", "/usr/bin/tarnolux"},
        {"/opt/my apps/tarnolux", "\"/opt/my apps/tarnolux\""},
        {"", "\"\""},
        {"/a$b\\c", "\"/a\\\\$b\\\\\\\\c\""},
        {"/back`tick", "\"/back\\\\`tick\""},
        {"/say \"hi\"", "\"/say \\\\\"hi\\\\\"\""},
        {"/it's", "\"/it's\""},
        {"/tab\there", "\"/tab\there\""},
        {"/line\nbreak", "\"/line\\nbreak\""},
        {"/cr\rx", "/cr\\rx"},
        {"/100%", "/100%%"},
    };
    for (const auto& [arg, exec] : args) EXPECT_EQ(linux_impl::DesktopExecArgument(arg), exec) << arg;
    for (const char* run : {"/opt/t/tarnolux.exe /Start Up", "/opt/t/tarnolux /Start Up", "/elsewhere/tarnolux.exe /Start Up"})
        EXPECT_EQ(linux_impl::RunCommandArguments(run, "/opt/t/tarnolux"), "/Start Up") << run;
    EXPECT_EQ(linux_impl::RunCommandArguments("/opt/t/tarnolux", "/opt/t/tarnolux"), "");
    EXPECT_EQ(linux_impl::RunCommandArguments("/opt/t/tarnoluxx /x", "/opt/t/tarnolux"), "");
}

// The XDG rules ignore a folder variable that is not an absolute path.
TEST(LinuxFolders, RelativeXdgFoldersAreIgnored) {
    const std::string home = std::getenv("HOME");
    {
        testsupport::ScopedEnv config("XDG_CONFIG_HOME", "relative/config"), data("XDG_DATA_HOME", "data"),
            run("XDG_RUNTIME_DIR", "run");
        EXPECT_EQ(linux_impl::ConfigHome(), home + "/.config");
        EXPECT_EQ(linux_impl::DataHome(), home + "/.local/share");
        EXPECT_EQ(LinuxSystem().InstanceChannel(), "/tmp/tarnolux-" + std::to_string(::getuid()) + "/tarnolux.socket");
    }
    testsupport::ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(linux_impl::ConfigHome(), "/elsewhere/config");
}

// What the shared System rules (platform_contract_test.cpp) cannot see: the file's permissions, a
// link in its place, and a file the user has made read-only.
TEST(LinuxFiles, ProfileWritesKeepPermissionsLinksAndReadOnlyFiles) {
    TempDir dir;
    LinuxSystem sys(In(dir));
    const std::string ini = (dir / "system.ini").string();
    WriteFile(ini, "[vcache]\r\nMinFileCache=512\r\n");
    ::chmod(ini.c_str(), 0640);
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "MaxFileCache", "4096", ini));
    struct stat st {};
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    fs::create_symlink(ini, dir / "link.ini");
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "ChunkSize", "8", (dir / "link.ini").string()));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(ini), "[vcache]\r\nMinFileCache=512\r\nMaxFileCache=4096\r\nChunkSize=8\r\n");

    if (::geteuid() != 0) {
        ::chmod(ini.c_str(), 0444);
        EXPECT_FALSE(sys.WritePrivateProfileString("vcache", "ChunkSize", "9", ini));
        EXPECT_NE(ReadFile(ini).find("ChunkSize=8"), std::string::npos);
    }
}

// ---- memory and processor -----------------------------------------------------------------------

const char* kMeminfo =
    "MemTotal: 2048000 kB\nMemFree: 100000 kB\nMemAvailable: 512000 kB\nBuffers: 10000 kB\nCached: 300000 kB\n"
    "SwapCached: 0 kB\nSwapTotal: 1024000 kB\nSwapFree: 800000 kB\nCommitLimit: 2048000 kB\n"
    "Committed_AS: 1500000 kB\nHugePages_Total: 0\n";

TEST(LinuxMemory, MeminfoFiguresAndTheCommitLimit) {
    TempDir dir;
    WriteFile(dir / "proc/meminfo", kMeminfo);
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "0\n");
    auto now = std::chrono::steady_clock::time_point(std::chrono::seconds(1000));
    LinuxSystem::Options options = In(dir);
    options.clock = [&now] { return now; };
    LinuxSystem sys(options);
    const auto figures = [&] {
        const MemoryStatus m = sys.GlobalMemoryStatus();
        return std::vector<std::uint64_t>{m.availPhys / 1024, m.availPageFile / 1024, m.totalVirtual / 1024, m.availVirtual / 1024};
    };
    using V = std::vector<std::uint64_t>;
    EXPECT_EQ(figures(), (V{512000, 800000, 3072000, 1312000}));
    // Strict accounting: what is left below the commit limit. Readers in the same instant share
    // one reading; a moment later the kernel is asked again.
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "2\n");
    EXPECT_EQ(figures(), (V{512000, 800000, 3072000, 1312000}));
    now += std::chrono::milliseconds(50);
    EXPECT_EQ(figures(), (V{512000, 800000, 2048000, 548000}));

    // No swap; no MemAvailable (old kernels): free plus caches. Over-committed beyond the limit:
    // nothing left, not a huge wrapped figure.
    const MemoryStatus old = linux_impl::ToMemoryStatus(linux_impl::ParseMeminfo(
        "MemTotal: 1000 kB\nMemFree: 100 kB\nBuffers: 50 kB\nCached: 200 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n"), 0);
    EXPECT_EQ(old.availPhys + old.availVirtual, 700u * 1024);
    auto over = linux_impl::ParseMeminfo(kMeminfo);
    over.committedAS = over.commitLimit * 2;
    EXPECT_EQ(linux_impl::ToMemoryStatus(over, 2).availVirtual, 0u);

    // The disk cache counter: Buffers + Cached in bytes, saturating beyond 4 GB. Without /proc
    // nothing is claimed to exist.
    HKEY key = 0;
    ASSERT_EQ(sys.RegOpenKey(HKEY_DYN_DATA, "PerfStats\\StatData", key), ERROR_SUCCESS);
    const auto cache = [&] {
        std::uint32_t bytes = 0, size = 4;
        EXPECT_EQ(sys.RegQueryValueEx(key, "VMM\\cpgDiskcache", nullptr, reinterpret_cast<std::uint8_t*>(&bytes), &size), 0);
        return bytes;
    };
    EXPECT_EQ(cache(), 310000u * 1024);
    WriteFile(dir / "proc/meminfo", "MemTotal: 99999999 kB\nBuffers: 0 kB\nCached: 8000000 kB\n");
    EXPECT_EQ(cache(), 0xFFFFFFFFu);
    sys.RegCloseKey(key);
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
    EXPECT_EQ(linux_impl::ParseCpuTimes("cpu 1 2 3 4\n").value().field[4], 0u);  // very old kernels: four fields
    EXPECT_FALSE(linux_impl::ParseCpuTimes("cpu0 1 2 3 4\n"));
    linux_impl::CpuTimes same;
    EXPECT_EQ(linux_impl::CpuLoadPercent(same, same), 0u);
    // Two thirds busy: 66.7 % shows as 67, the nearest, not 66.
    linux_impl::CpuTimes later = same;
    later.field[0] += 2;
    later.field[3] += 1;
    EXPECT_EQ(linux_impl::CpuLoadPercent(same, later), 67u);
}

// ---- shell, instance ----------------------------------------------------------------------------

TEST(LinuxShell, SpawnsWithoutShellOrWaitingAndNeverReachesBeyondItsTarget) {
    EXPECT_TRUE(linux_impl::SpawnDetached({"true"}));
    EXPECT_FALSE(linux_impl::SpawnDetached({"tarnolux-no-such-helper-program"}));
    EXPECT_FALSE(linux_impl::SpawnDetached({}));
    LinuxSystem sys;
    EXPECT_FALSE(sys.TerminateProcess(0));           // would be our process group
    EXPECT_FALSE(sys.TerminateProcess(0xFFFFFFFFu));  // would be -1: every process
    EXPECT_FALSE(sys.Desktop(DesktopAction::HideTaskbar));     // no display to ask
    EXPECT_FALSE(sys.ExitWindows(ExitWindowsMode::ShutDown));  // nobody listens: never powers anything off
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
}

}  // namespace
