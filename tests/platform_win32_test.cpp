// The Windows System against the real system calls (registry roots redirected: win32_test_env.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "platform/win32/memory_claim.h"
#include "platform/win32/win32_system.h"
#include "settings/modules.h"
#include "support.h"

using namespace platform;
using testsupport::TempDir;
using tarnolux::Registry::GetStringValue;

namespace {

Win32System::Options In(const TempDir& dir) {
    Win32System::Options o;
    o.windowsDir = dir.str();
    o.instanceName = "TarnoluxTests." + dir.path().filename().string();
    return o;
}

TEST(Win32Registry, StartUpRegistrationGoesToTheUsersRunKey) {
    TempDir dir;
    Win32System sys(In(dir));
    const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    HKEY key = 0;
    ASSERT_EQ(sys.RegCreateKeyEx(HKEY_LOCAL_MACHINE, run + "\\", "", 0, KEY_ALL_ACCESS, key, nullptr), ERROR_SUCCESS);
    const char command[] = "C:\\Tarnolux\\tarnolux.exe /Start Up";
    ASSERT_EQ(sys.RegSetValueEx(key, "Tarnolux ", REG_SZ, reinterpret_cast<const std::uint8_t*>(command), sizeof command),
              ERROR_SUCCESS);
    EXPECT_EQ(sys.RegCloseKey(key), ERROR_SUCCESS);
    // Machine-wide needs an administrator; the user's key starts the program for this user alike.
    EXPECT_EQ(GetStringValue(sys, 0, HKEY_CURRENT_USER, run, "Tarnolux "), command);
    EXPECT_EQ(GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, run, "Tarnolux "), command);
    // Other machine keys stay where they are.
    ASSERT_EQ(sys.RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\TarnoluxMachine", "", 0, KEY_ALL_ACCESS, key, nullptr),
              ERROR_SUCCESS);
    sys.RegCloseKey(key);
    EXPECT_EQ(sys.RegOpenKey(HKEY_CURRENT_USER, "Software\\TarnoluxMachine", key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(sys.OpenHandles(), 0u);
}

TEST(Win32Shell, TheScreenSaverIsOfferedOnlyWhenOneIsChosen) {
    TempDir dir;
    Win32System sys(In(dir));
    // The private user key has no saver chosen, as after choosing "(None)": starting one would do nothing.
    EXPECT_FALSE(sys.AvailableExtras().screenSaver);
    HKEY key = 0;
    ASSERT_EQ(sys.RegCreateKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", "", 0, KEY_ALL_ACCESS, key, nullptr),
              ERROR_SUCCESS);
    const char none[] = "";
    sys.RegSetValueEx(key, "SCRNSAVE.EXE", REG_SZ, reinterpret_cast<const std::uint8_t*>(none), sizeof none);
    sys.RegCloseKey(key);
    EXPECT_FALSE(sys.AvailableExtras().screenSaver);
}

TEST(Win32Instance, MutexHeldForTheLifeOfItsHolder) {
    TempDir dir;
    auto first = std::make_unique<Win32System>(In(dir));
    Win32System second(In(dir));
    EXPECT_FALSE(first->PrevInstance());
    EXPECT_FALSE(first->PrevInstance());  // the holder asking again
    EXPECT_TRUE(second.PrevInstance());
    first.reset();
    EXPECT_FALSE(second.PrevInstance());
}

TEST(Win32Memory, ClaimWritesTheBlankPatternAndStopsWhenMemoryRunsShort) {
    auto block = win32_impl::ClaimMemory(3u << 20, [] { return std::optional<std::uint64_t>(64u << 20); }, 1u << 20);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->size(), 3u << 20);

    // What can be had shrinks while the block is written: the claim gives up and returns nothing.
    int asked = 0;
    const auto shrinking = [&asked] { return std::optional<std::uint64_t>(++asked == 1 ? (8u << 20) : (1u << 20)); };
    EXPECT_EQ(win32_impl::ClaimMemory(4u << 20, shrinking, 1u << 20), nullptr);
    EXPECT_GE(asked, 2);
    EXPECT_EQ(win32_impl::ClaimMemory(0, [] { return std::optional<std::uint64_t>(1u << 30); }), nullptr);
    EXPECT_EQ(win32_impl::ClaimMemory(1u << 20, [] { return std::optional<std::uint64_t>(); }), nullptr);

    // The reserve: 5 % of physical memory, at least 64 MiB.
    EXPECT_EQ(win32_impl::MemoryThatCanBeHad(100ull << 20, 1ull << 30), std::optional<std::uint64_t>(36ull << 20));
    EXPECT_EQ(win32_impl::MemoryThatCanBeHad(4ull << 30, 16ull << 30), std::optional<std::uint64_t>((4ull << 30) - (16ull << 30) / 20));
    EXPECT_EQ(win32_impl::MemoryThatCanBeHad(10ull << 20, 1ull << 30), std::optional<std::uint64_t>(0));
}

TEST(Win32System, FiguresOfTheRunningMachine) {
    TempDir dir;
    Win32System sys(In(dir));
    const MemoryStatus m = sys.GlobalMemoryStatus();
    EXPECT_GT(m.totalPhys, 0u);
    EXPECT_LE(m.availPhys, m.totalPhys);
    EXPECT_LE(m.availPageFile, m.totalPageFile);
    EXPECT_LE(m.availVirtual, m.totalVirtual);

    const std::vector<std::string> drives = sys.Drives();
    EXPECT_TRUE(std::find(drives.begin(), drives.end(), "c:") != drives.end());
    EXPECT_TRUE(sys.DriveReady("c:"));
    EXPECT_FALSE(sys.DriveReady("no drive"));
    const auto space = sys.GetDiskFreeSpace("c: system");
    ASSERT_TRUE(space);
    EXPECT_LE(space->freeBytes, space->totalBytes);
    EXPECT_EQ(sys.GetDiskFreeSpace("").has_value(), false);

    // This very process is in the snapshot, with the full path of its program.
    const std::string self = sys.AppExeFile();
    EXPECT_EQ(sys.AppExeName(), "tarnolux_tests");
    EXPECT_EQ(sys.AppPath() + "\\tarnolux_tests.exe", self);
    const auto list = sys.ProcessSnapshot();
    const bool found = std::any_of(list.begin(), list.end(), [&](const ProcessEntry& p) {
        return p.pid == sys.CurrentProcessId() && p.exeFile == self;
    });
    EXPECT_TRUE(found);
    EXPECT_FALSE(sys.TerminateProcess(0));
    EXPECT_EQ(sys.GetWindowsDirectory(), dir.str());
}

}  // namespace
