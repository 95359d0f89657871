// The Linux System on sample /proc files and private folders: hives, files, autostart, figures.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "linux_options.h"
#include "platform/linux/autostart.h"
#include "platform/linux/files.h"
#include "platform/linux/proc_parse.h"
#include "platform/linux/spawn.h"
#include "settings/modules.h"

using namespace platform;
namespace fs = std::filesystem;
using namespace testsupport;
using tarnolux::Registry::GetStringValue;

namespace {

// Creates the key as needed; 0 once the value is written.
int SetString(System& sys, HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    const HKEY key = tarnolux::Registry::CreateKey(sys, root, path, "");
    const int rc = key ? tarnolux::Registry::SetStringValue(sys, key, root, path, name, text) : 1;
    sys.RegCloseKey(key);
    return rc;
}

// A LinuxSystem on a folder of its own, whose clock moves only when the test moves it.
struct LinuxTest : ::testing::Test {
    TempDir dir;
    std::chrono::steady_clock::time_point now{std::chrono::seconds(1000)};
    LinuxSystem sys{[this] {
        LinuxSystem::Options o = In(dir);
        o.clock = [this] { return now; };
        return o;
    }()};
    std::uint32_t Read(const char* key, const char* name) {  // as the program reads its counters
        return static_cast<std::uint32_t>(tarnolux::Registry::GetDwordValue(sys, HKEY_DYN_DATA, key, name));
    }
    std::uint32_t Sample() {  // the program's protocol: read, then start
        const std::uint32_t load = Read("PerfStats\\StatData", "KERNEL\\CPUUsage");
        Read("PerfStats\\StartStat", "KERNEL\\CPUUsage");
        return load;
    }
    // user nice system idle iowait irq softirq steal
    void Stat(const std::string& fields) {
        WriteFile(dir / "proc/stat", "cpu  " + fields + " 0 0\ncpu0 1 2 3 4 5 6 7 8 0 0\nintr 1\n");
    }
};

TEST_F(LinuxTest, HivesPersistAsRegeditFilesAfterEveryChange) {
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left", "480"), ERROR_SUCCESS);
    // HKEY_DYN_DATA's keys are live counters: none is ever made or stored.
    HKEY none = 0;
    EXPECT_NE(sys.RegCreateKeyEx(HKEY_DYN_DATA, "Mine", "", 0, KEY_ALL_ACCESS, none, nullptr), ERROR_SUCCESS);
    // Written at once, not at exit, and no temporaries left: the hive alone.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "config/tarnolux"), fs::directory_iterator()), 1);

    LinuxSystem again(In(dir));
    EXPECT_EQ(GetStringValue(again, 0, HKEY_CURRENT_USER, "software\\talvo\\TARNOLUX ", "left"), "480");
    EXPECT_TRUE(again.DamagedHives().empty());
}

// A hive unreadable for damage or size is kept aside and reported; the program goes on with an empty one.
TEST(LinuxRegistry, AnUnreadableHiveIsKeptAsideAndTheProgramGoesOn) {
    for (const bool huge : {false, true}) {
        SCOPED_TRACE(huge ? "beyond the reader's limit" : "damaged");
        TempDir dir;
        const fs::path hive = dir / "config/tarnolux/HKEY_CURRENT_USER.reg";
        const std::string junk = "this is not a registry file\n[[[\n";
        WriteFile(hive, huge ? "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\TALVO\\Tarnolux ]\n\"Left\"=\"1\"\n" : junk);
        if (huge) fs::resize_file(hive, (64u << 20) + 1);  // sparse: no disk is used
        const std::uintmax_t size = fs::file_size(hive);
        WriteFile(hive.parent_path() / "HKEY_LOCAL_MACHINE.reg",
                  "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Keep]\n\"a\"=\"b\"\n");
        testing::internal::CaptureStderr();
        LinuxSystem sys(In(dir));
        EXPECT_EQ(GetStringValue(sys, 0, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left"), "");
        const std::string report = testing::internal::GetCapturedStderr();
        EXPECT_EQ(GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, "Keep", "a"), "b");
        ASSERT_EQ(sys.DamagedHives().size(), 1u);
        const std::string aside = sys.DamagedHives()[0];
        EXPECT_NE(aside.find("HKEY_CURRENT_USER.reg.damaged-"), std::string::npos);
        EXPECT_NE(report.find(aside), std::string::npos) << report;
        ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, "Software\\TALVO\\Tarnolux ", "Left", "1"), ERROR_SUCCESS);
        EXPECT_EQ(fs::file_size(aside), size);
        EXPECT_EQ(huge ? junk : ReadFile(aside), junk);
        EXPECT_EQ(ReadFile(hive).rfind("REGEDIT4", 0), 0u);
    }
}

TEST(LinuxFiles, WhatIsNotARegularFileIsUnreadableAndNeverWaitedOn) {
    TempDir dir;
    fs::create_directories(dir / "config/tarnolux");
    ASSERT_EQ(::mkfifo((dir / "config/tarnolux/HKEY_CURRENT_USER.reg").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.ini").c_str(), 0600), 0);
    // A wait ends the test run instead of hanging it.
    ::alarm(30);
    LinuxSystem sys(In(dir));
    EXPECT_EQ(GetStringValue(sys, 0, HKEY_CURRENT_USER, "Software", "x"), "");
    ASSERT_EQ(sys.DamagedHives().size(), 1u);  // kept aside like any damaged hive
    EXPECT_TRUE(fs::is_fifo(sys.DamagedHives()[0]));
    for (const fs::path& path : {dir / "fifo.ini", fs::path("/dev/zero")}) {
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

// An update holds every write back to its end, then writes each file once; an unchanged value writes nothing.
TEST_F(LinuxTest, AnUpdateWritesEachFileOnceAndNothingWhenNothingChanged) {
    const std::string key = "Software\\TALVO\\Tarnolux ";
    const std::string ini = sys.GetWindowsDirectory() + "/system.ini";
    const auto writes = [start = linux_impl::FileWrites().files] { return linux_impl::FileWrites().files - start; };
    sys.BeginUpdate();
    sys.BeginUpdate();  // updates nest: only the outer one's end writes
    for (int i = 0; i < 17; ++i) ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, key, "K" + std::to_string(i), "512"), 0);
    ASSERT_TRUE(sys.WritePrivateProfileString("vcache", "MinFileCache", "512", ini));
    ASSERT_TRUE(sys.WritePrivateProfileString("vcache", "ChunkSize", "512", ini));
    std::string out;  // reads before the end see what is still to be written
    sys.GetPrivateProfileString("vcache", "ChunkSize", "", out, 256, ini);
    EXPECT_EQ(out, "512");
    sys.EndUpdate();
    EXPECT_EQ(writes(), 0u);
    sys.EndUpdate();
    EXPECT_EQ(writes(), 2u);
    EXPECT_EQ(ReadFile(ini), "[vcache]\nMinFileCache=512\nChunkSize=512\n");
    EXPECT_NE(ReadFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg").find("\"K16\"=\"512\""), std::string::npos);

    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, key, "K0", "512"), 0);
    ASSERT_TRUE(sys.WritePrivateProfileString("vcache", "chunksize", "512", ini));
    EXPECT_EQ(writes(), 2u);
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, key, "K0", "1"), 0);  // outside an update: at once
    EXPECT_EQ(writes(), 3u);
}

// The next start removes the temporary of a save cut short (99999999, 10000000: no process the kernel gives).
TEST(LinuxFiles, TemporariesOfAnInterruptedSaveAreRemovedAtTheNextStart) {
    TempDir dir;
    const pid_t saving = ::fork();  // another start, in the middle of its save
    if (saving == 0) {
        for (int s = 1; s < NSIG; ++s) ::signal(s, SIG_DFL);  // so that any signal sent to it shows
        for (;;) ::pause();
    }
    const std::string status = "/proc/" + std::to_string(saving) + "/status";
    // Not an ASSERT: the child must be ended below whatever happens, or it would hold the test run's output open.
    EXPECT_TRUE(Eventually([&] { return ReadFile(status).find("SigIgn:\t0000000000000000") != std::string::npos; }));
    const std::string busy = "tarnolux/HKEY_LOCAL_MACHINE.reg.tmp-" + std::to_string(saving) + "-3";
    const std::pair<std::string, bool> files[] = {
        {"tarnolux/HKEY_CURRENT_USER.reg.tmp-99999999-1", false}, {"tarnolux/Windows/system.ini.tmp-99999999-7", false},
        {"autostart/tarnolux.desktop.tmp-99999999-2", false},    {busy, true},
        {"tarnolux/HKEY_CURRENT_USER.reg.tmp-x-1", true},        {"autostart/other.desktop.tmp-99999999-1", true},
        {"tarnolux/HKEY_CURRENT_USER.reg.tmp-99999999-", true},  {"tarnolux/Windows/win.ini.tmp-10000000-10", false}};
    for (const auto& [name, stays] : files) WriteFile(dir / "config" / name, "cut short");
    LinuxSystem sys(In(dir));
    EXPECT_EQ(GetStringValue(sys, 0, HKEY_CURRENT_USER, "Software", "x"), "");
    for (const auto& [name, stays] : files) EXPECT_EQ(fs::exists(dir / "config" / name), stays) << name;
    const auto ended = [&] { return ::waitpid(saving, nullptr, WNOHANG) != 0; };
    EXPECT_FALSE(Eventually(ended, std::chrono::milliseconds(200)));  // and it is left undisturbed
    ::kill(saving, SIGKILL);
    ::waitpid(saving, nullptr, 0);
}

TEST_F(LinuxTest, RunKeyValueWritesAndRemovesTheEntry) {
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const fs::path entry = dir / "config/autostart/tarnolux.desktop";
    const std::string command = sys.AppPath() + "/" + sys.AppExeName() + ".exe /Start Up";
    const auto set = [&] { return SetString(sys, HKEY_LOCAL_MACHINE, run, "Tarnolux ", command); };
    ASSERT_EQ(set(), ERROR_SUCCESS);
    const std::string text = ReadFile(entry);
    EXPECT_NE(text.find("[Desktop Entry]\nType=Application\nName=Tarnolux\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nExec=" + sys.AppExeFile() + " \"/Start Up\"\n"), std::string::npos) << text;
    // The value stays in the machine hive too.
    EXPECT_NE(ReadFile(dir / "config/tarnolux/HKEY_LOCAL_MACHINE.reg").find("\"Tarnolux \"="), std::string::npos);

    HKEY key = 0;
    ASSERT_EQ(sys.RegOpenKeyEx(HKEY_LOCAL_MACHINE, run, KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_TRUE(sys.RegDeleteValue(key, "tarnolux ") == ERROR_SUCCESS && !fs::exists(entry));
    // Every write to the Run key puts the entry right, whatever state the two were found in.
    WriteFile(entry, text);
    EXPECT_TRUE(sys.RegDeleteValue(key, "Tarnolux ") == ERROR_FILE_NOT_FOUND && !fs::exists(entry));
    ASSERT_EQ(set(), ERROR_SUCCESS);
    fs::remove(entry);
    ASSERT_EQ(set(), ERROR_SUCCESS);
    EXPECT_EQ(ReadFile(entry), text);
    fs::remove(entry);  // values elsewhere never touch the entry, not even to put it right
    ASSERT_EQ(SetString(sys, HKEY_CURRENT_USER, run, "Tarnolux ", "x"), ERROR_SUCCESS);
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_EQ(sys.RegDeleteValue(key, "Tarnolux "), ERROR_SUCCESS);
    sys.RegCloseKey(key);
}

// Quoted for a reserved character, '"' '`' '$' '\' escaped inside; then '\' doubled, line breaks escaped, '%' doubled.
TEST(LinuxAutostart, ExecLineQuoting) {
    const std::pair<std::string, std::string> args[] = {
        {"/usr/bin/tarnolux", "/usr/bin/tarnolux"}, {"/opt/my apps/tarnolux", "\"/opt/my apps/tarnolux\""},
        {"", "\"\""}, {"/a$b\\c", "\"/a\\\\$b\\\\\\\\c\""}, {"/back`tick", "\"/back\\\\`tick\""},
        {"/say \"hi\"", "\"/say \\\\\"hi\\\\\"\""}, {"/it's", "\"/it's\""}, {"/tab\there", "\"/tab\there\""},
        {"/line\nbreak", "\"/line\\nbreak\""}, {"/cr\rx", "/cr\\rx"}, {"/100%", "/100%%"}};
    for (const auto& [arg, exec] : args) EXPECT_EQ(linux_impl::DesktopExecArgument(arg), exec) << arg;
    const std::pair<const char*, const char*> runs[] = {
        {"/opt/t/tarnolux.exe /Start Up", "/Start Up"}, {"/opt/t/tarnolux /Start Up", "/Start Up"},
        {"/else/tarnolux.exe /Start Up", "/Start Up"}, {"/opt/t/tarnolux", ""}, {"/opt/t/tarnoluxx /x", ""},
        {"\"/opt/t/tarnolux\" /Start Up", "/Start Up"}, {"\"/opt/t/tarnolux\"", ""},
        {"\"/opt/t/tarnolux.exe\" /Start Up", "/Start Up"}, {"\"/elsewhere/t\" /Start Up", "/Start Up"}};
    for (const auto& [command, arguments] : runs)
        EXPECT_EQ(linux_impl::RunCommandArguments(command, "/opt/t/tarnolux"), arguments) << command;
    EXPECT_EQ(linux_impl::RunCommandArguments("\"/a \"b\"/t\" /Start Up", "/a \"b\"/t"), "/Start Up");
}

// The XDG rules ignore a folder variable that is not an absolute path.
TEST(LinuxFolders, RelativeXdgFoldersAreIgnored) {
    const std::string home = std::getenv("HOME");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "relative/config"), data("XDG_DATA_HOME", "data"),
            run("XDG_RUNTIME_DIR", "run");
        EXPECT_EQ(linux_impl::ConfigHome(), home + "/.config");
        EXPECT_EQ(linux_impl::DataHome(), home + "/.local/share");
        EXPECT_EQ(LinuxSystem().InstanceChannel(), "/tmp/tarnolux-" + std::to_string(::getuid()) + "/tarnolux.socket");
    }
    ScopedEnv config("XDG_CONFIG_HOME", "/elsewhere/config");
    EXPECT_EQ(linux_impl::ConfigHome(), "/elsewhere/config");
}

// Beyond the shared System rules: the file's permissions, a link in its place, a read-only file.
TEST_F(LinuxTest, ProfileWritesKeepPermissionsLinksAndReadOnlyFiles) {
    const std::string ini = (dir / "system.ini").string();
    WriteFile(ini, "[vcache]\r\nMinFileCache=512\r\n");
    fs::permissions(ini, fs::perms(0640));
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "MaxFileCache", "4096", ini));
    EXPECT_EQ(fs::status(ini).permissions(), fs::perms(0640));

    fs::create_symlink(ini, dir / "link.ini");
    EXPECT_TRUE(sys.WritePrivateProfileString("vcache", "ChunkSize", "8", (dir / "link.ini").string()));
    EXPECT_TRUE(fs::is_symlink(dir / "link.ini"));
    EXPECT_EQ(ReadFile(ini), "[vcache]\r\nMinFileCache=512\r\nMaxFileCache=4096\r\nChunkSize=8\r\n");
    // A log says what the user did: theirs alone to read.
    sys.AppendToLog("t.log", "H 1", "1", 3);
    const fs::path log = fs::path(sys.StateFolder()) / "t.log";
    ASSERT_TRUE(testsupport::Eventually([&] { return fs::exists(log); }, std::chrono::seconds(10)));
    EXPECT_EQ(std::pair(fs::status(log.parent_path()).permissions(), fs::status(log).permissions()),
              std::pair(fs::perms(0700), fs::perms(0600)));
    WriteFile(log, "H 1\n" + std::string(1 << 20, '\n'));  // past 1 MiB it was not written by us
    EXPECT_EQ(sys.ReadLog("t.log", "H 1"), std::nullopt);

    if (::geteuid() != 0) {
        ::chmod(ini.c_str(), 0444);
        EXPECT_FALSE(sys.WritePrivateProfileString("vcache", "ChunkSize", "9", ini));
        EXPECT_NE(ReadFile(ini).find("ChunkSize=8"), std::string::npos);
    }
}

const char* kMeminfo =
    "MemTotal: 2048000 kB\nMemFree: 100000 kB\nMemAvailable: 512000 kB\nBuffers: 10000 kB\nCached: 300000 kB\n"
    "SwapCached: 0 kB\nSwapTotal: 1024000 kB\nSwapFree: 800000 kB\nCommitLimit: 2048000 kB\n"
    "Committed_AS: 1500000 kB\nHugePages_Total: 0\n";

TEST_F(LinuxTest, MeminfoFiguresAndTheCommitLimit) {
    WriteFile(dir / "proc/meminfo", kMeminfo);
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "0\n");
    const auto figures = [&] {
        const MemoryStatus m = sys.GlobalMemoryStatus();
        return std::vector<std::uint64_t>{m.availPhys / 1024, m.availPageFile / 1024, m.totalVirtual / 1024,
                                          m.availVirtual / 1024};
    };
    using V = std::vector<std::uint64_t>;
    EXPECT_EQ(figures(), (V{512000, 800000, 3072000, 1312000}));
    // What a free-up reports: MemFree, MemAvailable, Cached + Buffers and the swap in use.
    EXPECT_EQ(sys.ReadMemory(), (MemoryReading{100000 << 10, 512000 << 10, 310000 << 10, 224000 << 10}));
    // Strict accounting: what is left below the commit limit, read anew only a moment later.
    WriteFile(dir / "proc/sys/vm/overcommit_memory", "2\n");
    EXPECT_EQ(figures(), (V{512000, 800000, 3072000, 1312000}));
    now += std::chrono::milliseconds(50);
    EXPECT_EQ(figures(), (V{512000, 800000, 2048000, 548000}));

    // Over-committed: nothing left, never a wrapped figure.
    auto over = linux_impl::ParseMeminfo(kMeminfo);
    over.committedAS = over.commitLimit * 2;
    EXPECT_EQ(linux_impl::ToMemoryStatus(over, 2).availVirtual, 0u);

    // The disk cache counter saturates beyond 4 GB; before Linux 3.14 free memory and caches are available.
    EXPECT_EQ(Read("PerfStats\\StatData", "VMM\\cpgDiskcache"), 310000u * 1024);
    WriteFile(dir / "proc/meminfo", "MemTotal: 99999999 kB\nMemFree: 1000 kB\nBuffers: 100 kB\nCached: 8000000 kB\n"
                                    "SwapTotal: 0 kB\nSwapFree: 10 kB\n");
    EXPECT_EQ(Read("PerfStats\\StatData", "VMM\\cpgDiskcache"), 0xFFFFFFFFu);
    EXPECT_EQ(sys.ReadMemory(), (MemoryReading{1000 << 10, 8001100ull << 10, 8000100ull << 10, 0}));
    // Without /proc nothing is claimed to exist.
    WriteFile(dir / "proc/meminfo", "");
    now += std::chrono::seconds(1);
    EXPECT_TRUE(sys.GlobalMemoryStatus().totalPhys == 0 && !sys.ReadMemory());
}

TEST_F(LinuxTest, LoadOfTheLatestWindowSharedByItsReaders) {
    // The milliseconds passed, the counters then ("": as they were; none: /proc/stat unreadable), the load read.
    const std::tuple<int, const char*, std::uint32_t> steps[] = {
        {0, "100 0 100 800 0 0 0 0", 0},      // not started yet
        {1000, "160 0 120 820 0 0 0 0", 80},  // 80 busy of 100
        // A second reader in the same window gets the same figure, not the last few microseconds.
        {300, "160 0 120 900 0 0 0 0", 80},
        {700, "", 0},  // a window has passed since the last sample
        // iowait counts as idle; irq, softirq and steal as busy: 100 of 150 shows as 67, the nearest.
        {1000, "160 0 120 925 25 50 30 20", 67},
        {1000, "260 0 120 925 10 50 30 20", 100},  // a counter going backwards is no time, never a huge figure
        {1000, nullptr, 100}};                     // an unreadable /proc/stat keeps the last figure
    for (const auto& [ms, counters, load] : steps) {
        now += std::chrono::milliseconds(ms);
        if (!counters) fs::remove(dir / "proc/stat");
        if (counters && *counters) Stat(counters);
        EXPECT_EQ(Sample(), load) << ms << " " << (counters ? counters : "none");
    }
    // Very old kernels give four fields; only the aggregate line counts; no time passed is no load.
    EXPECT_EQ(linux_impl::ParseCpuTimes("cpu 1 2 3 4\n").value().field[4], 0u);
    EXPECT_FALSE(linux_impl::ParseCpuTimes("cpu0 1 2 3 4\n"));
    EXPECT_EQ(linux_impl::CpuLoadPercent({}, {}), 0u);
}

TEST(LinuxShell, SpawnsWithoutShellOrWaitingAndNeverReachesBeyondItsTarget) {
    EXPECT_TRUE(linux_impl::SpawnDetached({"true"}));
    EXPECT_FALSE(linux_impl::SpawnDetached({"tarnolux-no-such-helper-program"}) || linux_impl::SpawnDetached({}));
    LinuxSystem sys;
    EXPECT_FALSE(sys.TerminateProcess(0) || sys.TerminateProcess(0xFFFFFFFFu));  // our process group; -1: all of them
    EXPECT_FALSE(sys.Desktop(DesktopAction::HideTaskbar) || sys.ExitWindows(ExitWindowsMode::ShutDown));  // none to ask
}

}  // namespace
