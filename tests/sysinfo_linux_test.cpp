// Drives and processes of the Linux System, on sample mount tables and /proc folders, on private
// folders, and on processes the tests start themselves.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "platform/linux/drives.h"
#include "platform/linux/linux_system.h"
#include "linux_options.h"
#include "support.h"

using namespace platform;
namespace fs = std::filesystem;
using testsupport::In;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

std::string MountLine(int id, const std::string& root, const std::string& point, const std::string& type,
                      const std::string& source) {
    return std::to_string(id) + " 1 8:1 " + root + " " + point + " rw,relatime shared:1 - " + type + " " + source + " rw\n";
}

TEST(LinuxDrives, RealFileSystemsGetLettersInMountOrderThatStayWhileTheProgramRuns) {
    TempDir dir;
    const std::string root = dir.str();
    fs::create_directories(dir / "mnt/my disk");
    fs::create_directories(dir / "mnt/data");
    fs::create_directories(dir / "home");
    const std::string table = MountLine(20, "/", "/proc", "proc", "proc") + MountLine(21, "/", "/run", "tmpfs", "tmpfs") +
                              MountLine(22, "/", "/", "overlay", "overlay") +
                              MountLine(23, "/", root + "/mnt/my\\040disk", "vfat", "/dev/sdb1") +
                              MountLine(24, "/", root + "/mnt/data", "nfs4", "server:/export") +
                              MountLine(25, "/", "/snap/core/1", "squashfs", "/dev/loop3") +
                              MountLine(26, "/var/lib/x/hosts", "/etc/hosts", "ext4", "/dev/sda1") +
                              MountLine(27, "/@home", root + "/home", "btrfs", "/dev/sda2") +
                              MountLine(28, "/", root + "/sshfs", "fuse.sshfs", "me@host:");
    WriteFile(dir / "proc/self/mountinfo", table);
    LinuxSystem sys(In(dir));
    EXPECT_EQ(sys.Drives(), (std::vector<std::string>{"c: /", "d: " + root + "/mnt/my disk", "e: " + root + "/mnt/data",
                                                       "f: " + root + "/home", "g: " + root + "/sshfs"}));
    EXPECT_EQ(sys.GetVolumeInformation("c:\\")->fileSystem, "overlay");  // "/" is drive c, whatever it is
    EXPECT_EQ(sys.GetVolumeInformation("G:")->fileSystem, "sshfs");

    // The figures are the folder's own; a readable empty folder is ready.
    EXPECT_TRUE(sys.DriveReady("d:\\"));
    struct statvfs vfs {};
    ASSERT_EQ(::statvfs((root + "/mnt/my disk").c_str(), &vfs), 0);
    const auto space = sys.GetDiskFreeSpace("d:\\");
    ASSERT_TRUE(space);
    EXPECT_EQ(space->totalBytes, static_cast<std::uint64_t>(vfs.f_blocks) * vfs.f_frsize);
    EXPECT_FALSE(sys.DriveReady("g:\\"));  // its mount point is not there

    // Unmounted: gone from the list and not ready, though the folder is still there; mounted
    // again: the same letter. A new mount takes the next letter, never a freed one.
    WriteFile(dir / "proc/self/mountinfo", table.substr(0, table.find("23 1")) + table.substr(table.find("24 1")) +
                                                 MountLine(29, "/", root + "/new", "ext4", "/dev/sdc1"));
    EXPECT_EQ(sys.Drives(), (std::vector<std::string>{"c: /", "e: " + root + "/mnt/data", "f: " + root + "/home",
                                                       "g: " + root + "/sshfs", "h: " + root + "/new"}));
    EXPECT_FALSE(sys.DriveReady("d:\\"));
    EXPECT_FALSE(sys.GetDiskFreeSpace("d:\\"));
}

TEST(LinuxDrives, AFileSystemThatHangsCostsOneBoundedWait) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    auto busy = std::make_shared<std::atomic<bool>>(false);
    const auto hang = [&] {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
        return true;
    };
    EXPECT_FALSE(linux_impl::RunBounded<bool>(hang, std::chrono::milliseconds(20), busy));
    // Still hanging: the next call answers at once without another thread.
    EXPECT_FALSE(linux_impl::RunBounded<bool>([] { return true; }, std::chrono::hours(1), busy));
    {
        const std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    while (busy->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(linux_impl::RunBounded<bool>([] { return true; }, std::chrono::hours(1), busy), true);
}

// ---- processes ----------------------------------------------------------------------------------

TEST(LinuxProcesses, TheSnapshotNamesEachProgramByItsFullPathInIdOrder) {
    TempDir dir;
    fs::create_directories(dir / "proc/self");
    fs::create_directories(dir / "proc/12");  // a kernel thread: no executable at all
    fs::create_directories(dir / "proc/7");
    fs::create_symlink("/usr/bin/Seven (deleted)", dir / "proc/7/exe");
    fs::create_directories(dir / "proc/3");
    fs::create_symlink("/bin/three", dir / "proc/3/exe");
    // Executables that cannot be read: the best the system gives, or nothing for a kernel thread.
    WriteFile(dir / "proc/20/exe", "");
    WriteFile(dir / "proc/20/cmdline", std::string("/opt/app/run\0--flag\0", 20));
    WriteFile(dir / "proc/21/exe", "");
    WriteFile(dir / "proc/21/cmdline", std::string("python3\0x.py\0", 13));
    WriteFile(dir / "proc/21/comm", "python3\n");
    WriteFile(dir / "proc/22/exe", "");
    WriteFile(dir / "proc/22/cmdline", "");
    LinuxSystem sys(In(dir));
    std::vector<std::pair<std::uint32_t, std::string>> got;
    for (const ProcessEntry& p : sys.ProcessSnapshot()) got.emplace_back(p.pid, p.exeFile);
    EXPECT_EQ(got, (std::vector<std::pair<std::uint32_t, std::string>>{
                       {3, "/bin/three"}, {7, "/usr/bin/Seven"}, {20, "/opt/app/run"}, {21, "python3"}}));
}

TEST(LinuxProcesses, ConfirmingTheEndOfAProgramEndsBothItsInstancesPolitely) {
    // Two children running a copy of a harmless program under a name no other process has.
    TempDir dir;
    const std::string exe = (dir / ("Tarnolux-Sleeper-" + std::to_string(::getpid()))).string();
    fs::copy_file("/bin/sleep", exe);
    std::vector<pid_t> pids(2);
    for (pid_t& pid : pids) {
        char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>("30"), nullptr};
        ASSERT_EQ(::posix_spawn(&pid, exe.c_str(), nullptr, nullptr, argv, environ), 0);
    }
    forms::Application app;
    host::ScriptedHost host(app);
    LinuxSystem sys;
    tarnolux::Program program(app, sys, host);
    tarnolux::Form5& f = program.form5();
    f.RefreshModuleList("none");
    std::string lower = exe;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(std::count(f.List2->items().begin(), f.List2->items().end(), lower), 2);

    f.Text1->setText(fs::path(exe).filename().string());  // the bare name, as spelled
    host.msgBoxAnswers = {host::vbYes};
    f.Command1_Click();
    for (pid_t pid : pids) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);  // sleep ends only by a signal this early
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    }
}

}  // namespace
