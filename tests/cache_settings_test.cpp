// The Cache page: values read from system.ini and the selected file-system template, the bars in
// their coarser units, and the write-back at exit under the program's own template.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app_fixture.h"

namespace {

using platform::HKEY_LOCAL_MACHINE;
const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const std::string kIni = "/windows/system.ini";

std::vector<std::uint8_t> Le(std::uint32_t v) {
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

struct CacheSettingsTest : apptest::ProgramTest {
    CacheSettingsTest() { sys.SetMemoryMB(64, 32, 128, 100, 1024, 900); }

    void SelectTemplate(const std::string& name, std::uint32_t nameCache, std::uint32_t pathCache) {
        sys.SetRegString(HKEY_LOCAL_MACHINE, kTemplates, "", name);
        sys.SetRegBinary(HKEY_LOCAL_MACHINE, kTemplates + "\\" + name, "NameCache", Le(nameCache));
        sys.SetRegBinary(HKEY_LOCAL_MACHINE, kTemplates + "\\" + name, "PathCache", Le(pathCache));
    }
    std::vector<std::string> Texts(tarnolux::Form5& f) {
        return {f.Text2(0).text(), f.Text2(1).text(), f.Text2(2).text(), f.Text2(5).text(), f.Text2(6).text()};
    }
    std::vector<int> Bars(tarnolux::Form5& f) {
        return {f.VScroll1->value(), f.VScroll2->value(), f.VScroll3->value(), f.VScroll7->value(), f.VScroll8->value()};
    }
    std::optional<std::vector<std::uint8_t>> Binary(const std::string& name) {
        const auto v = sys.RegValue(HKEY_LOCAL_MACHINE, kTemplates + "\\Tarnolux ", name);
        if (!v) return std::nullopt;
        EXPECT_EQ(v->type, platform::REG_BINARY);
        return v->data;
    }
};

TEST_F(CacheSettingsTest, WithoutAVcacheSectionTheDefaultsAreShownAndWrittenAtExit) {
    sys.AddFile(kIni, "; tuned by hand\n[boot]\nshell=explorer.exe\n\n[386Enh]\nx=1\n");
    SelectTemplate("Server", 677, 200);
    tarnolux::Form5& f = Start();
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"1024", "16384", "512", "677", "200"}));
    // NameCache 677 / 64 = 10; PathCache 200 / 16 = 12 lies beyond the bar and stands at its end.
    EXPECT_EQ(Bars(f), (std::vector<int>{1, 16, 16, 10, 9}));
    EXPECT_EQ(f.VScroll8->tag(), "9");

    f.Unload();
    EXPECT_EQ(sys.FileText(kIni),
              "; tuned by hand\n[boot]\nshell=explorer.exe\n\n[386Enh]\nx=1\n\n"
              "[vcache]\nminfilecache=1024\nmaxfilecache=16384\nchunksize=512\n");
    // The program's template is the selected one now and carries the values of the one before.
    EXPECT_EQ(sys.RegString(HKEY_LOCAL_MACHINE, kTemplates, ""), "Tarnolux ");
    EXPECT_EQ(sys.RegString(HKEY_LOCAL_MACHINE, kTemplates + "\\Tarnolux ", ""), "Tarnolux ");
    EXPECT_EQ(Binary("NameCache"), Le(677));
    EXPECT_EQ(Binary("PathCache"), Le(200));
}

TEST_F(CacheSettingsTest, EachBarStepsInItsOwnUnitFromTheValueRead) {
    sys.AddFile(kIni, "[VCache]\nMinFileCache=4096\nmaxfilecache=200000\nchunksize=100\n");
    SelectTemplate("Tarnolux ", 677, 48);
    tarnolux::Form5& f = Start();
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"4096", "200000", "100", "677", "48"}));
    EXPECT_EQ(Bars(f), (std::vector<int>{4, 64, 3, 10, 3}));  // the maximum clamped to 64 MB

    f.VScroll1->setValue(3);  // up
    f.VScroll3->setValue(2);  // up
    f.VScroll7->setValue(11);  // down
    f.VScroll8->setValue(2);  // up
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"5120", "200000", "128", "576", "64"}));
    // The step up from the end of VScroll2 fails: the text is left alone.
    f.VScroll2->setValue(63);
    EXPECT_EQ(f.Text2(1).text(), "200000");

    // Showing the page again drops what was not written and puts the bars back without a step.
    f.Check1(4).userClick();
    EXPECT_EQ(Texts(f), (std::vector<std::string>{"4096", "200000", "100", "677", "48"}));
    EXPECT_EQ(Bars(f), (std::vector<int>{4, 64, 3, 10, 3}));
    EXPECT_EQ(f.VScroll1->tag(), "4");
}

TEST_F(CacheSettingsTest, WhatIsNoNumberKeepsItsBarAndWritesTheValueRead) {
    sys.AddFile(kIni, "[vcache]\nminfilecache=lots\nmaxfilecache=8192\n");
    SelectTemplate("Desktop", 1024, 64);
    tarnolux::Form5& f = Start();
    EXPECT_EQ(f.Text2(0).text(), "lots");
    EXPECT_EQ(f.VScroll1->value(), 0);  // where it stood
    EXPECT_EQ(f.VScroll1->tag(), "");

    f.Text2(5).setText("big");
    f.Text2(6).setText("12.5");
    f.Text2(2).setText("");  // the three sizes are written as they stand, each on its own line
    f.Text2(1).setText("8192\n[boot]\nshell=other");
    f.Unload();
    EXPECT_EQ(Binary("NameCache"), Le(1024));
    EXPECT_EQ(Binary("PathCache"), Le(64));
    EXPECT_EQ(sys.FileText(kIni), "[vcache]\nminfilecache=lots\nmaxfilecache=8192\nchunksize=\n");
}

}  // namespace
