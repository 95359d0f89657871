// The stored settings as the program reads them at start-up and writes them at exit, and the
// start-up registration.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "app_fixture.h"

namespace {

using apptest::ProgramTest;
using tarnolux::Form5;

TEST_F(ProgramTest, FirstRunOnA128MBMachine) {
    Form5& f = Start();

    EXPECT_EQ(f.Text2(3).text(), "8");
    EXPECT_EQ(f.VScroll4->tag(), "8");
    EXPECT_EQ(f.LimitFreeMemoryMB, 8);
    EXPECT_EQ(f.Text2(4).text(), "21");
    EXPECT_EQ(f.VScroll5->tag(), "21");
    EXPECT_EQ(f.FreeUpMemoryMB, 21);
    EXPECT_EQ(f.Text4->text(), "10");
    EXPECT_EQ(f.VScroll9->tag(), "10");
    EXPECT_EQ(f.Text3->text(), "16");
    EXPECT_EQ(f.VScroll6->tag(), "16");
    EXPECT_EQ(f.Check3->value(), 0);
    EXPECT_EQ(f.Check7->value(), 1);
    EXPECT_EQ(f.Text2(7).text(), "25");
    EXPECT_EQ(f.VScroll10->tag(), "25");

    EXPECT_EQ(f.Check4(0).value(), 1);
    EXPECT_EQ(f.Check4(1).value(), 0);
    EXPECT_EQ(f.Check4(2).value(), 1);
    EXPECT_EQ(f.Check4(3).value(), 1);
    EXPECT_EQ(f.Text6->text(), "");
    EXPECT_TRUE(f.Text6->enabled());
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.left(), 480);
    EXPECT_EQ(f.top(), 480);
    EXPECT_FALSE(RunValue());

    f.Unload();
    const std::map<std::string, std::string> expected{
        {"StartonWindowsStartUp", "1"}, {"StartMinimized", "0"}, {"ShowPopUp", "1"},     {"PlaySound", "1"},
        {"SoundFile", ""},              {"Left", "480"},         {"Top", "480"},         {"Skin", "Default"},
        {"LimitFreeMemory", "8"},       {"FreeUpMemory", "21"},  {"EveryMinutes", "10"}, {"FreeUpEveryMinutes", "16"},
        {"EnableEveryMinutes", "0"},    {"DefragIfCPUless", "1"}, {"CPUlessValue", "25"}, {"Language", ""}};
    for (const auto& [key, value] : expected) EXPECT_EQ(Stored(key), value) << key;
    const platform::Registry::Key* section = sys.registry.Find(platform::HKEY_CURRENT_USER, apptest::kSection);
    ASSERT_NE(section, nullptr);
    EXPECT_EQ(section->values.size(), expected.size());

    const auto run = sys.RegValue(platform::HKEY_LOCAL_MACHINE, apptest::kRunKey, "Tarnolux ");
    ASSERT_TRUE(run);
    EXPECT_EQ(run->type, platform::REG_SZ);
    EXPECT_EQ(RunValue(), "/opt/tarnolux/tarnolux /Start Up");
}

TEST_F(ProgramTest, StoredValuesComeBackAsTheyWereLeft) {
    Store("LimitFreeMemory", "30");
    Store("FreeUpMemory", "40");
    Store("EveryMinutes", "5");
    Store("FreeUpEveryMinutes", "50");
    Store("EnableEveryMinutes", "1");
    Store("DefragIfCPUless", "0");
    Store("CPUlessValue", "60");
    Store("StartonWindowsStartUp", "0");
    Store("ShowPopUp", "0");
    Store("PlaySound", "0");
    Store("SoundFile", "/snd/done.wav");
    Store("Left", "1500");
    Store("Top", "2400");
    Form5& f = Start();

    EXPECT_EQ(f.LimitFreeMemoryMB, 30);
    EXPECT_EQ(f.FreeUpMemoryMB, 40);
    EXPECT_EQ(f.Text4->text(), "5");
    EXPECT_EQ(f.Text3->text(), "50");
    EXPECT_EQ(f.Check3->value(), 1);
    EXPECT_EQ(f.Check7->value(), 0);
    EXPECT_EQ(f.Text2(7).text(), "60");
    EXPECT_EQ(f.Check4(0).value(), 0);
    EXPECT_EQ(f.Check4(2).value(), 0);
    EXPECT_EQ(f.Check4(3).value(), 0);
    EXPECT_EQ(f.Text6->text(), "/snd/done.wav");
    // No sound: its file box and browse button wait until the option is checked again.
    EXPECT_FALSE(f.Text6->enabled());
    EXPECT_FALSE(f.Command2->enabled());
    f.Check4(3).userClick();
    EXPECT_TRUE(f.Text6->enabled());
    EXPECT_TRUE(f.Command2->enabled());
    f.Check4(3).userClick();
    EXPECT_FALSE(f.Command2->enabled());
    EXPECT_EQ(f.left(), 1500);
    EXPECT_EQ(f.top(), 2400);

    f.Unload();
    EXPECT_EQ(Stored("LimitFreeMemory"), "30");
    EXPECT_EQ(Stored("EnableEveryMinutes"), "1");
    EXPECT_EQ(Stored("DefragIfCPUless"), "0");
    EXPECT_EQ(Stored("SoundFile"), "/snd/done.wav");
    EXPECT_EQ(Stored("Top"), "2400");
}

TEST_F(ProgramTest, StoredNumbersRoundHalvesToEven) {
    Store("LimitFreeMemory", "12.5");
    Store("FreeUpMemory", "13.5");
    Form5& f = Start();
    EXPECT_EQ(f.Text2(3).text(), "12.5");  // the box keeps the stored text
    EXPECT_EQ(f.LimitFreeMemoryMB, 12);
    EXPECT_EQ(f.VScroll4->tag(), "12");
    EXPECT_EQ(f.FreeUpMemoryMB, 14);
}

TEST_F(ProgramTest, StoredGarbageFallsBackToTheDefaults) {
    Store("LimitFreeMemory", "");
    Store("FreeUpMemory", "lots");
    Store("EveryMinutes", "99999999999");
    Store("CPUlessValue", "0x19");
    Store("EnableEveryMinutes", "yes");
    Store("DefragIfCPUless", "7");
    Store("StartMinimized", "-");
    Store("Left", "far");
    Store("Top", "");
    Form5& f = Start();
    EXPECT_EQ(f.Text2(3).text(), "8");
    EXPECT_EQ(f.LimitFreeMemoryMB, 8);
    EXPECT_EQ(f.Text2(4).text(), "21");
    EXPECT_EQ(f.FreeUpMemoryMB, 21);
    EXPECT_EQ(f.Text4->text(), "10");
    EXPECT_EQ(f.VScroll9->tag(), "10");
    EXPECT_EQ(f.Text2(7).text(), "25");
    EXPECT_EQ(f.Check3->value(), 0);
    EXPECT_EQ(f.Check7->value(), 1);
    EXPECT_TRUE(f.visible());
    EXPECT_EQ(f.left(), 480);
    EXPECT_EQ(f.top(), 480);
}

TEST_F(ProgramTest, AWindowPositionOffTheScreenComesBack) {
    // The screen of the scripted host is 1024 x 768 pixels, 15 twips each.
    const struct { const char* left; const char* top; int wantLeft; int wantTop; } cases[] = {
        {"15360", "480", 480, 480},   // right of the screen
        {"480", "11520", 480, 480},   // below it
        {"-5970", "480", 480, 480},   // its right edge at the screen's left edge
        {"-5000", "-3000", -5000, -3000},  // partly visible: left alone
        {"15000", "11000", 15000, 11000},
        {"40000", "40000", 480, 480},  // beyond 16 bits, from a bigger screen
    };
    for (const auto& c : cases) {
        Store("Left", c.left);
        Store("Top", c.top);
        Form5& f = Start();
        EXPECT_EQ(f.left(), c.wantLeft) << c.left << "," << c.top;
        EXPECT_EQ(f.top(), c.wantTop) << c.left << "," << c.top;
        f.Unload();
    }
}

TEST_F(ProgramTest, StartMinimizedLivesInTheNotificationArea) {
    Store("StartMinimized", "1");
    Form5& f = Start();
    EXPECT_FALSE(f.visible());
    EXPECT_TRUE(f.loaded());
    EXPECT_TRUE(host.trayIconPresent);
    f.Unload();
    EXPECT_EQ(Stored("StartMinimized"), "1");

    // Without a notification area the window shows, or nothing could reach it.
    host.trayAvailable = false;
    EXPECT_TRUE(Start().visible());
}

TEST_F(ProgramTest, ClearingStartUpRemovesTheRegistration) {
    Form5& f = Start();
    f.Unload();
    ASSERT_TRUE(RunValue());

    Form5& g = Start();
    g.Check4(0).userClick();
    g.Unload();
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(Stored("StartonWindowsStartUp"), "0");

    // Exiting again with nothing to delete is harmless.
    Start().Unload();
    EXPECT_FALSE(RunValue());
    EXPECT_EQ(sys.registry.OpenHandles(), 0u);
}

TEST_F(ProgramTest, RegistrationCreatesAMissingRunList) {
    sys.registry.Root(platform::HKEY_LOCAL_MACHINE)->subkeys.clear();
    Start().Unload();
    EXPECT_EQ(RunValue(), "/opt/tarnolux/tarnolux /Start Up");
}

TEST_F(ProgramTest, ProgramInTheRootFolderRegistersWithoutADoubleSeparator) {
    sys.appPath = "/";
    Start().Unload();
    EXPECT_EQ(RunValue(), "/tarnolux /Start Up");
}

}  // namespace
