// The stored settings read at start-up and written at exit, the start-up registration, and their helpers.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "app_fixture.h"
#include "common/convert.h"
#include "settings/modules.h"
#include "support.h"
#if defined(TARNOLUX_LINUX)
#include "linux_options.h"
#include "platform/linux/files.h"
#endif

namespace {

using apptest::ProgramTest;
using tarnolux::Form5;

TEST_F(ProgramTest, FirstRunOnA128MBMachine) {
    Start().Unload();
    const std::map<std::string, std::string> expected{
        {"StartonWindowsStartUp", "1"}, {"StartMinimized", "0"}, {"ShowPopUp", "1"},     {"PlaySound", "1"},
        {"SoundFile", ""},              {"Left", "480"},         {"Top", "480"},         {"Skin", "Default"},
        {"LimitFreeMemory", "8"},       {"FreeUpMemory", "21"},  {"EveryMinutes", "10"}, {"FreeUpEveryMinutes", "16"},
        {"EnableEveryMinutes", "0"},    {"DefragIfCPUless", "1"}, {"CPUlessValue", "25"}, {"Language", ""}};
    for (const auto& [key, value] : expected) EXPECT_EQ(Stored(key), value) << key;
    EXPECT_EQ(sys.registry.Find(platform::HKEY_CURRENT_USER, apptest::kSection)->values.size(), expected.size());
    EXPECT_EQ(RunValue(), "\"/opt/tarnolux/tarnolux\" /Start Up");
}

TEST_F(ProgramTest, StoredNumbersRoundOrFallBackToTheirDefaults) {
    Store({{"LimitFreeMemory", "12.5"}, {"FreeUpMemory", "13.5"}, {"EveryMinutes", "99999999999"}, {"FreeUpEveryMinutes", ""},
           {"CPUlessValue", "0x19"}, {"EnableEveryMinutes", "yes"}, {"DefragIfCPUless", "7"}, {"StartMinimized", "-"}});
    Form5& f = Start();
    // The limit box keeps the stored text; halves round to even; beyond the bar's end is its end.
    EXPECT_EQ(f.Text2(3).text() + " " + f.VScroll4->tag(), "12.5 12");
    EXPECT_EQ(std::pair(f.LimitFreeMemoryMB, f.FreeUpMemoryMB), std::pair(12, 14));
    EXPECT_EQ(f.Text4->text() + " " + f.Text3->text() + " " + f.Text2(7).text(), "60 16 25");
    EXPECT_EQ(std::pair(f.Check3->value(), f.Check7->value()), std::pair(0, 1));
}

// Numbers beyond the bars (0 to 129 on this machine, the threshold 1 to 99) are clamped so the bars still step.
TEST_F(ProgramTest, StoredSwitchesSetUpTheirRowsAndNumbersBeyondTheBarsAreClamped) {
    const std::map<std::string, std::string> switches{{"EnableEveryMinutes", "1"}, {"DefragIfCPUless", "0"},
                                                      {"StartMinimized", "1"}};
    Store(switches);
    Store({{"LimitFreeMemory", "5000"}, {"FreeUpMemory", "-99999999999999999999"}, {"CPUlessValue", "1-2"},
           {"EveryMinutes", "1e1"}});
    Form5& f = Start();
    EXPECT_EQ((std::vector<bool>{f.visible(), host.trayIconPresent, f.Text3->enabled(), f.Text4->enabled(),
                                 f.Check7->value() == 1, f.Text2(7).enabled()}),
              (std::vector<bool>{false, true, true, true, false, false}));
    EXPECT_EQ(host.DueIn(*f.Timer5), 65535);
    EXPECT_EQ(f.Text2(3).text() + " " + f.Text2(4).text() + " " + f.Text2(7).text() + " " + f.Text4->text(),
              "129 0 25 1e1");
    EXPECT_EQ(std::tuple(f.VScroll4->value(), f.LimitFreeMemoryMB, f.FreeUpMemoryMB, f.VScroll9->tag()),
              std::tuple(129, 129, 0, "10"));

    // The bar answers the user again: the down arrow from the top steps to 128.
    f.VScroll4->setValue(128);  // up arrow: already at the top
    f.VScroll4->setValue(129);  // down arrow
    EXPECT_EQ(std::pair(f.Text2(3).text(), f.LimitFreeMemoryMB), std::pair(std::string("128"), 128));
    f.Unload();
    for (const auto& [key, value] : switches) EXPECT_EQ(Stored(key), value) << key;
    EXPECT_EQ(Stored("LimitFreeMemory").value_or("") + " " + Stored("FreeUpMemory").value_or(""), "128 0");
}

// A window no part of which is on a screen opens at 480, 480.
TEST_F(ProgramTest, AStoredPositionOffEveryScreenComesBack) {
    const std::vector<host::ScreenRect> one, three = {{0, 0, 1024 * 15, 768 * 15},
                                                      {1024 * 15, 0, 1280 * 15, 1024 * 15},
                                                      {-800 * 15, 300 * 15, 800 * 15, 600 * 15}};
    const std::tuple<std::vector<host::ScreenRect>, const char*, const char*, int, int> cases[] = {
        {one, "1500", "2400", 1500, 2400},      {one, "15360", "480", 480, 480},   {one, "480", "11520", 480, 480},
        {one, "-5970", "480", 480, 480},        {one, "-5000", "-3000", -5000, -3000}, {one, "40000", "40000", 480, 480},
        {one, "far", "", 480, 480},             {one, "480", "-3120", 480, 480},  // its bottom on the screen's top edge
        {three, "18000", "13500", 18000, 13500},  // on the larger right-hand monitor, below the primary's bottom
        {three, "-9000", "6000", -9000, 6000},    // on the left-hand one
        {three, "-9000", "2000", -9000, 2000},    // partly above it
        {three, "-9000", "-6000", 480, 480},      // above it, on none
        {three, "34560", "480", 480, 480},        // beyond the right-hand monitor
        {three, "480", "15360", 480, 480},        // below everything
    };
    for (const auto& [screens, left, top, wantLeft, wantTop] : cases) {
        host.screens = screens;
        Store({{"Left", left}, {"Top", top}});
        Form5& f = Start();
        EXPECT_EQ(std::pair(f.left(), f.top()), std::pair(wantLeft, wantTop)) << left << "," << top;
        f.Unload();
    }
}

// The command quotes the program's path: unquoted, "C:\Program Files\..." starts C:\Program.
TEST_F(ProgramTest, StartUpRegistrationFollowsTheOption) {
    sys.registry.Root(platform::HKEY_LOCAL_MACHINE)->subkeys.clear();  // a fresh store
    // The folder as a system may give it, ending in its separator.
    std::tie(sys.appPath, sys.exeSuffix, sys.pathSeparator) = std::tuple("C:\\Program Files\\Tarnolux\\", ".exe", '\\');
    Start().Unload();
    EXPECT_EQ(RunValue(), "\"C:\\Program Files\\Tarnolux\\tarnolux.exe\" /Start Up");

    Form5& f = Start();
    f.Check4(0).userClick();
    f.Unload();
    EXPECT_TRUE(!RunValue() && sys.registry.OpenHandles() == 0);
}

// An end while start-up waits in a message box saves nothing that was never loaded.
TEST_F(ProgramTest, AnEndDuringAStartUpMessageBoxKeepsTheStoredSettings) {
    sys.AddFile("/opt/tarnolux/Language/english.ini", std::string("\x7f" "ELF\0\0", 6));
    const std::map<std::string, std::string> stored{
        {"StartonWindowsStartUp", "1"}, {"StartMinimized", "0"}, {"ShowPopUp", "0"},      {"PlaySound", "0"},
        {"SoundFile", "/snd/a.wav"},    {"Left", "1500"},        {"Top", "900"},          {"Skin", "blue"},
        {"LimitFreeMemory", "12"},      {"FreeUpMemory", "40"},  {"EveryMinutes", "5"},   {"FreeUpEveryMinutes", "30"},
        {"EnableEveryMinutes", "1"},    {"DefragIfCPUless", "0"}, {"CPUlessValue", "60"}, {"Language", "english"}};
    Store(stored);
    const auto endAtTheBox = [this] {
        host.onMsgBox = [this](const host::ScriptedHost::MsgBoxCall&) {
            host.onMsgBox = nullptr;
            host.EndSession();  // SIGTERM, SIGINT, SIGHUP or a logout
        };
        Start();
    };
    endAtTheBox();
    ASSERT_EQ(host.msgBoxes.size(), 1u);
    EXPECT_FALSE(form().loaded() || host.trayIconPresent || host.Running(*form().Timer1));  // it went no further
    for (const auto& [key, value] : stored) EXPECT_EQ(Stored(key), value) << key;
    EXPECT_EQ(RunValue(), "\"/opt/tarnolux/tarnolux\" /Start Up");

    // The registration is put right even then: the box stored cleared removes it.
    Store("StartonWindowsStartUp", "0");
    endAtTheBox();
    EXPECT_FALSE(RunValue());
}

#if defined(TARNOLUX_LINUX)
// On the real store: each file once, with one flush of it and of its folder.
TEST(ExitWrites, EachFileOnceAndNothingWhenNothingChanged) {
    testsupport::TempDir dir;
    platform::LinuxSystem sys(testsupport::In(dir));
    const auto start = platform::linux_impl::FileWrites();
    apptest::RunOnce(sys);
    const auto first = platform::linux_impl::FileWrites();
    // The settings hive, the machine hive, system.ini and the autostart entry.
    EXPECT_EQ(std::pair(first.files - start.files, first.fsyncs - start.fsyncs), std::pair(4ul, 8ul));
    apptest::RunOnce(sys);
    EXPECT_EQ(std::pair(platform::linux_impl::FileWrites().files, platform::linux_impl::FileWrites().fsyncs),
              std::pair(first.files, first.fsyncs));
}

// Whatever the machine hive held (nothing, no run list, an earlier version's unquoted registration).
TEST(StartUpEntry, AgreesWithTheBoxAfterEveryExit) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::optional<std::string> hives[] = {
        std::nullopt, "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software]\n",
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + apptest::kRunKey + "]\n\"Tarnolux \"=\"" + self + " /Start Up\"\n"};
    for (const auto& hive : hives) {
        for (const std::string box : {"0", "1"}) {
            SCOPED_TRACE(hive.value_or("no machine hive") + " box " + box);
            testsupport::TempDir dir;
            testsupport::WriteFile(dir / "config/tarnolux/HKEY_CURRENT_USER.reg",
                                   "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + apptest::kSection +
                                       "]\n\"StartonWindowsStartUp\"=\"" + box + "\"\n");
            if (hive) testsupport::WriteFile(dir / "config/tarnolux/HKEY_LOCAL_MACHINE.reg", *hive);
            const auto entry = dir / "config/autostart/tarnolux.desktop";
            testsupport::WriteFile(entry, "[Desktop Entry]\nExec=" + self + "\n");
            platform::LinuxSystem sys(testsupport::In(dir));
            apptest::RunOnce(sys);
            const std::string text = std::filesystem::exists(entry) ? testsupport::ReadFile(entry) : "";
            EXPECT_EQ(text.find(" \"/Start Up\"\n") != std::string::npos, box == "1");
        }
    }
}
#endif

using namespace tarnolux;

// Another type, or a text too long for the 256-byte buffer, is not read as a text; what is not there reads as 0.
TEST(RegistryHelpers, OnlyAStringThatFitsReadsAsText) {
    using platform::HKEY_LOCAL_MACHINE;
    platform::FakeSystem sys;
    const std::string key = "Software\\Test";
    sys.SetRegDword(HKEY_LOCAL_MACHINE, key, "Dword", 7);
    sys.SetRegString(HKEY_LOCAL_MACHINE, key, "Long", std::string(300, 'x'));
    for (const char* name : {"Dword", "Missing", "Long"})
        EXPECT_EQ(Registry::GetStringValue(sys, 0, HKEY_LOCAL_MACHINE, key, name), "") << name;
    EXPECT_EQ(Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, key, "Missing") +
                  Registry::GetDwordValue(sys, HKEY_LOCAL_MACHINE, "Software\\None", "D"), 0);
}

TEST(Numbers, OnlyAWholeTextIsANumber) {
    for (const auto& [text, value] : {std::pair{" 12 ", 12}, {"+7", 7}, {"12.5", 12}, {"13.5", 14}, {"-2.5", -2}})
        EXPECT_EQ(ToInt32(text), value) << text;
    for (const char* junk : {"1-2", "1+", "+-1", "--1", "1..2", "1e", "e1", "0x19", "1 2", "", " ", "nan", "inf"})
        EXPECT_FALSE(ParseNumber(junk)) << junk;
    // Read in 64 bits; beyond them, the nearest end.
    EXPECT_EQ(ToInt64Clamped("99999999999"), 99999999999);
    EXPECT_EQ(ToInt64Clamped("9223372036854775808"), std::numeric_limits<std::int64_t>::max());  // one past
    EXPECT_EQ(ToInt64Clamped("-1e30"), std::numeric_limits<std::int64_t>::min());
    EXPECT_FALSE(ToInt32("99999999999"));
}

// A Qt program takes the desktop's locale, where a German desktop writes "12,5"; stored numbers must not.
TEST(Numbers, ReadAndShownTheSameInEveryLocale) {
    struct Restore {
        std::string previous = std::setlocale(LC_ALL, nullptr);
        ~Restore() { std::setlocale(LC_ALL, previous.c_str()); }
    } restore;
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed";
    EXPECT_TRUE(ParseNumber("12.5") == 12.5 && ToInt32("12.5") == 12 && !ParseNumber("12,5"));
    EXPECT_EQ(FormatFixed2(3) + " " + FormatFixed2(1234.567) + " " + FormatFixed2(0.125), "3.00 1234.57 0.12");  // to even
    EXPECT_EQ(Dec(-1234567), "-1234567");
}

}  // namespace
