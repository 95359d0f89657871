// The Linux System's drives, processes, trash and desktop extras for real, on sample files and a private Xvfb.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <linux/capability.h>
#include <sys/statvfs.h>
#include <sys/syscall.h>

#include "app/form5.h"
#include "app/program.h"
#include "host/scripted_host.h"
#include "linux_options.h"
#include "platform/linux/drives.h"
#include "platform/linux/trash.h"
// Last: Xlib's None, Bool and Status macros would break the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace platform;
namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace testsupport;

namespace {

std::string MountLine(int id, const std::string& root, const std::string& point, const std::string& type,
                      const std::string& source) {
    return std::to_string(id) + " 1 8:1 " + root + " " + point + " rw,relatime shared:1 - " + type + " " + source +
           " rw\n";
}

void Trash(const fs::path& trash, const std::string& name, const std::string& contents) {
    WriteFile(trash / "files" / name, contents);
    WriteFile(trash / "info" / (name + ".trashinfo"), "[Trash Info]\nPath=/x/" + name + "\n");
}

TEST(LinuxTrash, EmptiesTheHomeTrashAndEachMountsOwnWithoutFollowingLinks) {
    TempDir dir;
    const std::string uid = std::to_string(::getuid());
    const fs::path home = dir / "data/Trash", usb = dir / "usb", disk = dir / "disk", outside = dir / "outside";
    WriteFile(outside / "precious.txt", "keep");

    Trash(home, "a.txt", "a");
    WriteFile(home / "files/folder/deep/b.txt", "b");
    WriteFile(home / "info/folder.trashinfo", "[Trash Info]\nPath=/x/folder\n");
    fs::permissions(home / "files/folder/deep", fs::perms::owner_read | fs::perms::owner_exec);  // read-only
    fs::create_symlink(outside, home / "files/link");  // an item that is a link: removed, not followed
    WriteFile(home / "info/gone.txt.trashinfo", "[Trash Info]\n");  // a record without its item
    WriteFile(home / "info/notes.txt", "not a record");
    WriteFile(home / "directorysizes", "1 2 folder\n");
    WriteFile(home / "expunged/half/deleted.txt", "another program's deletion cut short");

    // A mount with both per-user trash folders: the shared sticky ".Trash/$uid" and ".Trash-$uid".
    Trash(usb / ".Trash" / uid, "photo.jpg", "p");
    fs::permissions(usb / ".Trash", fs::perms::sticky_bit, fs::perm_options::add);
    Trash(usb / (".Trash-" + uid), "song.ogg", "s");
    WriteFile(usb / "kept.txt", "not in the trash");

    // A mount whose ".Trash" lacks the sticky bit and whose ".Trash-$uid" is a link: neither is used.
    Trash(disk / ".Trash" / uid, "untrusted.txt", "u");
    Trash(outside / "elsewhere", "not-a-trash.txt", "n");
    fs::create_symlink(outside / "elsewhere", disk / (".Trash-" + uid));

    WriteFile(dir / "proc/self/mountinfo", MountLine(20, "/", "/proc", "proc", "proc") +
                                               MountLine(21, "/", usb.string(), "vfat", "/dev/sdb1") +
                                               MountLine(22, "/", disk.string(), "ext4", "/dev/sdc1"));
    {
        LinuxSystem sys(In(dir));
        EXPECT_EQ(sys.RecycleBinItems(), 5u);  // a.txt, folder, link; photo.jpg; song.ogg
        EXPECT_TRUE(sys.AvailableExtras().recycleBin && sys.EmptyRecycleBin());
    }  // the System waits for the worker as it ends
    for (const fs::path& t : {home, usb / ".Trash" / uid, usb / (".Trash-" + uid)})
        EXPECT_TRUE(fs::is_empty(t / "files") && (t == home || fs::is_empty(t / "info"))) << t;
    EXPECT_TRUE(fs::is_empty(home / "expunged"));
    // "notes.txt" is no record and has no item: not ours to remove. Nothing outside a trash is touched.
    const std::pair<fs::path, bool> left[] = {
        {home / "directorysizes", false}, {home / "info/notes.txt", true}, {home / "info/gone.txt.trashinfo", false},
        {usb / "kept.txt", true}, {outside / "precious.txt", true}, {outside / "elsewhere/files/not-a-trash.txt", true},
        {disk / ".Trash" / uid / "files/untrusted.txt", true}};
    for (const auto& [path, stays] : left) EXPECT_EQ(fs::exists(path), stays) << path;

    // What cannot be deleted is said: a folder where an item's record belongs.
    WriteFile(home / "files/b.txt", "b");
    WriteFile(home / "info/b.txt.trashinfo/inside", "");
    WriteFile(home / "expunged/later", "");  // removed after the failure, which still counts
    EXPECT_FALSE(linux_impl::EmptyTrash({home.string()}) || fs::exists(home / "files/b.txt"));
    // Out of descriptors as it lists the items, it says so; with descriptors again it empties and says that.
    WriteFile(home / "files/c.txt", "c");
    const int lowest = ::open("/dev/null", O_RDONLY | O_CLOEXEC);  // it opens the trash, "files" and "info" first
    ::close(lowest);
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    const rlimit few{static_cast<rlim_t>(lowest + 3), limit.rlim_max};
    ::setrlimit(RLIMIT_NOFILE, &few);
    const bool outOfDescriptors = linux_impl::EmptyTrash({home.string()});
    ::setrlimit(RLIMIT_NOFILE, &limit);
    EXPECT_TRUE(!outOfDescriptors && linux_impl::EmptyTrash({home.string()}));
    EXPECT_FALSE(fs::exists(home / "files/c.txt"));
    // Without root's override (no capabilities), a read-only folder of one's own is made writable to be emptied.
    WriteFile(home / "files/ro/x", "x");
    fs::permissions(home / "files/ro", fs::perms::owner_read | fs::perms::owner_exec);
    const pid_t child = ::fork();
    if (child == 0) {
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        __user_cap_data_struct none[2]{};
        ::_exit(::syscall(SYS_capset, &header, none) == 0 && linux_impl::EmptyTrash({home.string()}) ? 0 : 1);
    }
    int status = -1;
    EXPECT_TRUE(::waitpid(child, &status, 0) == child && status == 0 && !fs::exists(home / "files/ro"));

    TempDir empty;  // no trash at all
    LinuxSystem none(In(empty));
    EXPECT_TRUE(none.RecycleBinItems() == 0 && none.EmptyRecycleBin());
}

// Asked in the background (an answer counts from a later call): a hung desktop holds neither menu nor end.
TEST(LinuxX11, HidesAndShowsOnlyTheDesktopAndPanelsMinimizesAllAndNeverWaitsForAHeldServer) {
    XServer server;
    if (server.display().empty()) GTEST_SKIP() << "no Xvfb";
    Display* d = XOpenDisplay(server.display().c_str());
    ASSERT_NE(d, nullptr);
    TempDir dir;
    LinuxSystem::Options options = In(dir);
    options.display = server.display();
    auto sys = std::make_unique<LinuxSystem>(options);
    // Waiting on what is not there takes the whole limit; the private server answers well within it.
    const auto found = [&](bool ExtrasAvailability::*item, std::chrono::milliseconds limit = std::chrono::seconds(2)) {
        return Eventually([&] { return sys->AvailableExtras().*item; }, limit);
    };
    const auto setAtoms = [&](Window w, const char* property, const char* value) {
        const Atom a = XInternAtom(d, value, False);
        XChangeProperty(d, w, XInternAtom(d, property, False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&a), 1);
    };
    const auto make = [&](const char* type, Window parent = 0) {
        const Window w = XCreateSimpleWindow(d, parent ? parent : DefaultRootWindow(d), 0, 0, 50, 20, 0, 0, 0);
        if (type) setAtoms(w, "_NET_WM_WINDOW_TYPE", type);
        XMapWindow(d, w);
        XSync(d, False);
        return w;
    };
    // The program's own handling of X errors is as it was after each look.
    const auto mine = [](Display*, XErrorEvent*) { return 0; };
    XSetErrorHandler(mine);
    using E = ExtrasAvailability;
    for (auto item : {&E::desktopIcons, &E::taskbar, &E::minimizeAll}) EXPECT_FALSE(found(item, 300ms));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the last look is over
    EXPECT_EQ(XSetErrorHandler(nullptr), static_cast<XErrorHandler>(mine));

    const Window desktop = make("_NET_WM_WINDOW_TYPE_DESKTOP", make(nullptr, make(nullptr)));
    const Window top = make("_NET_WM_WINDOW_TYPE_DOCK"), framed = make("_NET_WM_WINDOW_TYPE_DOCK", make(nullptr));
    const Window normal = make("_NET_WM_WINDOW_TYPE_NORMAL"), plain = make(nullptr);
    XChangeProperty(d, DefaultRootWindow(d), XInternAtom(d, "_NET_CLIENT_LIST", False), XA_WINDOW, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&desktop), 1);
    XSync(d, False);
    const auto mapped = [&] {
        XSync(d, False);
        std::string m;
        for (Window w : {desktop, top, framed, normal, plain}) {
            XWindowAttributes a{};
            XGetWindowAttributes(d, w, &a);
            m += a.map_state != IsUnmapped ? '1' : '0';
        }
        return m;
    };
    const auto shows = [&](const char* want) { return Eventually([&] { return mapped() == want; }); };
    EXPECT_TRUE(found(&E::desktopIcons) && found(&E::taskbar));

    EXPECT_TRUE(sys->Desktop(DesktopAction::HideTaskbar) && shows("10011")) << mapped();
    sys->AvailableExtras();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(sys->AvailableExtras().taskbar);  // hidden panels are still found, to be shown again
    EXPECT_TRUE(sys->Desktop(DesktopAction::HideDesktopIcons) && shows("00011")) << mapped();

    // A fresh run finds them hidden and shows them again, also when it ends at once.
    {
        LinuxSystem later(options);
        EXPECT_TRUE(later.Desktop(DesktopAction::ShowTaskbar) && later.Desktop(DesktopAction::ShowDesktopIcons));
    }
    EXPECT_EQ(mapped(), "11111");

    // Play the window manager: offer the mode and listen for requests on the root window.
    setAtoms(DefaultRootWindow(d), "_NET_SUPPORTED", "_NET_SHOWING_DESKTOP");
    XSelectInput(d, DefaultRootWindow(d), SubstructureRedirectMask);
    XSync(d, False);
    EXPECT_TRUE(found(&ExtrasAvailability::minimizeAll));
    EXPECT_TRUE(sys->Desktop(DesktopAction::MinimizeAll));
    XEvent e{};
    XNextEvent(d, &e);
    EXPECT_EQ(std::tuple(e.type, e.xclient.message_type, e.xclient.data.l[0]),
              std::tuple(ClientMessage, XInternAtom(d, "_NET_SHOWING_DESKTOP", False), 1L));

    {  // A server going away takes down neither the program nor its end.
        XServer other;
        LinuxSystem::Options elsewhere = options;
        elsewhere.display = other.display();
        auto gone = std::make_unique<LinuxSystem>(elsewhere);
        gone->AvailableExtras();  // a look connects
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.Stop();
        gone->Desktop(DesktopAction::HideTaskbar);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_TRUE(EndsWithin(std::chrono::seconds(1), [&] { gone.reset(); }));
    }
    server.Pause(true);
    EXPECT_TRUE(EndsWithin(std::chrono::seconds(1), [&] {
        EXPECT_TRUE(sys->AvailableExtras().taskbar);  // the last answer stands
        EXPECT_TRUE(sys->Desktop(DesktopAction::HideTaskbar));
        sys.reset();
    }));
    server.Pause(false);
    XCloseDisplay(d);
    options.display = ":4242";  // where no server listens, nothing is offered
    LinuxSystem nowhere(options);
    EXPECT_FALSE(Eventually([&] { return nowhere.AvailableExtras().minimizeAll; }, std::chrono::milliseconds(300)));
}

TEST(LinuxDrives, RealFileSystemsGetLettersInMountOrderThatStayWhileTheProgramRuns) {
    TempDir dir;
    const std::string root = dir.str();
    for (const char* folder : {"mnt/my disk", "mnt/data", "home"}) fs::create_directories(dir / folder);
    const std::string table =
        MountLine(20, "/", "/proc", "proc", "proc") + MountLine(22, "/", "/", "overlay", "overlay") +
        MountLine(23, "/", root + "/mnt/my\\040disk", "vfat", "/dev/sdb1") +
        MountLine(24, "/", root + "/mnt/data", "nfs4", "server:/export") +
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

    // Unmounted: gone and not ready, though its folder stays. A new mount never takes a freed letter.
    WriteFile(dir / "proc/self/mountinfo", table.substr(0, table.find("23 1")) + table.substr(table.find("24 1")) +
                                                 MountLine(29, "/", root + "/new", "ext4", "/dev/sdc1"));
    EXPECT_EQ(sys.Drives(), (std::vector<std::string>{"c: /", "e: " + root + "/mnt/data", "f: " + root + "/home",
                                                       "g: " + root + "/sshfs", "h: " + root + "/new"}));
    EXPECT_FALSE(sys.DriveReady("d:\\") || sys.GetDiskFreeSpace("d:\\"));
}

// The mount table writes blanks, tabs, line breaks and backslashes in octal, udev's label links \xHH.
TEST(LinuxDrives, MountPointsLabelsAndWhichMountsAreDrives) {
    const std::pair<std::string, std::string> points[] = {
        {"/mnt/my\\040disk", "/mnt/my disk"}, {"/mnt/tab\\011x", "/mnt/tab\tx"}, {"/mnt/nl\\012", "/mnt/nl\n"},
        {"/mnt/back\\134slash", "/mnt/back\\slash"}, {"/mnt/\\400", "/mnt/\\400"}, {"/mnt/\\08", "/mnt/\\08"},
        {"/mnt/end\\04", "/mnt/end\\04"}, {"/a\\040b", "/a b"}};
    for (const auto& [raw, point] : points) {
        // The super-options after the source are not needed to name the drive.
        const auto m = linux_impl::ParseMountInfo("36 25  8:1 / " + raw + " rw - ext4 /dev/sda1\n");
        ASSERT_EQ(m.size(), 1u) << raw;
        EXPECT_EQ(m[0].point, point);
    }
    const std::pair<std::string, std::string> labels[] = {{"My\\x20Disk", "My Disk"}, {"end\\x2f", "end/"},
        {"cut\\x2", "cut\\x2"}, {"\\xzz", "\\xzz"}, {"plain", "plain"}};
    for (const auto& [raw, label] : labels) EXPECT_EQ(linux_impl::LabelUnescape(raw), label) << raw;
    // A device's label is the link that leads to it, however the device is named; hidden links are not labels.
    TempDir dir;
    for (const char* name : {"sdb1", "sdc1", "sdd1"}) WriteFile(dir / name, "");
    fs::create_directory(dir / "by-label");
    fs::create_symlink("../sdb1", dir / "by-label/My\\x20Stick");
    fs::create_symlink("../sdc1", dir / "by-label/.hidden");
    fs::create_symlink("../gone", dir / "by-label/Gone");
    fs::create_symlink("sdb1", dir / "alias");
    for (const auto& [device, label] : {std::pair{"sdb1", "My Stick"}, {"alias", "My Stick"}, {"sdc1", ""}, {"sdd1", ""}})
        EXPECT_EQ(linux_impl::LabelOf((dir / device).string(), (dir / "by-label").string()), label) << device;
    using linux_impl::MountEntry;
    const std::pair<MountEntry, std::string> mounts[] = {
        {{"/", "/a", "ext4", "/dev/sda1"}, "ext4"},        {{"/", "/a", "tmpfs", "tmpfs"}, ""},
        {{"/", "/a", "nfs4", "srv:/x"}, "nfs4"},           {{"/", "/a", "fuse.sshfs", "me@h:"}, "sshfs"},
        {{"/", "/a", "squashfs", "/dev/loop3"}, ""},       {{"/sub", "/a", "ext4", "/dev/sda1"}, ""},
        {{"/@home", "/a", "btrfs", "/dev/sda2"}, "btrfs"}, {{"/", "/a", "zfs", "pool/home"}, "zfs"},
        {{"/", "/a", "ext4", "/"}, ""},                    {{"/", "/a", "fuse.", "/dev/sdb1"}, "fuse."},
        {{"/", "/a", "fuseblk", "/dev/sdb1"}, "fuseblk"},  {{"/", "/a", "fuse.z", "/dev/fuse"}, "z"}};
    for (const auto& [m, name] : mounts)  // "": no drive
        EXPECT_EQ(linux_impl::IsDriveMount(m) ? linux_impl::FileSystemName(m) : "", name)
            << m.type << " " << m.root << " " << m.source;
}

// Letters run from d to z after "/" on c; a letter once given is never given again.
TEST(LinuxDrives, LettersEndAtZAndFreeSpaceIsWhatTheUserCanUse) {
    linux_impl::DriveLetters letters;
    std::vector<std::string> points;
    for (int i = 0; i < 25; ++i) points.push_back("/m/" + std::to_string(i));
    const auto assigned = letters.Assign(points);
    using Letters = std::vector<std::pair<char, std::string>>;
    ASSERT_EQ(assigned.size(), 24u);
    EXPECT_EQ((Letters{assigned[1], assigned.back()}), (Letters{{'d', "/m/0"}, {'z', "/m/22"}}));
    EXPECT_EQ(letters.PointOf('Z').value_or("none") + " " + letters.PointOf('c').value_or("none"), "/m/22 /");
    for (char none : {'a', 'b', '{', '@'}) EXPECT_EQ(letters.PointOf(none), std::nullopt) << none;
    EXPECT_EQ(letters.Assign({"/m/24", "/m/5"}), (Letters{{'c', "/"}, {'i', "/m/5"}}));
    // Free is what the user can use: the blocks kept for the administrator are not counted.
    struct statvfs vfs {};
    vfs.f_bsize = 1024, vfs.f_blocks = 1000, vfs.f_bfree = 300, vfs.f_bavail = 250;
    // File systems that give no fragment size count in blocks.
    for (const auto& [frsize, total, free] : {std::tuple{4096, 4096000ull, 1024000ull}, {0, 1024000ull, 256000ull}}) {
        vfs.f_frsize = frsize;
        EXPECT_EQ(linux_impl::SpaceOf(vfs).totalBytes, total) << frsize;
        EXPECT_EQ(linux_impl::SpaceOf(vfs).freeBytes, free) << frsize;
    }
}

TEST(LinuxDrives, AFileSystemThatHangsCostsOneBoundedWait) {
    std::promise<void> release;
    auto busy = std::make_shared<std::atomic<bool>>(false);
    const auto hang = [released = release.get_future().share()] {
        released.wait();
        return true;
    };
    EXPECT_FALSE(linux_impl::RunBounded<bool>(hang, std::chrono::milliseconds(20), busy));
    // Still hanging: the next call answers at once without another thread.
    EXPECT_FALSE(linux_impl::RunBounded<bool>([] { return true; }, std::chrono::hours(1), busy));
    release.set_value();
    while (busy->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(linux_impl::RunBounded<bool>([] { return true; }, std::chrono::hours(1), busy), true);
}

TEST(LinuxProcesses, TheSnapshotNamesEachProgramByItsFullPathInIdOrder) {
    TempDir dir;
    for (const char* pid : {"self", "12", "9", "3"}) fs::create_directories(dir / "proc" / pid);  // 12: a kernel thread
    fs::create_symlink("/usr/bin/Nine (deleted)", dir / "proc/9/exe");
    fs::create_symlink("/bin/three", dir / "proc/3/exe");
    // Executables that cannot be read: the best the system gives, or nothing for a kernel thread.
    for (const char* pid : {"20", "21", "22", "23"}) WriteFile(dir / "proc" / pid / "exe", "");
    WriteFile(dir / "proc/20/cmdline", std::string("/opt/app/run\0--flag\0", 20));
    WriteFile(dir / "proc/21/cmdline", std::string("sshd: me [priv]\0", 16));  // a title, not a path
    WriteFile(dir / "proc/21/comm", "sshd\n");
    WriteFile(dir / "proc/22/cmdline", "");
    fs::create_directories(dir / "proc/23/cmdline");  // cannot be read either
    LinuxSystem sys(In(dir));
    std::vector<std::pair<std::uint32_t, std::string>> got;
    for (const ProcessEntry& p : sys.ProcessSnapshot()) got.emplace_back(p.pid, p.exeFile);
    EXPECT_EQ(got, (std::vector<std::pair<std::uint32_t, std::string>>{
                       {3, "/bin/three"}, {9, "/usr/bin/Nine"}, {20, "/opt/app/run"}, {21, "sshd"}}));
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
