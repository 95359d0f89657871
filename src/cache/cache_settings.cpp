// The Cache page: the disk cache's sizes in the vcache section of system.ini, and the file-name and
// folder caches of the selected file-system template in the registry. Read when the page is shown,
// written back once at exit.
#include <cmath>
#include <cstdint>
#include <optional>

#include "app/form5.h"
#include "common/convert.h"
#include "freeup/spin_bar.h"
#include "monitor/statistics.h"
#include "settings/modules.h"

namespace tarnolux {

namespace {

const std::string kTemplates = "Software\\Microsoft\\Windows\\CurrentVersion\\FS Templates";
const std::string kSection = "vcache";
// The program's own template; the name ends in a blank.
const std::string kTemplate = "Tarnolux ";

std::string SystemIni(platform::System& sys) { return General::GetWindowsDir(sys) + "system.ini"; }

// A value for one line of system.ini: a line break in it would write keys and sections of its own.
std::string OneLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

// A whole number of the 32-bit range, and nothing else: "12.5" or "1e3" is not one.
std::optional<std::int32_t> WholeNumber(const std::string& text) {
    const std::optional<double> v = ParseNumber(text);
    if (!v || std::floor(*v) != *v) return std::nullopt;
    return ToInt32(text);
}

// Puts a bar at `position` as read; the bar's change handler must not take it for a user's move.
// A position the bar refuses leaves it where it was, but its Tag still records the value read, so
// a later move from there fails instead of stepping from a stale value.
void Position(Form5& f, forms::Control& bar, std::int64_t position) {
    const std::int16_t guard = f.ScrollStepGuard;
    f.ScrollStepGuard = 1;
    if (position >= INT32_MIN && position <= INT32_MAX) bar.setValue(static_cast<int>(position));
    f.ScrollStepGuard = guard;
    bar.setTag(Dec(position));
}

// The bar position for a value read: value / unit, truncated, no further than the bar's Max.
// Nothing when the text is not a number (the bar then stays where it was).
std::optional<std::int64_t> PositionFor(const std::string& text, std::int64_t unit, const forms::Control& bar) {
    const std::optional<std::int32_t> v = ToInt32(text);
    if (!v) return std::nullopt;
    const std::int64_t position = *v / unit;
    return position > bar.max() ? bar.max() : position;
}

}  // namespace

void Form5::ReadCacheSettings() {
    platform::System& sys = P.sys;
    const std::string file = SystemIni(sys);
    const std::string minText = INI_Files::ReadIniString(sys, kSection, "minfilecache", "1024", file);
    const std::string maxText =
        INI_Files::ReadIniString(sys, kSection, "maxfilecache", Dec(FreeMemory::TotalPhysicalMemoryKB(sys) / 4), file);
    const std::string chunkText = INI_Files::ReadIniString(sys, kSection, "chunksize", "512", file);
    Text2(0).setText(minText);
    Text2(1).setText(maxText);
    Text2(2).setText(chunkText);

    if (const auto pos = PositionFor(minText, 1024, *VScroll1)) Position(*this, *VScroll1, *pos);
    if (const auto pos = PositionFor(maxText, 1024, *VScroll2)) Position(*this, *VScroll2, *pos);
    if (const auto pos = PositionFor(chunkText, 32, *VScroll3)) Position(*this, *VScroll3, *pos);

    const std::string selected = Registry::GetStringValue(sys, 0, platform::HKEY_LOCAL_MACHINE, kTemplates, "");
    const std::string key = kTemplates + "\\" + selected;
    NameCacheRead = Registry::GetDwordValue(sys, platform::HKEY_LOCAL_MACHINE, key, "NameCache");
    PathCacheRead = Registry::GetDwordValue(sys, platform::HKEY_LOCAL_MACHINE, key, "PathCache");
    Text2(5).setText(Dec(NameCacheRead));
    Text2(6).setText(Dec(PathCacheRead));
    if (const auto pos = PositionFor(Dec(NameCacheRead), 64, *VScroll7)) Position(*this, *VScroll7, *pos);
    if (const auto pos = PositionFor(Dec(PathCacheRead), 16, *VScroll8)) Position(*this, *VScroll8, *pos);
}

void Form5::WriteCacheSettings() {
    platform::System& sys = P.sys;
    const std::string file = SystemIni(sys);
    INI_Files::WriteIniString(sys, kSection, "minfilecache", OneLine(Text2(0).text()), file);
    INI_Files::WriteIniString(sys, kSection, "maxfilecache", OneLine(Text2(1).text()), file);
    INI_Files::WriteIniString(sys, kSection, "chunksize", OneLine(Text2(2).text()), file);

    // Where there are no templates yet (a fresh Linux machine), the selection would be lost.
    if (const platform::HKEY h = Registry::CreateKey(sys, platform::HKEY_LOCAL_MACHINE, kTemplates, ""))
        sys.RegCloseKey(h);
    Registry::SetStringValue(sys, 0, platform::HKEY_LOCAL_MACHINE, kTemplates, "", kTemplate);
    const std::string key = kTemplates + "\\" + kTemplate;
    // What the user typed there is no size at all: the value read stands.
    const std::int32_t name = WholeNumber(Text2(5).text()).value_or(NameCacheRead);
    const std::int32_t path = WholeNumber(Text2(6).text()).value_or(PathCacheRead);
    if (const platform::HKEY h = Registry::CreateKey(sys, platform::HKEY_LOCAL_MACHINE, key, "REG_BINARY"))
        sys.RegCloseKey(h);
    Registry::SetBinaryValue(sys, 0, platform::HKEY_LOCAL_MACHINE, key, "NameCache", name);
    Registry::SetBinaryValue(sys, 0, platform::HKEY_LOCAL_MACHINE, key, "PathCache", path);
    Registry::SetStringValue(sys, 0, platform::HKEY_LOCAL_MACHINE, key, "", kTemplate);
}

void Form5::VScroll1_Change() { SpinBarChange(*this, *VScroll1, Text2(0), {}, 1024); }
void Form5::VScroll2_Change() { SpinBarChange(*this, *VScroll2, Text2(1), {}, 1024); }
void Form5::VScroll3_Change() { SpinBarChange(*this, *VScroll3, Text2(2), {}, 32); }
void Form5::VScroll7_Change() { SpinBarChange(*this, *VScroll7, Text2(5), {}, 64); }
void Form5::VScroll8_Change() { SpinBarChange(*this, *VScroll8, Text2(6), {}, 16); }

}  // namespace tarnolux
