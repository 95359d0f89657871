// The Linux desktop extras for real, on things the tests make themselves: the trash on temporary
// folders laid out as the freedesktop Trash standard describes, and desktop and panel windows
// on a private Xvfb display.
#include <gtest/gtest.h>
// After gtest: Xlib's None and Bool macros would break its headers.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "linux_options.h"

using namespace platform;
namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::In;
using testsupport::TempDir;
using testsupport::WriteFile;

namespace {

// One trashed item with its record.
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
    Trash(home, "folder", "");
    fs::remove(home / "files/folder");
    WriteFile(home / "files/folder/deep/b.txt", "b");
    fs::permissions(home / "files/folder/deep", fs::perms::owner_read | fs::perms::owner_exec);  // read-only
    fs::create_symlink(outside, home / "files/link");  // an item that is a link: removed, not followed
    WriteFile(home / "info/gone.txt.trashinfo", "[Trash Info]\n");  // a record without its item
    WriteFile(home / "directorysizes", "1 2 folder\n");

    // A mount with both per-user trash folders: the shared sticky ".Trash/$uid" and ".Trash-$uid".
    Trash(usb / ".Trash" / uid, "photo.jpg", "p");
    fs::permissions(usb / ".Trash", fs::perms::sticky_bit, fs::perm_options::add);
    Trash(usb / (".Trash-" + uid), "song.ogg", "s");
    WriteFile(usb / "kept.txt", "not in the trash");

    // A mount whose ".Trash" lacks the sticky bit and whose ".Trash-$uid" is a link: neither is used.
    Trash(disk / ".Trash" / uid, "untrusted.txt", "u");
    Trash(outside / "elsewhere", "not-a-trash.txt", "n");
    fs::create_symlink(outside / "elsewhere", disk / (".Trash-" + uid));

    WriteFile(dir / "proc/self/mountinfo", "20 1 0:5 / /proc rw - proc proc rw\n21 1 8:17 / " + usb.string() +
                                               " rw - vfat /dev/sdb1 rw\n22 1 8:33 / " + disk.string() +
                                               " rw - ext4 /dev/sdc1 rw\n");
    {
        LinuxSystem sys(In(dir));
        EXPECT_EQ(sys.RecycleBinItems(), 5u);  // a.txt, folder, link; photo.jpg; song.ogg
        EXPECT_TRUE(sys.AvailableExtras().recycleBin);
        EXPECT_TRUE(sys.EmptyRecycleBin());
    }  // the System waits for the worker as it ends
    for (const fs::path& t : {home, usb / ".Trash" / uid, usb / (".Trash-" + uid)}) {
        EXPECT_TRUE(fs::is_empty(t / "files")) << t;
        EXPECT_TRUE(fs::is_empty(t / "info")) << t;
    }
    EXPECT_FALSE(fs::exists(home / "directorysizes"));
    EXPECT_EQ(ReadFile(outside / "precious.txt"), "keep");
    EXPECT_TRUE(fs::exists(outside / "elsewhere/files/not-a-trash.txt"));
    EXPECT_TRUE(fs::exists(disk / ".Trash" / uid / "files/untrusted.txt"));
    EXPECT_EQ(ReadFile(usb / "kept.txt"), "not in the trash");

    TempDir empty;  // no trash at all
    LinuxSystem none(In(empty));
    EXPECT_EQ(none.RecycleBinItems(), 0u);
    EXPECT_TRUE(none.EmptyRecycleBin());
}

// ---- X11 ----------------------------------------------------------------------------------------

struct LinuxX11Test : ::testing::Test {
    testsupport::XServer server;
    Display* d = nullptr;
    void SetUp() override {
        if (server.display().empty()) GTEST_SKIP() << "no Xvfb";
        d = XOpenDisplay(server.display().c_str());
        ASSERT_NE(d, nullptr);
    }
    void TearDown() override {
        if (d) XCloseDisplay(d);
    }
    void SetAtoms(Window w, const char* property, const char* value) {
        const Atom a = XInternAtom(d, value, False);
        XChangeProperty(d, w, XInternAtom(d, property, False), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&a), 1);
    }
    Window Make(const char* type) {
        const Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 50, 20, 0, 0, 0);
        if (type) SetAtoms(w, "_NET_WM_WINDOW_TYPE", type);
        XMapWindow(d, w);
        XSync(d, False);
        return w;
    }
    bool Mapped(Window w) {
        XSync(d, False);
        XWindowAttributes a{};
        XGetWindowAttributes(d, w, &a);
        return a.map_state != IsUnmapped;
    }
    LinuxSystem::Options Options(const TempDir& dir) {
        LinuxSystem::Options o = In(dir);
        o.display = server.display();
        return o;
    }
};

TEST_F(LinuxX11Test, HidesAndShowsOnlyTheDesktopAndPanelWindows) {
    TempDir dir;
    LinuxSystem sys(Options(dir));
    ExtrasAvailability a = sys.AvailableExtras();
    EXPECT_FALSE(a.desktopIcons);
    EXPECT_FALSE(a.taskbar);
    EXPECT_FALSE(a.startButton);
    EXPECT_FALSE(sys.Desktop(DesktopAction::HideTaskbar));  // nothing to hide

    const Window desktop = Make("_NET_WM_WINDOW_TYPE_DESKTOP");
    const Window top = Make("_NET_WM_WINDOW_TYPE_DOCK"), bottom = Make("_NET_WM_WINDOW_TYPE_DOCK");
    const Window normal = Make("_NET_WM_WINDOW_TYPE_NORMAL"), plain = Make(nullptr);
    a = sys.AvailableExtras();
    EXPECT_TRUE(a.desktopIcons);
    EXPECT_TRUE(a.taskbar);

    EXPECT_TRUE(sys.Desktop(DesktopAction::HideTaskbar));
    EXPECT_FALSE(Mapped(top));
    EXPECT_FALSE(Mapped(bottom));
    EXPECT_TRUE(Mapped(desktop));
    EXPECT_TRUE(sys.AvailableExtras().taskbar);  // hidden panels are still found, to be shown again

    EXPECT_TRUE(sys.Desktop(DesktopAction::HideDesktopIcons));
    EXPECT_FALSE(Mapped(desktop));
    EXPECT_TRUE(Mapped(normal));
    EXPECT_TRUE(Mapped(plain));

    // A fresh run finds them hidden and shows them again.
    LinuxSystem later(Options(dir));
    EXPECT_TRUE(later.Desktop(DesktopAction::ShowTaskbar));
    EXPECT_TRUE(later.Desktop(DesktopAction::ShowDesktopIcons));
    EXPECT_TRUE(Mapped(top));
    EXPECT_TRUE(Mapped(bottom));
    EXPECT_TRUE(Mapped(desktop));
}

TEST_F(LinuxX11Test, MinimizeAllAsksTheWindowManagerToShowTheDesktop) {
    TempDir dir;
    LinuxSystem sys(Options(dir));
    EXPECT_FALSE(sys.AvailableExtras().minimizeAll);  // no window manager offers it yet
    // Play the window manager: offer the mode and listen for requests on the root window.
    const Window root = DefaultRootWindow(d);
    SetAtoms(root, "_NET_SUPPORTED", "_NET_SHOWING_DESKTOP");
    XSelectInput(d, root, SubstructureRedirectMask);
    XSync(d, False);
    EXPECT_TRUE(sys.AvailableExtras().minimizeAll);
    EXPECT_TRUE(sys.Desktop(DesktopAction::MinimizeAll));
    XEvent e{};
    XNextEvent(d, &e);  // sent and flushed before Desktop returned
    EXPECT_EQ(e.type, ClientMessage);
    EXPECT_EQ(e.xclient.message_type, XInternAtom(d, "_NET_SHOWING_DESKTOP", False));
    EXPECT_EQ(e.xclient.data.l[0], 1);
}

}  // namespace
