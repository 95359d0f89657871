// The Cache page: system.ini and the selected template read, the bars' units, the write-back at exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

using platform::HKEY_LOCAL_MACHINE;
const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const std::string kIni = "/windows/system.ini";

std::vector<std::uint8_t> Le(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
            static_cast<std::uint8_t>(v >> 24)};
}

struct CacheSettingsTest : apptest::ProgramTest {
    CacheSettingsTest() { sys.SetMemoryMB(64, 32, 128, 100, 1024, 900); }

    // Starts with `ini` as system.ini and the template `name` selected.
    tarnolux::Form5& StartWith(const std::string& ini, const std::string& name, std::uint32_t nameCache,
                               std::uint32_t pathCache) {
        sys.AddFile(kIni, ini);
        sys.SetRegString(HKEY_LOCAL_MACHINE, kTemplates, "", name);
        sys.SetRegBinary(HKEY_LOCAL_MACHINE, kTemplates + "\\" + name, "NameCache", Le(nameCache));
        sys.SetRegBinary(HKEY_LOCAL_MACHINE, kTemplates + "\\" + name, "PathCache", Le(pathCache));
        return Start();
    }
    // The five boxes, then their bars.
    static std::string Shown(tarnolux::Form5& f) {
        std::string out;
        for (int i : {0, 1, 2, 5, 6}) out += f.Text2(i).text() + " ";
        for (forms::Control* bar : {f.VScroll1, f.VScroll2, f.VScroll3, f.VScroll7, f.VScroll8})
            out += "|" + std::to_string(bar->value());
        return out;
    }
    // The program's template as written at exit: both values binary.
    void ExpectTemplate(std::uint32_t nameCache, std::uint32_t pathCache) {
        for (const auto& [name, value] : {std::pair{"NameCache", nameCache}, {"PathCache", pathCache}}) {
            const auto v = sys.RegValue(HKEY_LOCAL_MACHINE, kTemplates + "\\Tarnolux ", name);
            ASSERT_TRUE(v) << name;
            EXPECT_EQ(std::pair(v->type, v->data), std::pair(platform::REG_BINARY, Le(value))) << name;
        }
    }
};

TEST_F(CacheSettingsTest, WithoutAVcacheSectionTheDefaultsAreShownAndWrittenAtExit) {
    const std::string ini = "; tuned by hand\n[boot]\nshell=explorer.exe\n\n[386Enh]\nx=1\n";
    tarnolux::Form5& f = StartWith(ini, "Server", 677, 200);
    // NameCache 677 / 64 = 10; PathCache 200 / 16 = 12 lies beyond the bar and stands at its end.
    EXPECT_EQ(Shown(f) + " tag " + f.VScroll8->tag(), "1024 16384 512 677 200 |1|16|16|10|9 tag 9");

    f.Unload();
    EXPECT_EQ(sys.FileText(kIni), ini + "\n[vcache]\nminfilecache=1024\nmaxfilecache=16384\nchunksize=512\n");
    // The program's template is the selected one now and carries the values of the one before.
    EXPECT_EQ(sys.RegString(HKEY_LOCAL_MACHINE, kTemplates, ""), "Tarnolux ");
    EXPECT_EQ(sys.RegString(HKEY_LOCAL_MACHINE, kTemplates + "\\Tarnolux ", ""), "Tarnolux ");
    ExpectTemplate(677, 200);
}

TEST_F(CacheSettingsTest, EachBarStepsInItsOwnUnitFromTheValueRead) {
    tarnolux::Form5& f =
        StartWith("[VCache]\nMinFileCache=4096\nmaxfilecache=200000\nchunksize=100\n", "Tarnolux ", 677, 48);
    const std::string read = "4096 200000 100 677 48 |4|64|3|10|3";  // the maximum clamped to 64 MB
    EXPECT_EQ(Shown(f), read);

    f.VScroll1->setValue(3);   // up
    f.VScroll3->setValue(2);   // up
    f.VScroll7->setValue(11);  // down
    f.VScroll8->setValue(2);   // up
    f.VScroll2->setValue(63);  // up from the end: the step fails and the text is left alone
    EXPECT_EQ(Shown(f), "5120 200000 128 576 64 |5|63|4|9|4");

    // Showing the page again drops what was not written and puts the bars back without a step.
    f.Check1(4).userClick();
    EXPECT_EQ(Shown(f) + " tag " + f.VScroll1->tag(), read + " tag 4");
}

TEST_F(CacheSettingsTest, WhatIsNoNumberKeepsItsBarAndWritesTheValueRead) {
    tarnolux::Form5& f = StartWith("[vcache]\nminfilecache=lots\nmaxfilecache=8192\n", "Desktop", 0x01020304, 64);
    EXPECT_EQ(f.Text2(0).text() + "|" + std::to_string(f.VScroll1->value()) + "|" + f.VScroll1->tag(), "lots|0|");
    f.VScroll2->setValue(f.VScroll2->value() - 1);  // up: its own box takes the step
    EXPECT_EQ(f.Text2(0).text() + "|" + f.Text2(1).text(), "lots|9216");

    f.Text2(5).setText("big");
    f.Text2(6).setText("12.5");
    f.Text2(2).setText("");  // the three sizes are written as they stand, each on its own line
    f.Text2(1).setText("8192\n[boot]\nshell=other");
    f.Unload();
    ExpectTemplate(0x01020304, 64);
    EXPECT_EQ(sys.FileText(kIni), "[vcache]\nminfilecache=lots\nmaxfilecache=8192\nchunksize=\n");
}

}  // namespace
