// The stored settings of the Options and Free Memory pages, the window position and the start-up
// registration.
#include <algorithm>
#include <limits>
#include <optional>

#include "app/form5.h"
#include "common/convert.h"
#include "host/host_rules.h"
#include "settings/modules.h"

namespace tarnolux {

namespace {

const std::string kApp = "TALVO";
const std::string kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Get(Program& p, const std::string& key, const std::string& defaultValue) {
    return Settings::GetSetting(p.sys, kApp, kAppTitle, key, defaultValue);
}
void Save(Program& p, const std::string& key, const std::string& value) {
    Settings::SaveSetting(p.sys, kApp, kAppTitle, key, value);
}

// A stored number with its text. What does not convert (empty, letters) gives the default, text
// and all, so the page and the program agree on the value in use. A number is read in 64 bits and
// clamped to lo..hi, what the control can show; a clamped number shows as the value it became.
struct Stored {
    std::string text;
    std::int32_t value;
};
Stored GetNumber(Program& p, const std::string& key, std::int32_t defaultValue,
                 std::int64_t lo = std::numeric_limits<std::int32_t>::min(),
                 std::int64_t hi = std::numeric_limits<std::int32_t>::max()) {
    Stored s{Get(p, key, Dec(defaultValue)), defaultValue};
    const std::optional<std::int64_t> v = ToInt64Clamped(s.text);
    if (!v) {
        s.text = Dec(defaultValue);
        return s;
    }
    const std::int64_t clamped = std::clamp(*v, lo, hi);
    s.value = static_cast<std::int32_t>(clamped);
    if (clamped != *v) s.text = Dec(clamped);
    return s;
}

// A stored number for a spin bar: within the bar's range, so that the bar can show it and step
// from it.
Stored GetBarNumber(Program& p, const std::string& key, std::int32_t defaultValue, const forms::Control& bar) {
    return GetNumber(p, key, defaultValue, std::min(bar.min(), bar.max()), std::max(bar.min(), bar.max()));
}

// A stored check-box state: 0 or 1, anything else the default.
int GetFlag(Program& p, const std::string& key, int defaultValue) {
    const auto v = ToInt32(Get(p, key, Dec(defaultValue)));
    return v && (*v == forms::vbUnchecked || *v == forms::vbChecked) ? *v : defaultValue;
}

// Fills a text box and its spin bar, whose Tag holds the committed value.
void FillSpin(forms::Control& text, forms::Control& bar, const Stored& s) {
    text.setText(s.text);
    bar.setValue(s.value);
    bar.setTag(Dec(s.value));
}

// The start-up registration as the box says: written when checked, removed when not. The store
// may lack the run list that Windows always has (a fresh or replaced one): it is created then, for
// a removal too, so that whatever mirrors the list (the autostart entry) is put in line at every
// exit. The program's path is quoted: unquoted, a path with blanks starts whatever program its
// first word names.
void RegisterStartUp(Program& p, bool on) {
    const platform::HKEY key = Registry::CreateKey(p.sys, platform::HKEY_LOCAL_MACHINE, kRunKey, "");
    if (!key) return;
    if (on) {
        const std::string command = "\"" + General::ProgramFolder(p.sys) + General::Sep(p.sys) + p.sys.AppExeName() +
                                    p.sys.ExeSuffix() + "\" /Start Up";
        Registry::SetStringValue(p.sys, key, platform::HKEY_LOCAL_MACHINE, kRunKey, kAppTitle, command);
    } else {
        p.sys.RegDeleteValue(key, kAppTitle);
    }
    p.sys.RegCloseKey(key);
}

}  // namespace

void Form5::LoadFreeUpSettings() {
    const auto total = static_cast<std::int32_t>(TotalMemoryMB);

    const Stored limit = GetBarNumber(P, "LimitFreeMemory", total / 16, *VScroll4);
    FillSpin(Text2(3), *VScroll4, limit);
    LimitFreeMemoryMB = limit.value;

    const Stored amount = GetBarNumber(P, "FreeUpMemory", total / 6, *VScroll5);
    FillSpin(Text2(4), *VScroll5, amount);
    FreeUpMemoryMB = amount.value;

    FillSpin(*Text4, *VScroll9, GetBarNumber(P, "EveryMinutes", 10, *VScroll9));
    FillSpin(*Text3, *VScroll6, GetBarNumber(P, "FreeUpEveryMinutes", total / 8, *VScroll6));

    // Setting a check box raises its click handler; set-up runs once, as for a click by the user.
    const int periodic = GetFlag(P, "EnableEveryMinutes", 0);
    const bool periodicRaised = Check3->value() != periodic;
    Check3->setValue(periodic);
    if (periodic == forms::vbChecked && !periodicRaised) Check3_Click();

    const int gate = GetFlag(P, "DefragIfCPUless", 1);
    const bool gateRaised = Check7->value() != gate;
    Check7->setValue(gate);
    if (gate == forms::vbChecked && !gateRaised) Check7_Click();

    FillSpin(Text2(7), *VScroll10, GetBarNumber(P, "CPUlessValue", 25, *VScroll10));
}

void Form5::SaveFreeUpSettings() {
    if (!FreeUpSettingsLoaded) return;
    Save(P, "LimitFreeMemory", Text2(3).text());
    Save(P, "FreeUpMemory", Text2(4).text());
    Save(P, "EveryMinutes", Text4->text());
    Save(P, "FreeUpEveryMinutes", Text3->text());
    Save(P, "EnableEveryMinutes", Dec(Check3->value()));
    Save(P, "DefragIfCPUless", Dec(Check7->value()));
    Save(P, "CPUlessValue", Text2(7).text());
}

void Form5::LoadOptions() {
    const int startUp = GetFlag(P, "StartonWindowsStartUp", 1);
    const int minimized = GetFlag(P, "StartMinimized", 0);
    const int popUp = GetFlag(P, "ShowPopUp", 1);
    const int sound = GetFlag(P, "PlaySound", 1);
    const std::string soundFile = Get(P, "SoundFile", "");

    Text6->setText(soundFile);
    Check4(0).setValue(startUp);
    Check4(1).setValue(minimized);
    Check4(2).setValue(popUp);
    Check4(3).setValue(sound);
    if (Check4(3).value() == forms::vbUnchecked) {
        Text6->setEnabled(false);
        Command2->setEnabled(false);
    }

    // Where there is no notification area the host minimises the window instead of hiding it.
    if (minimized == forms::vbChecked) Hide();
    else Show();

    int left = GetNumber(P, "Left", 480).value;
    int top = GetNumber(P, "Top", 480).value;
    // A position on no monitor at all (one since removed, a smaller resolution) comes back.
    if (!host::OnSomeScreen(left, top, width(), height(), P.host.Screens())) left = top = 480;
    move(left, top);
}

void Form5::SaveOptions() {
    if (!OptionsLoaded) {
        // Ended before the page was filled: the stored choices stand, and the registration
        // follows the stored box.
        RegisterStartUp(P, GetFlag(P, "StartonWindowsStartUp", 1) == forms::vbChecked);
        return;
    }
    Save(P, "StartonWindowsStartUp", Dec(Check4(0).value()));
    Save(P, "StartMinimized", Dec(Check4(1).value()));
    Save(P, "ShowPopUp", Dec(Check4(2).value()));
    Save(P, "PlaySound", Dec(Check4(3).value()));
    Save(P, "SoundFile", Text6->text());
    Save(P, "Left", Dec(left()));
    Save(P, "Top", Dec(top()));
    Save(P, "Skin", P.CurrentSkin);
    RegisterStartUp(P, Check4(0).value() == forms::vbChecked);
}

void Form5::Check4_Click(int Index) {
    if (Index != 3) return;
    const bool on = Check4(3).value() == forms::vbChecked;
    Text6->setEnabled(on);
    Command2->setEnabled(on);
}

}  // namespace tarnolux
